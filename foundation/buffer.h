// Reference-counted byte buffers that carry encoded media. One heap block holds the buffer object,
// N bytes of headroom in front of the payload, and the payload; the last Release frees the block.
#pragma once
#include <windows.h>
#include <new>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

class TData {
public:
    virtual void AddRef() = 0;
    virtual void Release() = 0;
    // Bytes still free in front of the payload.
    virtual int Headroom() = 0;
    // Widens the payload by n bytes at its front, in place; 0 (nothing changed) when n exceeds
    // the headroom left.
    virtual int ReserveFront(unsigned n) = 0;
    virtual ~TData() = default;
};

class TBuffer : public TData {
public:
    void AddRef() override { InterlockedIncrement(&refs); }
    void Release() override
    {
        if (InterlockedDecrement(&refs) == 0)
            delete this;
    }
    int ReserveFront(unsigned n) override
    {
        if (n > (unsigned)Headroom())
            return 0;
        headroomUsed += (int)n;
        data -= n;
        length += n;
        return 1;
    }

    uint8_t* data = NULL;  // first payload byte; written only by the maker before it hands the buffer on
    uint32_t length = 0;   // payload bytes
    int headroomUsed = 0;  // never above N
    volatile LONG refs = 1; // changed only atomically; the only value shared this way
};

struct TBufferAlloc {
    static void* Allocate(size_t bytes) { return malloc(bytes); }
    static void Free(void* block) { free(block); }
};

template <class Alloc, unsigned N>
class TBufferImpl : public TBuffer {
public:
    int Headroom() override { return (int)N - headroomUsed; }

    // A buffer of class B (this one or a class derived from it that adds no fields) with length
    // payload bytes left uninitialised; NULL when the block cannot be allocated.
    template <class B = TBufferImpl>
    static B* New(uint32_t length)
    {
        void* block = Alloc::Allocate(sizeof(B) + N + length);
        if (!block)
            return NULL;
        B* buffer = ::new (block) B;
        buffer->data = (uint8_t*)block + sizeof(B) + N;
        buffer->length = length;
        return buffer;
    }

    // A buffer holding a copy of length bytes of source (left uninitialised when source is NULL).
    static TBufferImpl* Create(const void* source, uint32_t length)
    {
        TBufferImpl* buffer = New(length);
        if (buffer && source)
            memcpy(buffer->data, source, length);
        return buffer;
    }

    // The block came from Alloc, not from operator new.
    static void operator delete(void* block) { Alloc::Free(block); }

protected:
    // Buffers are made only by New, inside their block.
    static void* operator new(size_t) = delete;
};
