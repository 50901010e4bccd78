#include "foundation/ini.h"
#include "tests/support/host.h"

#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <string>

namespace {

// Writes text to a new file and loads it into ini.
void LoadText(TInI& ini, const std::string& text)
{
    static int counter = 0;
    std::string path = TestTempDir() + "/ini-" + std::to_string(++counter) + ".ini";
    ASSERT_TRUE(WriteHostFile(path, text));
    ini.LoadFile(WindowsPath(path).c_str());
    ASSERT_EQ(ini.status, 0);
}

std::string SavedBytes(const TInI& ini)
{
    static int counter = 0;
    std::string path = TestTempDir() + "/saved-" + std::to_string(++counter) + ".ini";
    ini.Save(WindowsPath(path).c_str());
    return ReadHostFile(path);
}

const char* Value(const TInI& ini, const char* section, const char* key)
{
    TInISection* s = ini.FindSection(section);
    if (!s)
        return nullptr;
    int i = s->FindEntry(key);
    return i < 0 ? nullptr : s->entries.data[i].value;
}

} // namespace

// One row per parsing rule: the file text, then the lookup and the value it must give (nullptr:
// no such entry).
TEST(TInI, ParsesEachRuleOfTheSyntax)
{
    struct Case {
        const char* text;
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"[Main]\r\nphone=1\r\n", "Main", "phone", "1"},
        {"[Main]\r\nphone=1\r\n", "MAIN", "PHONE", "1"},
        {"[Main]\nphone = 1", "Main", "phone", "1"},                   // LF only, no final break
        {"phone=1\r\n[Main]\r\n", "Main", "phone", nullptr},           // before any section: dropped
        {"[Main]\r\nphone=\r\n", "Main", "phone", ""},                 // empty value
        {"[Main]\r\nk = v ; note\r\n", "Main", "k", "v"},
        {"[Main]\r\nk = v;note\r\n", "Main", "k", "v;note"},
        {"[Main]\r\n; k = v\r\n", "Main", "k", nullptr},               // comment line
        {"[Main]\r\n  ;k=v\r\n", "Main", ";k", nullptr},
        {"[Main]\r\nkey ;word = value\r\n", "Main", "key", "value"},
        {"[Main]\r\nk = \"a ;b\"\r\n", "Main", "k", "\"a"},            // cut, opening quote kept
        {"[Main]\r\n\"a=b\" = c\r\n", "Main", "\"a=b\"", "c"},         // quoted key keeps its quotes
        {"[Main]\r\nk = \"  padded  \"\r\n", "Main", "k", "  padded  "},
        {"[Main]\r\nk = \"\r\n", "Main", "k", ""},                     // lone quote
        {"[Main]\r\nk = \"a\\\\b\\\"c\"\r\n", "Main", "k", "a\\b\"c"}, // escapes in quotes
        {"[Main]\r\nk = a\\b\r\n", "Main", "k", "a\\b"},               // bare backslash is plain
        {"[Main]\r\nk = one\\\r\ntwo\r\n", "Main", "k", "onetwo"},     // continued, CR LF
        {"[Main]\r\nk = one\\\ntwo\n", "Main", "k", "onetwo"},         // continued, LF
        {"[Main]\r\nk = one\\\n\rtwo\n", "Main", "k", "onetwo"},       // continued, LF CR
        {"[Main]\r\nk = \"one\\\r\ntwo\"\r\n", "Main", "k", "onetwo"}, // continued inside quotes
        {"[Main]\r\nk = C:\\a\\\r\nb\\c\r\n", "Main", "k", "C:abc"},   // continued path loses all
        {"[Main]\r\nk = one\\\n\nk2 = x\n", "Main", "k", "one"},       // LF LF ends the line
        {"[Main]\r\nk = one\\\n\nk2 = x\n", "Main", "k2", "x"},
        {"[Main]\r\nk = a = b\r\n", "Main", "k", "a = b"},             // second "=" is plain
        {"[Main]\r\n\tk = v\r\n", "Main", "\tk", "v"},                 // tab belongs to the key
        {"[Main]\r\nk = 1\r\nk = 2\r\n", "Main", "k", "1"},            // first of duplicates
        {"[]\r\nk = v\r\n", "", "k", "v"},                             // empty section name
        {"[ Main ]\r\nk = v\r\n", " Main ", "k", "v"},
        {"[ Main ]\r\nk = v\r\n", "Main", "k", nullptr},
        {"[Main] x\r\nk = v\r\n", "Main", "k", nullptr},               // text after "]"
        {"[\r\nk = v\r\n", "", "k", nullptr},                          // lone "["
        {"  [Main]  ; c\r\nk = v\r\n", "Main", "k", "v"},
        {"[Main]\r\n[Other]\r\n[main]\r\nk = v\r\n", "Main", "k", "v"}, // sections meet again
        {"[Main]\r\nk = v\r\n[Main]", "Main", "k", "v"},                // unterminated header ignored
    };
    for (const Case& c : cases) {
        TInI ini;
        LoadText(ini, c.text);
        const char* got = Value(ini, c.section, c.key);
        if (!c.value)
            EXPECT_EQ(got, nullptr) << c.text;
        else if (!got)
            ADD_FAILURE() << "missing entry for " << c.text;
        else
            EXPECT_STREQ(got, c.value) << c.text;
    }
}

TEST(TInI, GetIntReadsDecimalAndHexAndFallsBackToTheDefault)
{
    TInI ini;
    LoadText(ini, "[Main]\r\nphone=1\r\nh1=0x1F\r\nh2=0X10\r\nneg=-7\r\ntail=12ab\r\n"
                  "none=abc\r\nempty=\r\nbig=99999999999\r\n");
    struct Case {
        const char* section;
        const char* key;
        int expected;
    } cases[] = {
        {"Main", "phone", 1}, {"MAIN", "PHONE", 1}, {"Main", "missing", 5}, {"Other", "phone", 5},
        {"Main", "h1", 31},   {"Main", "h2", 16},   {"Main", "neg", -7},    {"Main", "tail", 12},
        {"Main", "none", 0},  {"Main", "empty", 0}, {"Main", "big", 2147483647},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ini.GetInt(c.section, c.key, 5), c.expected) << c.section << "/" << c.key;
    EXPECT_STREQ(ini.GetString("Main", "empty"), "");
    EXPECT_STREQ(ini.GetString("Main", "missing"), "");
    EXPECT_STREQ(ini.GetString("Nope", "phone"), "");
    EXPECT_STREQ(ini.GetString("main", "h1"), "0x1F");
}

TEST(TInI, LoadedStringsPointIntoTheBufferAndSetValuesAreCopies)
{
    TInI ini;
    LoadText(ini, "[Main]\r\nk = v\r\n");
    TInISection* s = ini.FindSection("Main");
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(s->Owns(s->name));
    EXPECT_FALSE(s->Owns(s->entries.data[0].value));
    std::string text = "new value";
    s->SetValue("K", text.c_str());
    text = "changed";
    EXPECT_STREQ(ini.GetString("Main", "k"), "new value");
    EXPECT_TRUE(s->Owns(s->entries.data[0].value));
    s->SetValue("added", "x");
    s->SetValue("", "ignored");
    s->SetValue("nulled", nullptr);
    ASSERT_EQ(s->entries.count, 3u);
    EXPECT_EQ(s->entries.data[2].value, nullptr);
    EXPECT_EQ(ini.GetInt("Main", "nulled", 9), 9);
    EXPECT_EQ(ini.GetSection("MAIN"), s);
    TInISection* other = ini.GetSection("Other");
    EXPECT_TRUE(other->Owns(other->name));
    EXPECT_EQ(ini.sections.count, 2u);
}

TEST(TInI, WritesTheExactBytes)
{
    TInI ini;
    ini.GetSection("Main")->SetValue("phone", "1");
    EXPECT_EQ(SavedBytes(ini), "[Main]\r\nphone = 1\r\n");

    ini.GetSection("Main")->SetValue("path", "C:\\a \"b\"");
    ini.GetSection("Main")->SetValue("none", nullptr);
    ini.GetSection("Empty");
    ini.GetSection("Last")->SetValue("x", "  y  ");
    EXPECT_EQ(SavedBytes(ini), "[Main]\r\nphone = 1\r\npath = \"C:\\\\a \\\"b\\\"\"\r\nnone = \r\n"
                               "[Empty]\r\n[Last]\r\nx =   y  \r\n");
}

TEST(TInI, WrittenValuesReadBackUnchangedExceptBareBlanks)
{
    struct Case {
        const char* written;
        const char* readBack;
    } cases[] = {
        {"plain", "plain"},
        {"C:\\Users\\me\\Videos\\", "C:\\Users\\me\\Videos\\"},
        {"say \"hi\"", "say \"hi\""},
        {"\\\\server\\share", "\\\\server\\share"},
        {"\"", "\""},
        {"\\", "\\"},
        {" lead\\ ", " lead\\ "},
        {"  bare  ", "bare"},
        {"", ""},
    };
    TInI out;
    int n = 0;
    for (const Case& c : cases)
        out.GetSection("S")->SetValue(("k" + std::to_string(n++)).c_str(), c.written);
    std::string path = TestTempDir() + "/roundtrip.ini";
    out.Save(WindowsPath(path).c_str());
    TInI in;
    in.LoadFile(WindowsPath(path).c_str());
    n = 0;
    for (const Case& c : cases)
        EXPECT_STREQ(in.GetString("S", ("k" + std::to_string(n++)).c_str()), c.readBack) << c.written;
}

TEST(TInI, DuplicateKeysAreKeptAndBothWritten)
{
    TInI ini;
    LoadText(ini, "[Main]\r\nk = 1\r\nK = 2\r\n");
    EXPECT_EQ(ini.GetInt("Main", "k", 0), 1);
    EXPECT_EQ(SavedBytes(ini), "[Main]\r\nk = 1\r\nK = 2\r\n");
}

TEST(TInI, ParserHelpersFollowTheirRules)
{
    struct Case {
        const char* text;
        bool escaped;
        const char* trimmed;
    } trims[] = {
        {"  a b  ", false, "a b"},  {"a\\b", false, "a\\b"},    {"a\\\\b", true, "a\\b"},
        {"a\\", true, "a"},         {"a\\\r", true, "a"},       {"a\\\r\nb", true, "ab"},
        {"a\\\r\n", true, "a"},     {"a\\\rb", true, "ab"},     {"a\\\"b", true, "a\"b"},
    };
    for (const Case& c : trims) {
        std::string text = c.text;
        EXPECT_STREQ(TInI::TrimToken(&text[0], c.escaped), c.trimmed) << c.text;
    }
    struct Quote {
        const char* text;
        const char* unquoted;
    } quotes[] = {{"\"ab\"", "ab"}, {"\"", ""}, {"\"ab", "\"ab"}, {"ab\"", "ab\""}, {"", ""}};
    for (const Quote& q : quotes) {
        std::string text = q.text;
        EXPECT_STREQ(TInI::Unquote(&text[0]), q.unquoted) << q.text;
    }
}

TEST(TInI, LoadsUpTo64MiBAndRefusesOneByteMore)
{
    const size_t limit = 67108864;
    std::string path = TestTempDir() + "/big.ini";
    // A section header and one entry, padded with blanks to the size wanted.
    std::string head = "[Main]\r\nk = 7\r\n";
    std::string text = head + std::string(limit - head.size(), ' ');
    ASSERT_TRUE(WriteHostFile(path, text));
    {
        TInI ini;
        ini.LoadFile(WindowsPath(path).c_str());
        EXPECT_EQ(ini.status, 0);
        EXPECT_EQ(ini.bufferSize, limit + 2);
        EXPECT_EQ(ini.GetInt("Main", "k", 0), 7);
    }
    text += ' ';
    ASSERT_TRUE(WriteHostFile(path, text));
    text.clear();
    text.shrink_to_fit();
    TInI ini;
    ini.LoadFile(WindowsPath(path).c_str());
    EXPECT_EQ(ini.status, -2);
    EXPECT_EQ(ini.sections.count, 0u);
    EXPECT_EQ(ini.GetInt("Main", "k", 3), 3);
    RunHost("rm -f " + ShellQuote(path));
}

TEST(TInI, MissingAndEmptyFilesLeaveNoSections)
{
    TInI missing;
    missing.LoadFile(WindowsPath(TestTempDir() + "/does-not-exist.ini").c_str());
    EXPECT_EQ(missing.status, -1);
    EXPECT_EQ(missing.sections.count, 0u);
    EXPECT_STREQ(missing.GetString("Main", "k"), "");

    std::string path = TestTempDir() + "/empty.ini";
    ASSERT_TRUE(WriteHostFile(path, ""));
    FILE* file = fopen(WindowsPath(path).c_str(), "rb");
    ASSERT_NE(file, nullptr);
    TInI empty;
    EXPECT_FALSE(empty.Load(file));
    fclose(file);
    EXPECT_EQ(empty.status, 0);
    EXPECT_EQ(empty.bufferSize, 2u);
    EXPECT_EQ(empty.sections.count, 0u);
}

TEST(TInI, ALoadedModelSavesWhatItRead)
{
    TInI ini;
    LoadText(ini, "; settings\r\n[Main]\r\nphone = 1 ; mic\r\nname = \"a\\\\b\"\r\n\r\n[Area]\r\nx=0x10\r\n");
    ini.GetSection("Area")->SetValue("y", "5");
    EXPECT_EQ(SavedBytes(ini), "[Main]\r\nphone = 1\r\nname = \"a\\\\b\"\r\n[Area]\r\nx = 0x10\r\ny = 5\r\n");
}

TEST(TInI, SaveToAnUnopenableFileWritesNothing)
{
    TInI ini;
    ini.GetSection("Main")->SetValue("k", "v");
    std::string dir = NewTempDir("ini-dir");
    ini.Save(WindowsPath(dir).c_str());  // a folder cannot be opened as a file
    ini.Save(WindowsPath(dir + "/no/such/folder/x.ini").c_str());
    EXPECT_EQ(RunHost("ls -A " + ShellQuote(dir)).output, "");
}

// Random texts of the syntax's own characters, parsed in a buffer whose spare byte is the last
// readable one (an inaccessible page follows), so a read past the buffer faults. Seeded: a failure
// names the text that replays it.
TEST(TInI, ParsesAnyTextWithinItsBuffer)
{
    const char alphabet[] = " \\\";=[]\r\n\tab0x";
    const size_t page = 4096;
    BYTE* block = (BYTE*)VirtualAlloc(NULL, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    ASSERT_NE(block, nullptr);
    DWORD old;
    VirtualProtect(block + page, page, PAGE_NOACCESS, &old);
    uint64_t state = 12345;
    for (int round = 0; round < 4000; ++round) {
        std::string text;
        size_t length = (size_t)(round % 97) + 1;
        for (size_t i = 0; i < length; ++i) {
            state = state * 6364136223846793005ull + 1442695040888963407ull;
            text += alphabet[(state >> 33) % (sizeof(alphabet) - 1)];
        }
        if (round % 5 == 0)
            text = "[S]\r\n" + text;
        // The text, its NUL and the spare byte, as a load lays them out.
        char* buffer = (char*)block + page - (text.size() + 2);
        memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = buffer[text.size() + 1] = '\0';
        TInI ini;
        ini.buffer = buffer;
        ini.bufferSize = (unsigned)text.size() + 2;
        ini.Parse();
        for (size_t i = 0; i < ini.sections.count; ++i) {
            TInISection* s = ini.sections.data[i];
            ASSERT_FALSE(s->Owns(s->name)) << "round " << round;
            for (size_t j = 0; j < s->entries.count; ++j) {
                ASSERT_GT(strlen(s->entries.data[j].name), 0u) << "round " << round;
                ASSERT_FALSE(s->Owns(s->entries.data[j].value)) << "round " << round;
            }
        }
        ini.GetInt("S", "a", 0);
        std::string saved = SavedBytes(ini);
        TInI again;
        LoadText(again, saved);
        EXPECT_EQ(again.sections.count, ini.sections.count) << "round " << round;
        ini.buffer = nullptr;  // the block is not the model's to delete
    }
    VirtualFree(block, 0, MEM_RELEASE);
}
