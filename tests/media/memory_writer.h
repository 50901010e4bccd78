// Writers whose output goes to memory, so tests can compare the exact bytes and see each
// WriteBytes call; a call can be made to fail.
#pragma once
#include <stddef.h>
#include <stdint.h>
#include <string>
#include <vector>

#include "media/media_info.h"

template <class Stream>
class MemoryWriter : public Stream {
public:
    struct Call {
        size_t headLen;
        size_t bodyLen;
    };

    int WriteBytes(const void* head, size_t headLen, const void* body, size_t bodyLen) override
    {
        bool fail = failing || calls.size() >= failFromCall;
        calls.push_back({headLen, body ? bodyLen : 0});
        if (fail) {
            failedOnce = true;
            return -1;
        }
        bytes.append(static_cast<const char*>(head), headLen);
        if (body && bodyLen)
            bytes.append(static_cast<const char*>(body), bodyLen);
        return 0;
    }

    int Close() override { return failedOnce ? -1 : 0; }

    std::string bytes;       // everything written so far
    std::vector<Call> calls; // each WriteBytes call, failed ones too
    bool failing = false;    // while set, every call fails and writes nothing
    size_t failFromCall = size_t(-1); // calls from this index on fail
    bool failedOnce = false;  // a call failed
};

// "47 50 22 15" <-> bytes. Hex() writes upper-case pairs separated by blanks.
std::string Unhex(const std::string& text);
std::string Hex(const std::string& bytes);
inline std::string Bytes(const uint8_t* data, size_t len)
{
    return std::string(reinterpret_cast<const char*>(data), len);
}

// A stream description with 15 fps and 44.1 kHz stereo AAC of 1024-sample frames; record is the
// configuration record, which must outlive the Open call.
inline MediaInfo TestInfo(uint8_t flags, uint16_t width, uint16_t height, const std::string& record = "")
{
    MediaInfo info = {};
    info.avcConfig = reinterpret_cast<const uint8_t*>(record.data());
    info.avcConfigSize = uint16_t(record.size());
    info.flags = flags;
    info.width = width;
    info.height = height;
    info.fps = 15;
    info.channels = 2;
    info.bitsPerSample = 16;
    info.sampleRate = 44100;
    info.frameSamples = 1024;
    return info;
}
