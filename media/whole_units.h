// Where a writer's output last ended on a whole unit (an FLV tag, a transport stream PES or its
// tables), in bytes from the start of the output. A file whose writes failed is cut back there,
// so that it still reads to its end.
#pragma once
#include <stdint.h>

class WholeUnits {
public:
    // Starts counting a new output.
    void Reset() { *this = WholeUnits(); }
    // One write of n bytes reached the output. A writer hands over everything it produced with
    // every write, so each unit ended so far now lies in the output.
    void Wrote(uint64_t n)
    {
        written += n;
        Settle();
    }
    // A unit ends at offset, counted in the bytes produced (written or still held back); time is
    // what the output holds up to it (for the FLV writer, the time of its last video tag).
    void Ends(uint64_t offset, uint64_t time)
    {
        lastEnd = offset;
        lastTime = time;
        Settle();
    }
    uint64_t Written() const { return written; }
    // The end of the last whole unit in the output, and its time.
    uint64_t WholeEnd() const { return wholeEnd; }
    uint64_t WholeTime() const { return wholeTime; }

private:
    void Settle()
    {
        if (lastEnd <= written) {
            wholeEnd = lastEnd;
            wholeTime = lastTime;
        }
    }

    uint64_t written = 0;
    uint64_t lastEnd = 0, lastTime = 0;
    uint64_t wholeEnd = 0, wholeTime = 0;
};
