// Texts from the program's string table.
#pragma once
#include <windows.h>

// The module whose resources TResString loads from: the executable unless the application sets
// another one.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// A UTF-16 text loaded from the string table, optionally used as a printf format. The buffer
// grows by doubling, from 128 characters up to 65536, until the text fits.
// User-interface thread only.
class TResString {
public:
    explicit TResString(UINT id);
    // Loads id as a printf format and formats the arguments into text.
    template <class First, class... Rest>
    TResString(UINT id, First first, Rest... rest) : text(NULL), size(0)
    {
        Format(id, first, rest...);
    }
    ~TResString();

    // Appends s, reallocating to need + 20 characters when it does not fit.
    TResString& Append(const wchar_t* s);

    // Never NULL: an empty text when nothing could be loaded.
    const wchar_t* Text() const { return text ? text : L""; }

    wchar_t* text; // NULL when nothing was loaded; from new[]
    int size;      // capacity after a plain load or Append; length after formatting; 0 with no text

private:
    void Format(UINT id, ...);

    TResString(const TResString&) = delete;
    TResString& operator=(const TResString&) = delete;
};
