#include "media/mpeg_ts.h"

#include <gtest/gtest.h>

#include "media/media_info.h"
#include "media/ts_packet.h"
#include "tests/media/memory_writer.h"

namespace {

typedef MemoryWriter<Mpeg_TS> TsMemory;

const std::string kRecord = Unhex("01 42 C0 1E FF E1 00 04 67 42 C0 1E 01 00 02 68 CE");
const std::string kFullPrefix =
    Unhex("00 00 00 01 09 F0 00 00 00 01 67 42 C0 1E 00 00 00 01 68 CE 00 00 00 01");
const std::string kShortPrefix = Unhex("00 00 00 01 09 F0 00 00 00 01");

std::string Ff(size_t n)
{
    return std::string(n, '\xFF');
}

std::string Packet(ByteWriter& w, const uint8_t* start)
{
    return Bytes(start, size_t(w.p - start));
}

MediaInfo Info(uint8_t flags, const std::string& record = kRecord)
{
    return TestInfo(flags, 320, 240, record);
}

std::string Nal(uint8_t header, size_t len)
{
    std::string nal(len, '\0');
    for (size_t i = 0; i < len; ++i)
        nal[i] = char(i * 7 + 3);
    nal[0] = char(header);
    return nal;
}

int Video(TsMemory& ts, const std::string& nal, unsigned timeMs, int* kind = NULL)
{
    std::string annexB = kShortPrefix.substr(0, 4) + nal;
    return ts.WriteVideo(reinterpret_cast<const uint8_t*>(annexB.data()), unsigned(annexB.size()), 0, timeMs, kind);
}

int Audio(TsMemory& ts, const std::string& frame, unsigned timeMs = 0)
{
    return ts.WriteAudio(reinterpret_cast<const uint8_t*>(frame.data()), unsigned(frame.size()), timeMs);
}

std::vector<std::string> Packets(const std::string& bytes, size_t from = 0)
{
    std::vector<std::string> packets;
    for (size_t pos = from; pos + 188 <= bytes.size(); pos += 188)
        packets.push_back(bytes.substr(pos, 188));
    return packets;
}

// The bytes a packet carries behind its header and adaptation field.
std::string Payload(const std::string& packet)
{
    size_t start = 4;
    if (packet[3] & 0x20)
        start += 1 + (unsigned char)packet[4];
    return packet.substr(start);
}

} // namespace

TEST(TsPacket, PacketHeaderAndAdaptationField)
{
    struct Case {
        uint16_t pid;
        bool unitStart;
        uint8_t counter;
        uint32_t adaptation;
        bool pcr;
        uint32_t pcrMs;
        std::string bytes;
    } cases[] = {
        {0x1022, true, 5, 0, false, 0, Unhex("47 50 22 15")},
        {0x1022, true, 5, 46, true, 0, Unhex("47 50 22 35 2D 10 00 00 00 00 7E 00") + Ff(38)},
        {0x1022, true, 5, 8, true, 5, Unhex("47 50 22 35 07 10 00 00 00 E1 7E 00")},
        {0x1022, false, 21, 1, true, 5, Unhex("47 10 22 35 00")},
        {0x1023, false, 0, 2, false, 0, Unhex("47 10 23 30 01 00")},
        {0x1022, true, 0, 7, true, 9, Unhex("47 50 22 30 06 00") + Ff(5)},
        {0x1023, true, 15, 9, false, 9, Unhex("47 50 23 3F 08 00") + Ff(7)},
    };
    for (const Case& c : cases) {
        uint8_t packet[188];
        ByteWriter w{packet};
        Mpeg_TS::PutPacketHeader(w, c.pid, c.unitStart, c.counter, c.adaptation, c.pcr, c.pcrMs);
        EXPECT_EQ(Hex(Packet(w, packet)), Hex(c.bytes)) << c.adaptation;
    }
}

TEST(TsPacket, PcrAndPtsCountNinetyKilohertzInThirtyThreeBits)
{
    struct Case {
        uint32_t ms;
        const char* pcr;
        const char* pts;
    } cases[] = {
        {0, "00 00 00 00 7E 00", "21 00 01 00 01"},
        {64, "00 00 0B 40 7E 00", "21 00 01 2D 01"},
        {66, "00 00 0B 9A 7E 00", "21 00 01 2E 69"},
        {1000, "00 00 AF C8 7E 00", "21 00 05 BF 21"},
        {1001, "00 00 AF F5 7E 00", "21 00 05 BF D5"},
        {47721859, "80 00 00 07 7E 00", "29 00 01 00 1D"}, // past 2^32 ticks
        {95443718, "00 00 00 0E 7E 00", "21 00 01 00 39"}, // past 2^33 ticks: both wrap
    };
    for (const Case& c : cases) {
        uint8_t out[6];
        ByteWriter w{out};
        PutTsPcr(w, c.ms);
        EXPECT_EQ(Hex(Bytes(out, 6)), c.pcr) << c.ms;
        w = ByteWriter{out};
        PutTsPts(w, c.ms);
        EXPECT_EQ(Hex(Bytes(out, 5)), c.pts) << c.ms;
    }
}

TEST(TsPacket, PesHeaders)
{
    struct Case {
        uint8_t streamId;
        uint32_t payloadLen;
        uint32_t ptsMs;
        const char* bytes;
    } cases[] = {
        {0xC0, 57, 0, "00 00 01 C0 00 41 84 80 05 21 00 01 00 01"},
        {0xE0, 0, 66, "00 00 01 E0 00 00 84 80 05 21 00 01 2E 69"},
        {0xC0, 400, 1000, "00 00 01 C0 01 98 84 80 05 21 00 05 BF 21"},
    };
    for (const Case& c : cases) {
        uint8_t out[14];
        ByteWriter w{out};
        Mpeg_TS::PutPesHeader(w, c.streamId, c.payloadLen, c.ptsMs);
        ASSERT_EQ(w.p - out, 14);
        EXPECT_EQ(Hex(Bytes(out, 14)), c.bytes);
    }
}

TEST(TsPacket, SectionCrc)
{
    std::string pat = Unhex("00 B0 0D 00 03 C1 00 00 00 03 F0 20");
    EXPECT_EQ(TsCrc32(reinterpret_cast<const uint8_t*>(pat.data()), unsigned(pat.size())), 0x066052C8u);
    std::string withCrc = pat + Unhex("06 60 52 C8");
    EXPECT_EQ(TsCrc32(reinterpret_cast<const uint8_t*>(withCrc.data()), unsigned(withCrc.size())), 0u);
}

TEST(TsPacket, PatAndPmtForEachStreamSet)
{
    uint8_t pat[188];
    Mpeg_TS::BuildPat(pat);
    EXPECT_EQ(Hex(Bytes(pat, 188)), Hex(Unhex("47 40 00 10 00 00 B0 0D 00 03 C1 00 00 00 03 F0 20 06 60 52 C8") + Ff(167)));

    // A stream is listed because it is there: also at rates whose frame lasts under a millisecond.
    const char* both = "02 B0 17 00 03 C1 00 00 F0 22 F0 00 1B F0 22 F0 00 0F F0 23 F0 00 AF B1 54 81";
    const char* video = "02 B0 12 00 03 C1 00 00 F0 22 F0 00 1B F0 22 F0 00 D1 9F D8 1F";
    struct Case {
        uint8_t flags;
        int fps; // 0 keeps the description's own
        const char* section;
    } cases[] = {
        {3, 0, both},
        {2, 0, video},
        {1, 0, "02 B0 12 00 03 C1 00 00 F0 22 F0 00 0F F0 23 F0 00 73 61 F9 17"},
        {3, 2000, both},
        {2, 1001, video},
    };
    for (const Case& c : cases) {
        TsMemory ts;
        MediaInfo info = Info(c.flags);
        if (c.fps)
            info.fps = (uint16_t)c.fps;
        ts.Open(&info);
        uint8_t pmt[188];
        ts.BuildPmt(pmt);
        std::string head = Unhex("47 50 20 10 00") + Unhex(c.section);
        EXPECT_EQ(Hex(Bytes(pmt, 188)), Hex(head + Ff(188 - head.size()))) << int(c.flags);
    }
}

TEST(MpegTs, OpenWritesNothing)
{
    TsMemory ts;
    MediaInfo info = Info(3);
    EXPECT_EQ(ts.Open(&info), 0);
    EXPECT_TRUE(ts.calls.empty());
}

TEST(MpegTs, FirstFramesCarryTablesPrefixAndClocks)
{
    TsMemory ts;
    MediaInfo info = Info(3);
    ts.Open(&info);

    std::string idr = Nal(0x65, 100);
    EXPECT_EQ(Video(ts, idr, 1000), 0);
    ASSERT_EQ(ts.calls.size(), 2u);
    EXPECT_EQ(ts.calls[0].headLen, 376u) << "PAT and PMT in one call";
    EXPECT_EQ(ts.calls[1].headLen, 188u);
    uint8_t tables[376];
    Mpeg_TS::BuildPat(tables);
    ts.BuildPmt(tables + 188);
    EXPECT_EQ(ts.bytes.substr(0, 376), Bytes(tables, 376));
    std::string first = Unhex("47 50 22 30 2D 10 00 00 00 00 7E 00") + Ff(38) +
                        Unhex("00 00 01 E0 00 00 84 80 05 21 00 01 00 01") + kFullPrefix + idr;
    EXPECT_EQ(Hex(ts.bytes.substr(376)), Hex(first));

    std::string ordinary = Nal(0x41, 60);
    EXPECT_EQ(Video(ts, ordinary, 1066), 0);
    std::string second = Unhex("47 50 22 31 63 10 00 00 0B 40 7E 00") + Ff(92) +
                         Unhex("00 00 01 E0 00 00 84 80 05 21 00 01 2E 69") + kShortPrefix + ordinary;
    EXPECT_EQ(Hex(ts.bytes.substr(564)), Hex(second));

    std::string aac = Nal(0x21, 50);
    EXPECT_EQ(Audio(ts, aac), 0);
    std::string audio = Unhex("47 50 23 30 70 00") + Ff(111) + Unhex("00 00 01 C0 00 41 84 80 05 21 00 01 2E 69") +
                        Unhex("FF F1 50 80 07 3F FC") + aac;
    EXPECT_EQ(Hex(ts.bytes.substr(752)), Hex(audio));

    EXPECT_EQ(Audio(ts, aac), 0);
    std::string next = ts.bytes.substr(940);
    EXPECT_EQ(Hex(next.substr(0, 4)), "47 50 23 31");
    EXPECT_EQ(Hex(next.substr(117 + 9, 5)), "21 00 01 3E 95") << "PTS 89";

    // Later IDR frames carry only the short prefix.
    EXPECT_EQ(Video(ts, Nal(0x65, 60), 1133), 0);
    EXPECT_EQ(Payload(ts.bytes.substr(1128)).substr(14, 10), kShortPrefix);
    EXPECT_EQ(ts.calls.size(), 6u) << "tables are written once";
}

TEST(MpegTs, EachPesFillsWholePacketsEndingWithItsLastByte)
{
    struct Case {
        const char* kind;
        uint32_t total;
        size_t packets;
        std::string lastAdaptation; // adaptation field of the padded packet; empty: none
    } cases[] = {
        {"video", 182, 1, Unhex("01 00")},
        {"video", 183, 1, Unhex("00")},
        {"video", 184, 1, ""},
        {"video", 185, 2, Unhex("B6 10 00 00 00 00 7E 00") + Ff(175)},
        {"video", 194, 2, Unhex("AD 10 00 00 00 00 7E 00") + Ff(166)},
        {"audio", 183, 1, Unhex("00")},
        {"audio", 184, 1, ""},
        {"audio", 185, 2, Unhex("B6 00") + Ff(181)},
        {"audio", 400, 3, Unhex("97 00") + Ff(150)},
    };
    for (const Case& c : cases) {
        TsMemory ts;
        MediaInfo info = Info(3);
        ts.Open(&info);
        bool video = std::string(c.kind) == "video";
        std::string body = Nal(video ? 0x41 : 0x21, c.total - (video ? 24 : 21));
        std::string pes;
        if (video) {
            ts.WriteTables();
            size_t start = ts.bytes.size();
            EXPECT_EQ(Video(ts, body, 0), 0);
            pes = ts.bytes.substr(start);
        } else {
            EXPECT_EQ(Audio(ts, body), 0);
            pes = ts.bytes;
        }
        std::vector<std::string> packets = Packets(pes);
        ASSERT_EQ(pes.size(), packets.size() * 188) << c.total;
        ASSERT_EQ(packets.size(), c.packets) << c.kind << " " << c.total;
        std::string joined;
        size_t padded = c.total / 184;
        for (size_t i = 0; i < packets.size(); ++i) {
            const std::string& p = packets[i];
            EXPECT_EQ(bool(p[1] & 0x40), i == 0) << "unit start";
            EXPECT_EQ(p[3] & 0x0F, int(i)) << "counter";
            EXPECT_EQ(bool(p[3] & 0x20), i == padded && c.total % 184 != 0) << c.total << " packet " << i;
            joined += Payload(p);
        }
        EXPECT_EQ(joined.size(), c.total);
        EXPECT_EQ(joined.substr(joined.size() - body.size()), body) << "the PES ends the last packet";
        if (!c.lastAdaptation.empty()) {
            const std::string& p = packets[padded];
            EXPECT_EQ(Hex(p.substr(4, c.lastAdaptation.size())), Hex(c.lastAdaptation)) << c.kind << " " << c.total;
        }
    }
}

TEST(MpegTs, ContinuityCountersRunModuloSixteenPerPid)
{
    TsMemory ts;
    MediaInfo info = Info(3);
    ts.Open(&info);
    Video(ts, Nal(0x65, 400), 10); // three packets
    for (int i = 0; i < 17; ++i)
        Audio(ts, Nal(0x21, 20));
    Video(ts, Nal(0x41, 20), 76);
    std::vector<std::string> packets = Packets(ts.bytes, 376);
    ASSERT_EQ(packets.size(), 3u + 17u + 1u);
    std::vector<int> video, audio;
    for (const std::string& p : packets)
        (p[2] == 0x22 ? video : audio).push_back(p[3] & 0x0F);
    EXPECT_EQ(video, (std::vector<int>{0, 1, 2, 3}));
    for (int i = 0; i < 17; ++i)
        EXPECT_EQ(audio[i], i % 16);
}

TEST(MpegTs, RefusesBuffersWithoutANalUnit)
{
    struct Case {
        const char* name;
        std::string data;
        int lengthPrefixed;
    } cases[] = {
        {"three bytes", Unhex("00 00 01"), 0},
        {"start code only", Unhex("00 00 00 01"), 0},
        {"length only", Unhex("00 00 00 05"), 1},
    };
    for (const Case& c : cases) {
        TsMemory ts;
        MediaInfo info = Info(3);
        ts.Open(&info);
        EXPECT_EQ(ts.WriteVideo(reinterpret_cast<const uint8_t*>(c.data.data()), unsigned(c.data.size()),
                                c.lengthPrefixed, 5, NULL),
                  -1)
            << c.name;
        EXPECT_TRUE(ts.calls.empty()) << c.name << ": not even the tables";
    }
}

TEST(MpegTs, EveryFormOfTheSameNalUnitGivesTheSamePackets)
{
    std::string nal = Nal(0x41, 9);
    struct Case {
        std::string data;
        int lengthPrefixed;
    } cases[] = {{Unhex("00 00 00 01") + nal, 0}, {nal, 0}, {Unhex("00 00 00 09") + nal, 1}};
    std::string expected;
    for (const Case& c : cases) {
        TsMemory ts;
        MediaInfo info = Info(3);
        ts.Open(&info);
        int kind = -1;
        EXPECT_EQ(ts.WriteVideo(reinterpret_cast<const uint8_t*>(c.data.data()), unsigned(c.data.size()),
                                c.lengthPrefixed, 40, &kind),
                  0);
        EXPECT_EQ(kind, 0);
        if (expected.empty())
            expected = ts.bytes;
        EXPECT_EQ(Hex(ts.bytes), Hex(expected));
    }
    EXPECT_EQ(Payload(expected.substr(376)).substr(14), kShortPrefix + nal);
}

TEST(MpegTs, ClassifiesFrames)
{
    struct Case {
        uint8_t header;
        int kind;
    } cases[] = {{0x65, 1}, {0x25, 1}, {0x06, 2}, {0x67, 2}, {0x68, 2}, {0x41, 0}, {0x61, 0}, {0x09, 0}};
    for (const Case& c : cases) {
        TsMemory ts;
        MediaInfo info = Info(2);
        ts.Open(&info);
        int kind = -1;
        Video(ts, Nal(c.header, 5), 10, &kind);
        EXPECT_EQ(kind, c.kind) << int(c.header);
    }
}

TEST(MpegTs, HeaderFramesNeitherSetTheBaseNorCount)
{
    TsMemory ts;
    MediaInfo info = Info(2);
    ts.Open(&info);
    Video(ts, Nal(0x06, 5), 400);  // SEI
    Video(ts, Nal(0x65, 5), 1000); // base
    Video(ts, Nal(0x41, 5), 1100);
    std::vector<std::string> packets = Packets(ts.bytes, 376);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(Hex(Payload(packets[0]).substr(9, 5)), "21 00 03 19 41") << "SEI at 400 before the base";
    EXPECT_EQ(Hex(Payload(packets[1]).substr(9, 5)), "21 00 01 00 01");
    EXPECT_EQ(Hex(Payload(packets[2]).substr(9, 5)), "21 00 01 46 51") << "100 ms";
}

TEST(MpegTs, FramesWithoutTimeFollowTheVideoClock)
{
    TsMemory ts;
    MediaInfo info = Info(2);
    info.fps = 0; // 66 ms per frame
    ts.Open(&info);
    for (int i = 0; i < 3; ++i)
        Video(ts, Nal(0x41, 5), 0);
    std::vector<std::string> packets = Packets(ts.bytes, 376);
    ASSERT_EQ(packets.size(), 3u);
    EXPECT_EQ(Hex(Payload(packets[0]).substr(9, 5)), "21 00 01 00 01");
    EXPECT_EQ(Hex(Payload(packets[1]).substr(9, 5)), "21 00 01 2E 69");
    EXPECT_EQ(Hex(Payload(packets[2]).substr(9, 5)), "21 00 01 5C D1") << "132 ms";
}

TEST(MpegTs, TablesAreRetriedAfterAFailedWrite)
{
    TsMemory ts;
    MediaInfo info = Info(3);
    ts.Open(&info);
    ts.failing = true;
    EXPECT_EQ(Video(ts, Nal(0x65, 10), 100), -1);
    EXPECT_EQ(ts.calls.size(), 1u) << "only the tables were tried";
    ts.failing = false;
    EXPECT_EQ(Video(ts, Nal(0x65, 10), 200), 0);
    EXPECT_EQ(ts.calls.size(), 3u);
    EXPECT_EQ(ts.calls[1].headLen, 376u);
    EXPECT_EQ(Hex(Payload(ts.bytes.substr(376)).substr(9, 5)), "21 00 01 00 01");
}

TEST(MpegTs, FailedPacketStopsTheFrameWithoutCountingIt)
{
    TsMemory ts;
    MediaInfo info = Info(3);
    ts.Open(&info);
    Video(ts, Nal(0x65, 10), 100);
    Audio(ts, Nal(0x21, 10));
    ts.failFromCall = ts.calls.size() + 1; // the second packet of the next frame fails
    EXPECT_EQ(Audio(ts, Nal(0x21, 300)), -1);
    EXPECT_EQ(Video(ts, Nal(0x41, 300), 200), -1);
    ts.failFromCall = size_t(-1);
    EXPECT_EQ(Audio(ts, Nal(0x21, 10)), 0);
    std::vector<std::string> packets = Packets(ts.bytes, 376);
    const std::string& last = packets.back();
    // The failed audio frame did not move the clock (PTS 23 again), and the counter went on
    // past the packets tried: 1 and 2 were spent on the failed frame.
    EXPECT_EQ(Hex(Payload(last).substr(9, 5)), "21 00 01 10 2D");
    EXPECT_EQ(last[3] & 0x0F, 3);
}

TEST(MpegTs, AudioClockStartsAtTheVideoTimeAndTakesGivenTimes)
{
    TsMemory ts;
    MediaInfo info = Info(3);
    ts.Open(&info);
    Video(ts, Nal(0x65, 10), 1000);
    Video(ts, Nal(0x41, 10), 1200);
    const unsigned given[] = {0, 0, 0, 0, 7000, 0, 0};
    // 200, 223, 246 and 270 ms (the exact 269.66 rounded), then 7000 twice and 7023.
    const char* pts[] = {"21 00 01 8C A1", "21 00 01 9C CD", "21 00 01 AC F9", "21 00 01 BD D9",
                         "21 00 27 39 E1", "21 00 27 39 E1", "21 00 27 4A 0D"};
    for (unsigned t : given)
        Audio(ts, Nal(0x21, 10), t);
    std::vector<std::string> packets = Packets(ts.bytes, 376 + 2 * 188);
    ASSERT_EQ(packets.size(), 7u);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_EQ(Hex(Payload(packets[i]).substr(9, 5)), pts[i]) << i;
}

TEST(MpegTs, VideoWithoutAudioAndAudioWithoutVideo)
{
    TsMemory videoOnly;
    MediaInfo info = Info(2);
    videoOnly.Open(&info);
    EXPECT_EQ(Video(videoOnly, Nal(0x65, 10), 10), 0);
    EXPECT_EQ(videoOnly.bytes.substr(188 + 5, 3), Unhex("02 B0 12"));

    TsMemory audioOnly;
    info = Info(1);
    audioOnly.Open(&info);
    EXPECT_EQ(Audio(audioOnly, Nal(0x21, 10)), 0);
    EXPECT_EQ(audioOnly.bytes.size(), 188u) << "audio writes no tables";
    EXPECT_EQ(Hex(Payload(audioOnly.bytes).substr(9, 5)), "21 00 01 00 01");
}

TEST(MpegTs, RefusedRecordLeavesOnlyTheShortPrefix)
{
    struct Case {
        const char* name;
        std::string record;
    } cases[] = {
        {"seven bytes", kRecord.substr(0, 7)},
        {"SPS cut", kRecord.substr(0, 12)},
        {"PPS cut", kRecord.substr(0, 16)},
    };
    for (const Case& c : cases) {
        TsMemory ts;
        EXPECT_EQ(ts.SetAvcConfig(reinterpret_cast<const uint8_t*>(c.record.data()), uint32_t(c.record.size())), -1)
            << c.name;
        MediaInfo info = Info(2, c.record);
        ts.Open(&info);
        Video(ts, Nal(0x65, 10), 10);
        EXPECT_EQ(Payload(ts.bytes.substr(376)).substr(14, 10), kShortPrefix) << c.name;
    }
    TsMemory ts;
    EXPECT_EQ(ts.SetAvcConfig(reinterpret_cast<const uint8_t*>(kRecord.data()), uint32_t(kRecord.size())), 0);
}

TEST(MpegTs, AdtsHeaderForEachRateAndChannelCount)
{
    struct Case {
        unsigned rate;
        uint8_t channels;
        unsigned len;
        const char* bytes;
    } cases[] = {
        {44100, 2, 50, "FF F1 50 80 07 3F FC"},
        {48000, 1, 300, "FF F1 4C 40 26 7F FC"},
        {8000, 2, 8184, "FF F1 6C 83 FF FF FC"},
        {96000, 7, 10, "FF F1 41 C0 02 3F FC"},
    };
    for (const Case& c : cases) {
        TsMemory ts;
        ts.SetAudioConfig(c.rate, c.channels);
        uint8_t out[7];
        ByteWriter w{out};
        ts.PutAdtsHeader(w, c.len);
        EXPECT_EQ(Hex(Bytes(out, 7)), c.bytes) << c.rate;
    }
}
