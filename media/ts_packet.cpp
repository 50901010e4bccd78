#include "media/ts_packet.h"

#include "media/media_info.h"
#include "media/mpeg_ts.h"

#include <string.h>

namespace {

const uint16_t kTransportStreamId = 3;
const uint16_t kProgramNumber = 3;
const uint8_t kStreamTypeH264 = 0x1B;
const uint8_t kStreamTypeAdtsAac = 0x0F;
const uint64_t kTicks33 = (uint64_t(1) << 33) - 1;

struct CrcTable {
    uint32_t entry[256];
    CrcTable()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
            entry[i] = c;
        }
    }
};

uint64_t Ticks(uint32_t ms)
{
    return (uint64_t(ms) * 90) & kTicks33;
}

// Fills the packet behind its section with 0xFF and stores the CRC behind the section.
void EndSection(uint8_t* packet, ByteWriter& w, const uint8_t* sectionStart)
{
    w.be32(TsCrc32(sectionStart, unsigned(w.p - sectionStart)));
    w.fill(0xFF, kTsPacketSize - size_t(w.p - packet));
}

} // namespace

uint32_t TsCrc32(const uint8_t* data, unsigned len)
{
    static const CrcTable table;
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned i = 0; i < len; ++i)
        crc = (crc << 8) ^ table.entry[(crc >> 24) ^ data[i]];
    return crc;
}

void PutTsPcr(ByteWriter& packet, uint32_t ms)
{
    uint64_t base = Ticks(ms);
    packet.be32(uint32_t(base >> 1));
    packet.u8(uint8_t((base & 1) << 7 | 0x7E)); // six reserved bits, extension bit 8 = 0
    packet.u8(0x00);
}

void PutTsPts(ByteWriter& packet, uint32_t ms)
{
    uint64_t p = Ticks(ms);
    packet.u8(uint8_t(0x21 | ((p >> 30) & 7) << 1));
    packet.u8(uint8_t(p >> 22));
    packet.u8(uint8_t(((p >> 15) & 0x7F) << 1 | 1));
    packet.u8(uint8_t(p >> 7));
    packet.u8(uint8_t((p & 0x7F) << 1 | 1));
}

void Mpeg_TS::PutPacketHeader(ByteWriter& packet, uint16_t pid, bool unitStart, uint8_t continuityCounter,
                       uint32_t adaptationSize, bool pcrWanted, uint32_t pcrMs)
{
    packet.u8(0x47);
    packet.be16(uint16_t((unitStart ? 0x4000 : 0) | (pid & 0x1FFF)));
    packet.u8(uint8_t((adaptationSize ? 0x30 : 0x10) | (continuityCounter & 0x0F)));
    if (adaptationSize == 0)
        return;
    packet.u8(uint8_t(adaptationSize - 1));
    if (adaptationSize == 1)
        return;
    bool pcr = pcrWanted && adaptationSize >= 8;
    packet.u8(pcr ? 0x10 : 0x00);
    if (pcr)
        PutTsPcr(packet, pcrMs);
    packet.fill(0xFF, adaptationSize - (pcr ? 8 : 2));
}

void Mpeg_TS::PutPesHeader(ByteWriter& packet, uint8_t streamId, uint32_t payloadLen, uint32_t ptsMs)
{
    packet.be24(0x000001);
    packet.u8(streamId);
    packet.be16(uint16_t(payloadLen ? payloadLen + 8 : 0));
    packet.u8(0x84); // data_alignment_indicator
    packet.u8(0x80); // PTS only
    packet.u8(5);    // PES_header_data_length
    PutTsPts(packet, ptsMs);
}

void Mpeg_TS::BuildPat(uint8_t* packet)
{
    ByteWriter w{packet};
    PutPacketHeader(w, kTsPatPid, true, 0, 0, false, 0);
    w.u8(0x00); // pointer_field
    const uint8_t* section = w.p;
    w.u8(0x00); // program_association_section
    w.be16(0xB000 | 13);
    w.be16(kTransportStreamId);
    w.u8(0xC1); // version 0, current
    w.u8(0);    // section_number
    w.u8(0);    // last_section_number
    w.be16(kProgramNumber);
    w.be16(0xE000 | kTsPmtPid);
    EndSection(packet, w, section);
}

void Mpeg_TS::BuildPmt(uint8_t* packet) const
{
    // A stream is listed because it is there, whatever its frame duration works out to.
    bool video = (streams & kMediaVideo) != 0;
    bool audio = (streams & kMediaAudio) != 0;
    ByteWriter w{packet};
    PutPacketHeader(w, kTsPmtPid, true, 0, 0, false, 0);
    w.u8(0x00); // pointer_field
    const uint8_t* section = w.p;
    w.u8(0x02); // TS_program_map_section
    w.be16(uint16_t(0xB000 | (13 + (video ? 5 : 0) + (audio ? 5 : 0))));
    w.be16(kProgramNumber);
    w.u8(0xC1);
    w.u8(0);
    w.u8(0);
    w.be16(0xE000 | kTsVideoPid); // PCR_PID, also without video
    w.be16(0xF000);               // program_info_length 0
    if (video) {
        w.u8(kStreamTypeH264);
        w.be16(0xE000 | kTsVideoPid);
        w.be16(0xF000);
    }
    if (audio) {
        w.u8(kStreamTypeAdtsAac);
        w.be16(0xE000 | kTsAudioPid);
        w.be16(0xF000);
    }
    EndSection(packet, w, section);
}

int Mpeg_TS::WriteTables()
{
    uint8_t tables[2 * kTsPacketSize];
    BuildPat(tables);
    BuildPmt(tables + kTsPacketSize);
    if (Emit(tables, sizeof tables) != 0)
        return -1;
    units.Ends(units.Written(), 0);
    tablesWritten = 1;
    return 0;
}
