// Output file names in a real folder: the default numbered name, the container extension and
// the free variant of a taken name.
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "app/file_naming.h"

namespace {

// The fixtures live on the Wine prefix's drive C:, in a folder whose every character the test
// chooses: the functions take any dot in a path for the extension's, and the checkout (and so
// the build folder) may sit in a folder whose path holds dots or spaces.
const wchar_t kRoot[] = L"C:\\file-naming";

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

void RemoveTree(const std::wstring& path)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path + L"\\" + name);
            else
                DeleteFileW((path + L"\\" + name).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(path.c_str());
}

// Makes a file, or a folder when the path ends in '/'.
void MakeEntry(const std::wstring& path)
{
    if (path.back() == L'/') {
        EXPECT_TRUE(CreateDirectoryW(path.substr(0, path.size() - 1).c_str(), NULL)) << path.size();
        return;
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

// A fresh folder holding the given entries ("name" a file, "name/" a folder).
struct Folder {
    std::wstring windows;

    Folder(const std::string& name, const std::vector<std::string>& entries)
    {
        static int counter = 0;
        if (counter == 0) {
            RemoveTree(kRoot); // a previous run's
            EXPECT_TRUE(CreateDirectoryW(kRoot, NULL));
        }
        windows = std::wstring(kRoot) + L"\\" + Wide(name) + L"-" + std::to_wstring(++counter);
        EXPECT_TRUE(CreateDirectoryW(windows.c_str(), NULL));
        for (const std::string& e : entries)
            MakeEntry(windows + L"\\" + Wide(e));
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
    std::wstring folder = Folder("long", {}).windows;
    for (size_t left = 247 - folder.size(); left > 0;) {
        size_t segment = left - 1 < 90 ? left - 1 : 90; // each segment costs a separator too
        if (left - (segment + 1) == 1)
            --segment; // never leave room for a separator alone
        folder += L"\\" + std::wstring(segment, L'x');
        MakeEntry(folder + L"/");
        left -= segment + 1;
    }
    ASSERT_EQ(folder.size(), 247u);
    for (int i = 1; i <= 9; ++i)
        MakeEntry(folder + L"\\record" + std::to_wstring(i) + L".flv");
    EXPECT_TRUE(FileExists((folder + L"\\record9.flv").c_str()));

    std::vector<wchar_t> buffer(MAX_PATH + 8, L'#');
    EXPECT_FALSE(MakeDefaultFileName(folder.c_str(), buffer.data(), L"record", L"flv"));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(buffer[MAX_PATH], L'#');

    ASSERT_TRUE(DeleteFileW((folder + L"\\record5.flv").c_str()));
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
