// Output file names in a real folder: the default numbered name, the container extension and
// the free variant of a taken name.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/file_naming.h"
#include "tests/support/host.h"

namespace {

// A fresh folder holding the given files (a trailing '/' makes a folder instead).
struct Folder {
    std::string unix;
    std::wstring windows;

    Folder(const std::string& name, const std::vector<std::string>& entries)
    {
        unix = NewTempDir(name);
        windows = WindowsPathW(unix);
        for (const std::string& e : entries) {
            std::string path = ShellQuote(unix + "/" + e);
            RunHost(e.back() == '/' ? "mkdir -p " + path : "touch " + path, 10000);
        }
    }
    std::wstring operator/(const wchar_t* name) const { return windows + L"\\" + name; }
};

std::wstring DefaultName(const std::wstring& folder)
{
    wchar_t buffer[MAX_PATH];
    MakeDefaultFileName(folder.c_str(), buffer, L"record", L"flv");
    return buffer;
}

} // namespace

TEST(FileNaming, TempFolderHasNoDot)
{
    // The cases below rely on the only dots being the ones they write.
    EXPECT_EQ(TestTempDir().find('.'), std::string::npos) << TestTempDir();
}

TEST(FileNaming, FileExistsFindsFilesFoldersAndPatterns)
{
    Folder f("exists", {"clip.flv", "sub/"});
    struct Case {
        std::wstring path;
        BOOL expected;
    } cases[] = {
        {f / L"clip.flv", TRUE},
        {f / L"CLIP.FLV", TRUE}, // the file system ignores case
        {f / L"sub", TRUE},
        {f / L"cl*", TRUE},
        {f / L"missing.flv", FALSE},
        {f / L"missing\\clip.flv", FALSE},
        {L"", FALSE},
        {L"Q:\\nothing\\x", FALSE}, // a drive that is not there
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileExists(c.path.c_str()), c.expected) << std::string(c.path.begin(), c.path.end());
}

TEST(FileNaming, DefaultNameIsTheFirstFreeNumber)
{
    struct Case {
        const char* name;
        std::vector<std::string> entries;
        const wchar_t* expected;
    } cases[] = {
        {"empty", {}, L"record1.flv"},
        {"two", {"record1.flv", "record2.flv"}, L"record3.flv"},
        {"gap", {"record2.flv"}, L"record1.flv"},
        {"folder", {"record1.flv/"}, L"record2.flv"}, // a folder counts as taken
        {"other", {"record1.ts", "Record2.flv"}, L"record1.flv"},
    };
    for (const Case& c : cases) {
        Folder f(c.name, c.entries);
        wchar_t buffer[MAX_PATH];
        EXPECT_TRUE(MakeDefaultFileName(f.windows.c_str(), buffer, L"record", L"flv")) << c.name;
        EXPECT_EQ(std::wstring(buffer), f / c.expected) << c.name;
    }
    EXPECT_EQ(DefaultName(L"C:\\v"), L"C:\\v\\record1.flv");
}

TEST(FileNaming, LongFolderNeverWritesPastTheBuffer)
{
    const int kCanary = 40;
    struct Case {
        int folderLength;
        bool fits;
    } cases[] = {{247, true}, {248, false}, {259, false}, {400, false}};
    for (const Case& c : cases) {
        std::wstring folder = L"Q:\\" + std::wstring(c.folderLength - 3, L'd');
        ASSERT_EQ((int)folder.size(), c.folderLength);
        std::vector<wchar_t> buffer(MAX_PATH + kCanary, L'#');
        BOOL ok = MakeDefaultFileName(folder.c_str(), buffer.data(), L"record", L"flv");
        for (int i = MAX_PATH; i < MAX_PATH + kCanary; ++i)
            ASSERT_EQ(buffer[i], L'#') << c.folderLength;
        if (c.fits) {
            EXPECT_TRUE(ok);
            EXPECT_EQ(std::wstring(buffer.data()), folder + L"\\record1.flv");
            EXPECT_EQ(wcslen(buffer.data()), (size_t)MAX_PATH - 1);
        } else {
            EXPECT_FALSE(ok) << c.folderLength;
            EXPECT_EQ(buffer[0], 0) << c.folderLength; // no partial path
        }
    }
}

TEST(FileNaming, LongFolderStopsWhenTheNextNumberNoLongerFits)
{
    // A real folder of 247 characters: record1 to record9 fit exactly, record10 would not.
    Folder base("long", {});
    std::string unix = base.unix;
    for (size_t left = 247 - WindowsPathW(unix).size(); left > 0;) {
        size_t segment = left - 1 < 90 ? left - 1 : 90; // each segment costs a separator too
        if (left - (segment + 1) == 1)
            --segment; // never leave room for a separator alone
        unix += "/" + std::string(segment, 'x');
        left -= segment + 1;
    }
    ASSERT_EQ(WindowsPathW(unix).size(), 247u);
    std::string touch = "mkdir -p " + ShellQuote(unix) + " && cd " + ShellQuote(unix) + " && touch";
    for (int i = 1; i <= 9; ++i)
        touch += " record" + std::to_string(i) + ".flv";
    ASSERT_EQ(RunHost(touch, 10000).exitCode, 0);
    std::wstring folder = WindowsPathW(unix);
    EXPECT_TRUE(FileExists((folder + L"\\record9.flv").c_str()));

    std::vector<wchar_t> buffer(MAX_PATH + 8, L'#');
    EXPECT_FALSE(MakeDefaultFileName(folder.c_str(), buffer.data(), L"record", L"flv"));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[MAX_PATH], L'#');

    RunHost("rm " + ShellQuote(unix + "/record5.flv"), 10000);
    EXPECT_TRUE(MakeDefaultFileName(folder.c_str(), buffer.data(), L"record", L"flv"));
    EXPECT_EQ(std::wstring(buffer.data()), folder + L"\\record5.flv");
}

TEST(FileNaming, FixFileExtensionKeepsContainerExtensionsAndAppendsOtherwise)
{
    struct Case {
        const wchar_t* path;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\v\\clip.TS", L"C:\\v\\clip.TS"},
        {L"C:\\v\\clip.Flv", L"C:\\v\\clip.Flv"},
        {L"Clip.FLV", L"Clip.FLV"},
        {L"C:\\v\\clip.ts", L"C:\\v\\clip.ts"},
        {L"C:\\v\\clip.avi", L"C:\\v\\clip.avi.flv"},
        {L"clip.mp4", L"clip.mp4.flv"},
        {L"C:\\v\\clip", L"C:\\v\\clip.flv"},
        {L"C:\\my.videos\\clip", L"C:\\my.videos\\clip.flv"},
        {L"clip.", L"clip..flv"},
        {L".ts", L".ts.flv"},
        {L"", L".flv"},
        {L"clip.tsx", L"clip.tsx.flv"},
        {L"clip.f", L"clip.f.flv"},
    };
    for (const Case& c : cases) {
        FwString path(c.path);
        FixFileExtension(path);
        EXPECT_STREQ(path.Text(), c.expected) << std::wstring(c.path).size();
    }
}

TEST(FileNaming, UniqueNameRestartsTheNumberAfterTheStem)
{
    struct Case {
        const char* name;
        std::vector<std::string> entries;
        const wchar_t* given;
        const wchar_t* expected;
    } cases[] = {
        {"free", {"clip.flv"}, L"clip.flv", L"clip1.flv"},
        {"taken", {"clip.flv", "clip1.flv"}, L"clip.flv", L"clip2.flv"},
        {"mp4", {}, L"clip.mp4.flv", L"clip.mp1.flv"},
        {"digits", {}, L"2024.ts", L"1.ts"},
        {"successor", {"record1.flv", "record2.flv", "record3.flv"}, L"record3.flv", L"record4.flv"},
        {"restart", {"record3.flv"}, L"record3.flv", L"record1.flv"},
        {"dir", {"clip1.flv/"}, L"clip.flv", L"clip2.flv"},
        {"case", {"CLIP1.TS"}, L"clip.ts", L"clip2.ts"},
    };
    for (const Case& c : cases) {
        Folder f(c.name, c.entries);
        FwString given((f / c.given).c_str());
        FwString unique = MakeUniqueFileName(given, L"flv");
        EXPECT_EQ(std::wstring(unique.Text()), f / c.expected) << c.name;
        EXPECT_STREQ(given.Text(), (f / c.given).c_str()); // the argument stays as it was
    }
}

TEST(FileNaming, UniqueNameWithoutADotAppendsTheExtensionWithoutLooking)
{
    Folder f("nodot", {"plain.flv"});
    EXPECT_EQ(std::wstring(MakeUniqueFileName((f / L"plain").c_str(), L"flv").Text()), f / L"plain.flv");
    EXPECT_STREQ(MakeUniqueFileName(L".hidden", L"flv").Text(), L".hidden.flv");
    EXPECT_STREQ(MakeUniqueFileName(L"", L"flv").Text(), L".flv");
}
