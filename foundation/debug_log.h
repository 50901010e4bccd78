// The diagnostic log: one line per call to the debugger output channel.
#pragma once
#include <windows.h>

enum {
    LOG_VERBOSE = 0,
    LOG_INFO = 1,
    LOG_WARNING = 2,
    LOG_ERROR = 3,
};

enum {
    kLogMessageSize = 1024, // at most 1023 message bytes and the NUL
    kLogLineSize = 1072,    // the 17-character prefix, the message, the line feed and the NUL
};

// Writes "[hh:mm:ss mmm]L--message\n" through OutputDebugStringA. file and line are taken from
// the caller for the record and never printed. Safe on any thread.
void DebugLog(int level, const char* file, int line, const char* format, ...)
    __attribute__((format(gnu_printf, 4, 5)));

// Builds the line DebugLog sends for a message already formatted; out holds kLogLineSize bytes.
void FormatLogLine(char* out, int level, const SYSTEMTIME& time, const char* message);

// Tests watch the log through an observer that sees each line after it was sent. The program
// itself never sets one; the observer must be safe to call from any thread.
typedef void (*DebugLogObserver)(const char* line, void* context);
void SetDebugLogObserver(DebugLogObserver observer, void* context);
