// Identifiers and small byte formats of the MPEG-2 transport stream: the section CRC, the PCR
// and the PTS.
#pragma once
#include <stdint.h>

#include "media/byte_writer.h"

enum {
    kTsPacketSize = 188,
    kTsPayloadSize = 184,
    kTsPesHeaderSize = 14,
    kTsPatPid = 0x0000,
    kTsPmtPid = 0x1020,
    kTsVideoPid = 0x1022, // also carries the PCR
    kTsAudioPid = 0x1023,
    kTsStreamIdVideo = 0xE0,
    kTsStreamIdAudio = 0xC0,
};

// CRC-32/MPEG-2 of a section: no reflection, start value all ones, no final inversion.
uint32_t TsCrc32(const uint8_t* data, unsigned len);

// The 6 PCR bytes: base ms x 90 in 33 bits, extension 0.
void PutTsPcr(ByteWriter& packet, uint32_t ms);
// The 5 PTS bytes of ms x 90 in 33 bits, with the 0010 prefix and marker bits.
void PutTsPts(ByteWriter& packet, uint32_t ms);

// The packet header, PES header and table builders are members of Mpeg_TS (media/mpeg_ts.h);
// their bytes are defined in ts_packet.cpp.
