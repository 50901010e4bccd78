// The encoded pictures that wait for the sound of their time before they go into the file, so that
// the two streams reach the writer in time order. A fixed number of places: a full hold gives up
// its oldest picture.
//
// Threads: the recording thread only.
#pragma once
#include "engine/ring_queue.h"
#include "engine/video_encoder.h"

class TPictureHold {
public:
    // More than a second of pictures at the highest paced rate (25 a second).
    enum { kPlaces = 40 };

    struct Held {
        TVideoFrameBuffer* frame;
        int time; // recording time in ms
    };

    TPictureHold() : ring(kPlaces + 1) {}
    // Releases what is still held.
    ~TPictureHold();
    TPictureHold(const TPictureHold&) = delete;
    TPictureHold& operator=(const TPictureHold&) = delete;

    bool IsEmpty() const { return ring.IsEmpty(); }
    bool IsFull() const { return ring.IsFull(); }
    int Count() const { return ring.Count(); }
    // Takes over the caller's reference; only when not full.
    void Push(TVideoFrameBuffer* frame, int time) { ring.Push(Held{frame, time}); }
    // The oldest picture; only when not empty.
    const Held& Oldest() { return ring.Front(); }
    // Hands the oldest picture, with its reference, to the caller.
    Held Take();

private:
    TRingQueue<Held> ring;
};
