#include "engine/audio_queue.h"

#include "foundation/debug_log.h"

#include <string.h>

TAudioQueue::TAudioQueue() : ring(kSlots), lock(2000)
{
    ring.byteCap = kByteCap;
}

TAudioQueue::~TAudioQueue()
{
    while (!ring.IsEmpty())
        DropHead();
    ring.queuedBytes = 0;
}

int TAudioQueue::Push(TAudioBuffer* buffer)
{
    if (!buffer)
        return 0;
    TAutoLock hold(lock);
    // The byte test comes first and looks only at what is queued, so the buffer taken last may
    // carry the total past the cap.
    if (ring.queuedBytes >= ring.byteCap || !ring.Push(buffer)) {
        DebugLog(LOG_INFO, "TAudioEncoder", __LINE__, "Audio queue is full..");
        return 0;
    }
    buffer->AddRef();
    ring.queuedBytes += buffer->length;
    return 1;
}

void TAudioQueue::DropHead()
{
    TAudioBuffer* head = nullptr;
    ring.Pop(head);
    readOffset = 0;
    ring.queuedBytes -= head->length;
    head->Release();
}

int TAudioQueue::PopFrame(uint8_t* target)
{
    while (!ring.IsEmpty()) {
        TAudioBuffer* head = ring.Front();
        const unsigned left = head->length - readOffset;
        const uint8_t* frame = head->data + readOffset;
        const unsigned size = left >= 2 ? ((unsigned)frame[0] << 8 | frame[1]) + 2 : left + 2;
        // A frame that runs past its buffer's end cannot be read; the rest of that buffer is
        // dropped rather than read beyond the block.
        if (size > left) {
            DropHead();
            continue;
        }
        if (size > kFrameTarget)
            return -(int)size;
        memcpy(target, frame, size);
        readOffset += size;
        if (readOffset >= head->length)
            DropHead();
        return (int)size;
    }
    return 0;
}
