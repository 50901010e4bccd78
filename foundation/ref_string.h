// A shared, reference-counted, growable character string, for 8-bit and 16-bit characters.
#pragma once
#include <stdlib.h>
#include <string.h>

template <class C>
size_t TextLength(const C* s)
{
    size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

// The body behind a TRefString. Allocations are not checked: a string this small never fails.
template <class C>
struct TRefStringData {
    C* data = NULL;   // from malloc; NULL until the first reservation
    int capacity = 0; // characters the block holds
    int length = 0;   // characters in use, the NUL included when built from a NUL-terminated text
    int refs = 1;     // owners; not atomic: user-interface thread only

    // Makes room for n more characters, in blocks of 256 characters.
    void Reserve(int n)
    {
        if (capacity >= length + n)
            return;
        int grown = (length + n + 255) / 256 * 256;
        C* block = (C*)malloc(sizeof(C) * grown);
        if (data) {
            memcpy(block, data, sizeof(C) * length);
            free(data);
        }
        data = block;
        capacity = grown;
    }

    // Inserts n characters from source before position; a position outside 0..length only reserves.
    void Insert(int position, const C* source, int n)
    {
        if (n < 1)
            return;
        Reserve(n);
        if (position < 0 || position > length)
            return;
        memmove(data + position + n, data + position, sizeof(C) * (length - position));
        memcpy(data + position, source, sizeof(C) * n);
        length += n;
    }
};

template <class C>
class TRefString {
public:
    TRefString() = default;
    ~TRefString()
    {
        if (body && --body->refs <= 0) {
            free(body->data);
            delete body;
        }
    }

    // Makes the handle hold a copy of s (NULL empties it and keeps the block).
    TRefString& Assign(const C* s)
    {
        if (!body) {
            if (s) {
                body = new TRefStringData<C>;
                body->Insert(0, s, (int)TextLength(s) + 1);
            }
        } else if (!s) {
            body->length = 0;
            if (body->data)
                body->data[0] = 0;
        } else {
            int n = (int)TextLength(s) + 1;
            if (body->capacity < n) {
                // Exactly n, and the old text is not copied: all of it is replaced.
                free(body->data);
                body->data = (C*)malloc(sizeof(C) * n);
                body->capacity = n;
            }
            memcpy(body->data, s, sizeof(C) * n);
            body->length = n;
        }
        return *this;
    }

    // The text, or NULL when the handle holds no string.
    const C* Get() const { return body ? body->data : NULL; }
    const TRefStringData<C>* Body() const { return body; }

private:
    TRefString(const TRefString&) = delete;
    TRefString& operator=(const TRefString&) = delete;

    TRefStringData<C>* body = NULL;
};
