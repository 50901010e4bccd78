#include "framework/wide_string.h"
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

FwString::Body* FwString::NewBody(int capacity)
{
    Body* body = (Body*)malloc(sizeof(Body) + sizeof(wchar_t) * (capacity + 1));
    if (!body)
        abort(); // the program has no way to go on without its strings
    body->refs = 1;
    body->length = 0;
    body->capacity = capacity;
    body->Chars()[0] = 0;
    return body;
}

void FwString::Release(Body* body)
{
    if (body && --body->refs == 0)
        free(body);
}

FwString::FwString(const wchar_t* text) : FwString(text, text ? (int)wcslen(text) : 0) {}

FwString::FwString(const wchar_t* text, int length)
{
    if (text && length > 0)
        Append(text, length);
}

FwString::FwString(const FwString& other) : body(other.body)
{
    if (body)
        ++body->refs;
}

FwString& FwString::operator=(const FwString& other)
{
    if (other.body)
        ++other.body->refs;
    Release(body);
    body = other.body;
    return *this;
}

FwString& FwString::operator=(const wchar_t* text)
{
    FwString copy(text); // text may point into this string
    return *this = copy;
}

FwString::~FwString() { Release(body); }

const wchar_t* FwString::Text() const { return body ? body->Chars() : L""; }

int FwString::Length() const { return body ? body->length : 0; }

void FwString::Empty()
{
    Release(body);
    body = nullptr;
}

void FwString::MakeUnique(int capacity)
{
    if (body && body->refs == 1 && body->capacity >= capacity)
        return;
    int length = Length();
    if (capacity < length)
        capacity = length;
    if (body && capacity > body->capacity)
        capacity = capacity < body->capacity * 2 ? body->capacity * 2 : capacity;
    Body* fresh = NewBody(capacity);
    if (body)
        memcpy(fresh->Chars(), body->Chars(), sizeof(wchar_t) * (length + 1));
    fresh->length = length;
    Release(body);
    body = fresh;
}

FwString& FwString::Append(const wchar_t* text, int length)
{
    if (!text || length <= 0)
        return *this;
    if (body && text >= body->Chars() && text <= body->Chars() + body->length) {
        FwString copy(text, length); // appending a piece of itself
        return Append(copy.Text(), copy.Length());
    }
    int old = Length();
    MakeUnique(old + length);
    memcpy(body->Chars() + old, text, sizeof(wchar_t) * length);
    body->length = old + length;
    body->Chars()[body->length] = 0;
    return *this;
}

FwString& FwString::operator+=(const wchar_t* text) { return Append(text, text ? (int)wcslen(text) : 0); }

void FwString::Format(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list probe;
    va_copy(probe, args);
    int n = _vscwprintf(format, probe);
    va_end(probe);
    FwString result;
    if (n > 0) {
        wchar_t* out = result.GetBuffer(n);
        _vsnwprintf(out, n + 1, format, args);
        out[n] = 0;
        result.ReleaseBuffer();
    }
    va_end(args);
    *this = result;
}

int FwString::ReverseFind(wchar_t c) const
{
    const wchar_t* s = Text();
    for (int i = Length() - 1; i >= 0; --i)
        if (s[i] == c)
            return i;
    return -1;
}

FwString FwString::Left(int count) const
{
    if (count >= Length())
        return *this;
    return FwString(Text(), count < 0 ? 0 : count);
}

FwString FwString::Mid(int position) const
{
    if (position <= 0)
        return *this;
    if (position >= Length())
        return FwString();
    return FwString(Text() + position, Length() - position);
}

void FwString::Truncate(int count)
{
    if (count < 0)
        count = 0;
    if (count >= Length())
        return;
    MakeUnique(Length());
    body->length = count;
    body->Chars()[count] = 0;
}

static wchar_t AsciiLower(wchar_t c) { return c >= L'A' && c <= L'Z' ? (wchar_t)(c - L'A' + L'a') : c; }

int FwString::CompareNoCaseAscii(const wchar_t* other) const
{
    const wchar_t* s = Text();
    if (!other)
        other = L"";
    for (;; ++s, ++other) {
        wchar_t a = AsciiLower(*s), b = AsciiLower(*other);
        if (a != b)
            return a < b ? -1 : 1;
        if (!a)
            return 0;
    }
}

bool FwString::operator==(const wchar_t* other) const { return wcscmp(Text(), other ? other : L"") == 0; }

wchar_t* FwString::GetBuffer(int capacity)
{
    MakeUnique(capacity < 0 ? 0 : capacity);
    return body->Chars();
}

void FwString::ReleaseBuffer()
{
    if (!body)
        return;
    body->Chars()[body->capacity] = 0;
    body->length = (int)wcslen(body->Chars());
    if (body->length == 0)
        Empty();
}
