// The encoded-audio queue between the wave-input callback, which pushes whole buffers, and the
// recording thread, which takes one AAC frame at a time.
//
// Threads: Push in the wave-input callback (it takes the lock itself); PopFrame on the recording
// thread, which holds Lock() around each call. The recording thread takes this lock only while it
// holds the writer lock: writer lock, then queue lock, never the reverse.
#pragma once
#include "engine/audio_encoder.h"
#include "engine/auto_lock.h"
#include "engine/ring_queue.h"

class TAudioQueue {
public:
    enum {
        kSlots = 401,                  // 400 buffers
        kByteCap = 10485760,           // pushes are refused once this much is queued
        kFrameTarget = 4096,           // the largest frame PopFrame hands out, prefix included
    };

    TAudioQueue();
    ~TAudioQueue();
    TAudioQueue(const TAudioQueue&) = delete;
    TAudioQueue& operator=(const TAudioQueue&) = delete;

    // 1 when the queue took the buffer and a reference to it, 0 when it refused it; the caller
    // keeps its own reference either way.
    int Push(TAudioBuffer* buffer);

    // Copies the next frame, its 2-byte length prefix included, into target (kFrameTarget bytes)
    // and returns its size; 0 when the queue is empty; the negated size, with nothing taken, when
    // the frame does not fit. The caller holds Lock().
    int PopFrame(uint8_t* target);

    TCriticalSection& Lock() { return lock; }
    int Count() const { return ring.Count(); }
    unsigned QueuedBytes() const { return ring.queuedBytes; }

    // Milliseconds per AAC frame; set once before the recording thread starts (0 without sound).
    unsigned frameDuration = 0;

private:
    void DropHead();

    TRingQueue<TAudioBuffer*> ring;
    unsigned readOffset = 0; // bytes of the head buffer already taken
    TCriticalSection lock;
};
