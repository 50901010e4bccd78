#include "media/media_file_writer.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "media/media_info.h"
#include "tests/media/memory_writer.h"
#include "tests/support/host.h"
#include "tests/support/log_capture.h"

namespace {

// Under Wine this is Linux's /dev/full: it opens, and every write to it fails.
const char* kFullDevice = "Z:\\dev\\full";

MediaInfo Info(uint8_t flags)
{
    return TestInfo(flags, 320, 240);
}

std::string Nal(uint8_t header, size_t len)
{
    std::string nal(len, '\x33');
    nal[0] = char(header);
    return nal;
}

template <class W>
int Video(W& writer, const std::string& nal, unsigned timeMs)
{
    return writer.WriteVideo(reinterpret_cast<const uint8_t*>(nal.data()), unsigned(nal.size()), 0, timeMs, NULL);
}

template <class W>
int Audio(W& writer, size_t len)
{
    std::string frame(len, '\x21');
    return writer.WriteAudio(reinterpret_cast<const uint8_t*>(frame.data()), unsigned(len), 0);
}

// Memory the process may not read: a write from it fails inside the C runtime's fwrite.
struct UnreadablePage {
    UnreadablePage() : data(static_cast<uint8_t*>(VirtualAlloc(NULL, 65536, MEM_RESERVE | MEM_COMMIT, PAGE_NOACCESS))) {}
    ~UnreadablePage() { VirtualFree(data, 0, MEM_RELEASE); }
    uint8_t* data;
};

} // namespace

TEST(MediaFileWriter, WithoutAFileEveryWriteFailsSilently)
{
    LogCapture log;
    MediaFileWriter<Flv_Package> flv;
    MediaFileWriter<Mpeg_TS> ts;
    EXPECT_EQ(flv.WriteBytes("x", 1, NULL, 0), -1);
    EXPECT_EQ(ts.WriteBytes("x", 1, "y", 1), -1);
    MediaInfo info = Info(3);
    EXPECT_EQ(ts.Open(&info), 0);
    EXPECT_EQ(Video(ts, Nal(0x65, 10), 10), -1);
    EXPECT_TRUE(log.Lines().empty());
}

TEST(MediaFileWriter, MissingFolderIsReportedAndLaterWritesFail)
{
    std::string path = WindowsPath(NewTempDir("missing") + "/no/such/folder/out.flv");
    LogCapture log;
    {
        MediaFileWriter<Flv_Package> flv;
        EXPECT_EQ(flv.OpenFile(path.c_str()), 0);
        EXPECT_EQ(log.Count("Can't open " + path), 1);
        MediaInfo info = Info(3);
        EXPECT_EQ(flv.Open(&info), 0);
        EXPECT_EQ(Video(flv, Nal(0x65, 1000), 10), -1) << "the first flush fails";
        EXPECT_EQ(Audio(flv, 10), 0) << "still buffered";
    }
    {
        MediaFileWriter<Mpeg_TS> ts;
        EXPECT_EQ(ts.OpenFile(path.c_str()), 0);
        MediaInfo info = Info(3);
        EXPECT_EQ(ts.Open(&info), 0);
        EXPECT_EQ(Video(ts, Nal(0x65, 10), 10), -1);
        EXPECT_EQ(Audio(ts, 10), -1);
    }
    EXPECT_EQ(log.Count("Can't open " + path), 2);
    EXPECT_EQ(log.Count("write file error"), 0) << "failures without a file are not logged";
}

TEST(MediaFileWriter, EveryWriteToAFullDeviceFailsOnceWithOneLogLine)
{
    LogCapture log;
    {
        MediaFileWriter<Flv_Package> flv;
        ASSERT_EQ(flv.OpenFile(kFullDevice), 1);
        MediaInfo info = Info(3);
        EXPECT_EQ(flv.Open(&info), 0);
        EXPECT_EQ(Video(flv, Nal(0x65, 100), 10), 0) << "buffered";
        EXPECT_EQ(Video(flv, Nal(0x41, 1000), 76), -1);
        EXPECT_EQ(log.Count("write file error"), 1);
        EXPECT_EQ(Video(flv, Nal(0x41, 1000), 142), -1);
        EXPECT_EQ(log.Count("write file error"), 2);
        for (int i = 0; i < 30; ++i)
            Audio(flv, 200);
        EXPECT_GT(log.Count("write file error"), 2);
        int before = log.Count("write file error");
        // The writer still finishes: the last flush fails once more, and it is closed.
        EXPECT_EQ(flv.Finish(NULL), -1);
        EXPECT_EQ(log.Count("write file error"), before + 1);
    }
    EXPECT_EQ(log.Count("write file error2"), 0);

    LogCapture tsLog;
    {
        MediaFileWriter<Mpeg_TS> ts;
        ASSERT_EQ(ts.OpenFile(kFullDevice), 1);
        MediaInfo info = Info(3);
        ts.Open(&info);
        struct Step {
            bool video;
            size_t len;
        } steps[] = {{true, 10}, {true, 5000}, {false, 300}, {false, 10}, {true, 10}};
        int failures = 0;
        for (const Step& s : steps) {
            EXPECT_EQ(s.video ? Video(ts, Nal(0x65, s.len), 10) : Audio(ts, s.len), -1);
            EXPECT_EQ(tsLog.Count("write file error"), ++failures) << "one line per failed call";
        }
    }
    EXPECT_EQ(tsLog.Lines().size(), 5u) << "closing adds nothing";
}

TEST(MediaFileWriter, FailedBodyLogsTheSecondMessageOnly)
{
    std::string dir = NewTempDir("body");
    UnreadablePage page;
    LogCapture log;
    MediaFileWriter<Mpeg_TS> ts;
    ASSERT_EQ(ts.OpenFile(WindowsPath(dir + "/direct.bin").c_str()), 1);
    EXPECT_EQ(ts.WriteBytes("head", 4, page.data, 100), -1);
    EXPECT_EQ(log.Count("write file error2"), 1);
    EXPECT_EQ(log.Count("write file error"), 0);
    EXPECT_EQ(ts.WriteBytes("next", 4, "body", 4), 0);

    // The FLV writer hands a large payload over uncopied, as the body of its flush.
    MediaFileWriter<Flv_Package> flv;
    ASSERT_EQ(flv.OpenFile(WindowsPath(dir + "/body.flv").c_str()), 1);
    MediaInfo info = Info(2);
    flv.Open(&info);
    EXPECT_EQ(Video(flv, Nal(0x65, 10), 10), 0);
    // A length-prefixed frame whose first bytes (length and NAL header) are readable and whose
    // payload runs into memory that is not.
    uint8_t* readable = static_cast<uint8_t*>(VirtualAlloc(NULL, 2 * 65536, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    ASSERT_NE(readable, nullptr);
    DWORD old;
    ASSERT_TRUE(VirtualProtect(readable + 4096, 65536, PAGE_NOACCESS, &old));
    uint8_t* frame = readable + 4096 - 8;
    memcpy(frame, "\x00\x00\x07\xCC\x41\x9A\x22\x11", 8);
    EXPECT_EQ(flv.WriteVideo(frame, 2000, 1, 76, NULL), -1);
    EXPECT_EQ(log.Count("write file error2"), 2);
    EXPECT_EQ(log.Count("write file error"), 0);
    VirtualFree(readable, 0, MEM_RELEASE);
}

TEST(MediaFileWriter, SecondFileFinishesTheFirst)
{
    std::string dir = NewTempDir("second");
    MediaFileWriter<Flv_Package> flv;
    ASSERT_EQ(flv.OpenFile(WindowsPath(dir + "/first.flv").c_str()), 1);
    MediaInfo info = Info(2);
    flv.Open(&info);
    Video(flv, Nal(0x65, 10), 1000);
    Video(flv, Nal(0x41, 10), 62999);
    ASSERT_EQ(flv.OpenFile(WindowsPath(dir + "/second.flv").c_str()), 1);
    std::string first = ReadHostFile(dir + "/first.flv");
    ASSERT_GT(first.size(), 61u);
    EXPECT_EQ(Hex(first.substr(52, 9)), "00 40 4E 80 00 00 00 00 00") << "61.998 s count as 61";
    EXPECT_EQ(ReadHostFile(dir + "/second.flv").size(), 0u);
}

TEST(MediaFileWriter, DurationIsTheLastVideoTimeInWholeSeconds)
{
    struct Case {
        unsigned lastMs;
        const char* bytes;
    } cases[] = {
        {400, "00 00 00 00 00 00 00 00 00"},
        {2999, "00 40 00 00 00 00 00 00 00"},
        {3000, "00 40 08 00 00 00 00 00 00"},
        {61999, "00 40 4E 80 00 00 00 00 00"},
    };
    std::string dir = NewTempDir("duration");
    for (const Case& c : cases) {
        std::string path = dir + "/d" + std::to_string(c.lastMs) + ".flv";
        {
            MediaFileWriter<Flv_Package> flv;
            ASSERT_EQ(flv.OpenFile(WindowsPath(path).c_str()), 1);
            MediaInfo info = Info(3);
            flv.Open(&info);
            Video(flv, Nal(0x65, 10), 1);
            Audio(flv, 10);
            Video(flv, Nal(0x41, 10), 1 + c.lastMs);
        }
        std::string file = ReadHostFile(path);
        ASSERT_GT(file.size(), 61u);
        EXPECT_EQ(Hex(file.substr(52, 9)), c.bytes) << c.lastMs;
        EXPECT_EQ(Hex(file.substr(file.size() - 4)), "00 00 00 1E") << "the buffer reached the file";
    }
}

TEST(MediaFileWriter, OpensUtf8PathsUnderTheirOwnName)
{
    std::string dir = NewTempDir("utf8");
    std::string name = "\xE5\xBD\x95\xE5\x83\x8F caf\xC3\xA9.ts"; // 录像 café.ts
    {
        MediaFileWriter<Mpeg_TS> ts;
        ASSERT_EQ(ts.OpenFile(WindowsPath(dir + "/" + name).c_str()), 1);
        MediaInfo info = Info(2);
        ts.Open(&info);
        EXPECT_EQ(Video(ts, Nal(0x65, 10), 10), 0);
    }
    HostResult r = RunHost("stat -c %s " + ShellQuote(dir + "/" + name));
    EXPECT_EQ(r.exitCode, 0) << r.output;
    EXPECT_EQ(r.output, "564\n");
}
