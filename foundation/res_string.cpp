#include "foundation/res_string.h"

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

namespace {

HINSTANCE g_resourceModule = NULL;

const int kFirstSize = 128;
const int kSizeLimit = 102400; // the sizes tried run 128, 256, ..., 65536

// Loads the text of id into a new[] buffer of the first size it fits in, with fewer than size - 1
// characters (a text that fills the buffer may have been cut). NULL when no size fits.
wchar_t* LoadText(UINT id, int* size)
{
    for (int n = kFirstSize; n < kSizeLimit; n *= 2) {
        wchar_t* buffer = new wchar_t[n];
        int loaded = LoadStringW(ResourceModule(), id, buffer, n);
        if (loaded < n - 1) {
            if (loaded <= 0)
                buffer[0] = L'\0';
            *size = n;
            return buffer;
        }
        delete[] buffer;
    }
    *size = 0;
    return NULL;
}

} // namespace

HINSTANCE ResourceModule()
{
    return g_resourceModule ? g_resourceModule : GetModuleHandleW(NULL);
}

void SetResourceModule(HINSTANCE module)
{
    g_resourceModule = module;
}

TResString::TResString(UINT id)
{
    text = LoadText(id, &size);
}

void TResString::Format(UINT id, ...)
{
    int formatSize;
    wchar_t* format = LoadText(id, &formatSize);
    if (!format)
        return;
    va_list args;
    va_start(args, id);
    for (int m = kFirstSize; m < kSizeLimit; m *= 2) {
        text = new wchar_t[m];
        va_list copy;
        va_copy(copy, args);
        // The runtime's _vsnwprintf reports a text that does not fit (-1) instead of cutting it.
        int written = _vsnwprintf(text, m, format, copy);
        va_end(copy);
        if (written >= 0 && written < m - 1) {
            size = written;
            break;
        }
        delete[] text;
        text = NULL;
    }
    va_end(args);
    delete[] format;
    if (!text)
        size = 0;
}

TResString::~TResString()
{
    delete[] text;
    text = NULL;
    size = 0;
}

TResString& TResString::Append(const wchar_t* s)
{
    int need = (int)wcslen(s) + (text ? (int)wcslen(text) : 0);
    if (!text || size < need + 1) {
        wchar_t* grown = new wchar_t[need + 20];
        if (text)
            wcscpy(grown, text);
        else
            grown[0] = L'\0';
        delete[] text;
        text = grown;
        size = need + 20;
    }
    wcscat_s(text, size, s);
    return *this;
}
