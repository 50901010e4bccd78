// UTF-8 <-> UTF-16 conversion into new strings from malloc; the caller frees them with free().
#pragma once
#include <wchar.h>

// A NUL-terminated UTF-16 copy of text, or NULL when text is NULL or the conversion fails.
wchar_t* Utf8ToWide(const char* text);
// A NUL-terminated UTF-8 copy of text, or NULL when text is NULL or the conversion fails.
char* WideToUtf8(const wchar_t* text);
