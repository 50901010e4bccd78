// A small cursor that writes big-endian fields into a caller-owned byte array.
#pragma once
#include <stdint.h>
#include <string.h>

struct ByteWriter {
    uint8_t* p;

    void u8(uint8_t v) { *p++ = v; }
    void be16(uint16_t v) { u8(uint8_t(v >> 8)); u8(uint8_t(v)); }
    void be24(uint32_t v) { u8(uint8_t(v >> 16)); be16(uint16_t(v)); }
    void be32(uint32_t v) { be16(uint16_t(v >> 16)); be16(uint16_t(v)); }
    void be64(uint64_t v) { be32(uint32_t(v >> 32)); be32(uint32_t(v)); }
    // An IEEE double, most significant byte first (the AMF number form).
    void f64(double v)
    {
        uint64_t bits;
        memcpy(&bits, &v, sizeof bits);
        be64(bits);
    }
    void bytes(const void* data, size_t n)
    {
        if (n)
            memcpy(p, data, n);
        p += n;
    }
    void fill(uint8_t v, size_t n)
    {
        memset(p, v, n);
        p += n;
    }
};
