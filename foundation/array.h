// The program's growable array of plain values (ids, points, pointers), copied byte-wise.
// It never constructs or destroys elements and never deletes what pointer elements point to.
#pragma once
#include <stdlib.h>
#include <string.h>

struct TArrayAllocator {
    static void* Allocate(size_t bytes) { return malloc(bytes); }
    static void Free(void* block) { free(block); }
};

template <class T, size_t Step = 10, class Allocator = TArrayAllocator>
class TArray {
public:
    TArray() = default;
    virtual ~TArray() { Clear(); }

    // Makes room for one more element: the storage grows by Step elements at a time, through a
    // new block and a full copy. False when the storage cannot be enlarged (nothing changes).
    bool Grow()
    {
        if (count + 1 <= capacity)
            return true;
        size_t step = Step;
        if (capacity + Step < count + 1)
            step = count + 1 - capacity;
        T* block = (T*)Allocator::Allocate(sizeof(T) * (capacity + step));
        if (!block)
            return false;
        if (data) {
            memcpy((void*)block, (const void*)data, sizeof(T) * capacity);
            Allocator::Free(data);
        }
        capacity += step;
        data = block;
        return true;
    }

    // Appends value; false (and the value dropped) when the storage cannot grow.
    bool Append(const T& value)
    {
        if (!Grow())
            return false;
        data[count++] = value;
        return true;
    }

    // Appends *value; with unique set, not when an equal element is already present (the storage
    // may have grown all the same).
    void Add(const T* value, bool unique)
    {
        if (!Grow())
            return;
        if (unique) {
            for (size_t i = 0; i < count; ++i)
                if (data[i] == *value)
                    return;
        }
        data[count++] = *value;
    }

    // Frees the storage; the array is then as new.
    void Clear()
    {
        if (data)
            Allocator::Free(data);
        data = NULL;
        capacity = 0;
        count = 0;
    }

    T* data = NULL;      // NULL exactly when capacity is 0
    size_t capacity = 0; // elements the storage holds
    size_t count = 0;    // elements in use

private:
    TArray(const TArray&) = delete;
    TArray& operator=(const TArray&) = delete;
};
