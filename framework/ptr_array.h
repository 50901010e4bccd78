// The framework's array of untyped pointers. It owns its storage only, never what the pointers
// point to.
#pragma once
#include "foundation/array.h"

class FwPtrArray {
public:
    // False (and nothing added) when the storage cannot grow.
    bool Add(void* p) { return items.Append(p); }
    int Count() const { return (int)items.count; }
    void* At(int i) const { return i >= 0 && i < Count() ? items.data[i] : nullptr; }
    // Empties the array and frees its storage.
    void RemoveAll() { items.Clear(); }

private:
    TArray<void*> items;
};
