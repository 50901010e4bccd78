#include "foundation/text_convert.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

wchar_t* Utf8ToWide(const char* text)
{
    if (!text)
        return NULL;
    // UTF-16 never needs more code units than UTF-8 has bytes; the NUL is converted with the text.
    int n = (int)strlen(text) + 1;
    wchar_t* out = (wchar_t*)malloc(sizeof(wchar_t) * n);
    if (!out)
        return NULL;
    if (MultiByteToWideChar(CP_UTF8, 0, text, n, out, n) == 0) {
        free(out);
        return NULL;
    }
    return out;
}

char* WideToUtf8(const wchar_t* text)
{
    if (!text)
        return NULL;
    int k = (int)wcslen(text) + 1;
    char* out = (char*)malloc(4 * (size_t)k);
    if (!out)
        return NULL;
    if (WideCharToMultiByte(CP_UTF8, 0, text, k, out, 4 * k, NULL, NULL) == 0) {
        free(out);
        return NULL;
    }
    return out;
}
