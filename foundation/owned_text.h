// Holds one string converted by Utf8ToWide or WideToUtf8 and frees it when it goes.
#pragma once
#include <stdlib.h>
#include "foundation/text_convert.h"

struct TOwnedText {
    // UTF-8 in, UTF-16 held (NULL in, NULL held).
    explicit TOwnedText(const char* utf8) : text(NULL), owns(1)
    {
        if (utf8)
            text = Utf8ToWide(utf8);
    }
    // UTF-16 in, UTF-8 held.
    explicit TOwnedText(const wchar_t* wide) : text(NULL), owns(1)
    {
        if (wide)
            text = WideToUtf8(wide);
    }
    ~TOwnedText()
    {
        if (owns && text)
            free(text);
    }

    const wchar_t* Wide() const { return (const wchar_t*)text; }
    const char* Utf8() const { return (const char*)text; }

    void* text; // from malloc, or NULL
    int owns;   // non-zero: the holder frees text

private:
    TOwnedText(const TOwnedText&) = delete;
    TOwnedText& operator=(const TOwnedText&) = delete;
};
