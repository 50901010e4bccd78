// A first-in-first-out ring with a fixed number of slots. One slot always stays empty, so a ring
// of 401 slots holds 400 elements. The ring owns its slot array, never the elements.
#pragma once

template <class T>
class TRingQueue {
public:
    TRingQueue() = default;
    explicit TRingQueue(int slotCount) { SetCapacity(slotCount); }
    ~TRingQueue() { delete[] slots; }
    TRingQueue(const TRingQueue&) = delete;
    TRingQueue& operator=(const TRingQueue&) = delete;

    // Allocates slotCount slots (freeing an array of another size) and empties the ring.
    void SetCapacity(int slotCount)
    {
        if (slotCount != capacity) {
            delete[] slots;
            slots = slotCount > 0 ? new T[slotCount] : nullptr;
            capacity = slotCount > 0 ? slotCount : 0;
        }
        Clear();
    }

    void Clear() { tail = head = 0; }
    int Capacity() const { return capacity; }
    bool IsEmpty() const { return tail == head; }
    bool IsFull() const { return capacity == 0 || Next(tail) == head; }
    int Count() const { return capacity ? (tail - head + capacity) % capacity : 0; }

    // False (nothing stored) when the ring is full.
    bool Push(const T& value)
    {
        if (IsFull())
            return false;
        slots[tail] = value;
        tail = Next(tail);
        return true;
    }

    // The oldest element; only when the ring is not empty.
    T& Front() { return slots[head]; }

    // False (value untouched) when the ring is empty.
    bool Pop(T& value)
    {
        if (IsEmpty())
            return false;
        value = slots[head];
        head = Next(head);
        return true;
    }

private:
    int Next(int index) const { return (index + 1) % capacity; }

    T* slots = nullptr;
    int capacity = 0;
    int tail = 0; // next slot to fill
    int head = 0; // next slot to take

public:
    // The byte budget; only the encoded-audio queue keeps it.
    unsigned queuedBytes = 0;
    unsigned byteCap = 0;
};
