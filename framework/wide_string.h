// The framework's wide string: a reference-counted UTF-16 text that copies cheaply and is
// copied on write. User-interface thread only: the count is not atomic.
#pragma once
#include <wchar.h>

class FwString {
public:
    FwString() = default;
    FwString(const wchar_t* text);
    FwString(const wchar_t* text, int length);
    FwString(const FwString& other);
    FwString& operator=(const FwString& other);
    FwString& operator=(const wchar_t* text);
    ~FwString();

    // Never NULL: an empty string gives L"".
    const wchar_t* Text() const;
    operator const wchar_t*() const { return Text(); }
    int Length() const;
    bool IsEmpty() const { return Length() == 0; }
    wchar_t operator[](int i) const { return Text()[i]; }

    void Empty();
    FwString& Append(const wchar_t* text, int length);
    FwString& operator+=(const wchar_t* text);
    FwString& operator+=(wchar_t c) { return Append(&c, 1); }
    // Replaces the text with the printf-style formatted arguments (%s takes a wide string).
    void Format(const wchar_t* format, ...);

    // Position of the last c, or -1.
    int ReverseFind(wchar_t c) const;
    // The first count characters, and the text from position on (both clamped to the text).
    FwString Left(int count) const;
    FwString Mid(int position) const;
    // Cuts the text to its first count characters (clamped).
    void Truncate(int count);
    // 0 when equal ignoring the case of ASCII letters.
    int CompareNoCaseAscii(const wchar_t* other) const;
    bool operator==(const wchar_t* other) const;
    // How many strings share this text (0 for the empty string).
    int ShareCount() const { return body ? body->refs : 0; }
    bool operator!=(const wchar_t* other) const { return !(*this == other); }

    // Writable storage for at least capacity characters plus the terminator; the caller ends it
    // with ReleaseBuffer, which takes the length up to the first NUL.
    wchar_t* GetBuffer(int capacity);
    void ReleaseBuffer();

private:
    struct Body {
        int refs;
        int length;
        int capacity; // characters, terminator not counted
        wchar_t* Chars() { return reinterpret_cast<wchar_t*>(this + 1); }
    };
    static Body* NewBody(int capacity);
    static void Release(Body* body);
    // Makes the body private to this string with room for capacity characters.
    void MakeUnique(int capacity);

    Body* body = nullptr; // nullptr for the empty string
};

inline FwString operator+(const FwString& a, const wchar_t* b)
{
    FwString s(a);
    s += b;
    return s;
}
