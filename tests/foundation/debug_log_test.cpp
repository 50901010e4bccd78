#include "foundation/debug_log.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>

#include "tests/support/log_capture.h"

TEST(DebugLog, WritesTimeLevelLetterAndMessage)
{
    struct Case {
        int level;
        char letter;
    } cases[] = {{LOG_VERBOSE, 'V'}, {LOG_INFO, 'I'}, {LOG_WARNING, 'W'}, {LOG_ERROR, 'E'}};
    for (const Case& c : cases) {
        LogCapture log;
        DebugLog(c.level, __FILE__, __LINE__, "value %d and %s", 42, "text");
        ASSERT_EQ(log.Lines().size(), 1u);
        std::string line = log.Lines()[0];
        std::regex shape(std::string("\\[[0-2][0-9]:[0-5][0-9]:[0-5][0-9] [0-9]{3}\\]") + c.letter +
                         "--value 42 and text\n");
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
    }
}

TEST(DebugLog, CutsMessagesAfter1023Bytes)
{
    struct Case {
        size_t length;
        size_t printed;
    } cases[] = {{1022, 1022}, {1023, 1023}, {1024, 1023}, {5000, 1023}};
    for (const Case& c : cases) {
        LogCapture log;
        std::string message(c.length, 'x');
        message[0] = 'a';
        DebugLog(LOG_INFO, "f.cpp", 1, "%s", message.c_str());
        std::string line = log.Lines().at(0);
        EXPECT_EQ(line.size(), 17 + c.printed + 1) << c.length;
        EXPECT_EQ(line.substr(17), message.substr(0, c.printed) + "\n");
    }
}

TEST(DebugLog, FileAndLineAreNotPrinted)
{
    LogCapture log;
    DebugLog(LOG_ERROR, "one.cpp", 10, "same");
    DebugLog(LOG_ERROR, "two.cpp", 20, "same");
    std::vector<std::string> lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(14), lines[1].substr(14));
    EXPECT_EQ(log.Count("same"), 2);
}

TEST(DebugLog, FormatsMidnightAndLastMillisecondOfTheDay)
{
    char line[kLogLineSize];
    SYSTEMTIME midnight = {};
    FormatLogLine(line, LOG_INFO, midnight, "m");
    EXPECT_STREQ(line, "[00:00:00 000]I--m\n");
    SYSTEMTIME last = {};
    last.wHour = 23;
    last.wMinute = 59;
    last.wSecond = 59;
    last.wMilliseconds = 999;
    FormatLogLine(line, LOG_ERROR, last, "m");
    EXPECT_STREQ(line, "[23:59:59 999]E--m\n");
}

TEST(DebugLog, UnknownLevelGetsAQuestionMark)
{
    char line[kLogLineSize];
    SYSTEMTIME t = {};
    FormatLogLine(line, 9, t, "m");
    EXPECT_STREQ(line, "[00:00:00 000]?--m\n");
}
