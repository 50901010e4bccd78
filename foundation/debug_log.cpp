#include "foundation/debug_log.h"

#include <stdarg.h>
#include <stdio.h>

namespace {

struct Observer {
    DebugLogObserver function;
    void* context;
};
Observer* volatile g_observer = NULL;

char LevelLetter(int level)
{
    static const char kLetters[] = "VIWE";
    return level >= LOG_VERBOSE && level <= LOG_ERROR ? kLetters[level] : '?';
}

} // namespace

void FormatLogLine(char* out, int level, const SYSTEMTIME& time, const char* message)
{
    snprintf(out, kLogLineSize, "[%02d:%02d:%02d %03d]%c--%s\n", time.wHour, time.wMinute, time.wSecond,
             time.wMilliseconds, LevelLetter(level), message);
}

void DebugLog(int level, const char* /*file*/, int /*line*/, const char* format, ...)
{
    char message[kLogMessageSize];
    va_list args;
    va_start(args, format);
    // vsnprintf cuts a longer message to its first 1023 bytes and always ends it with a NUL.
    if (vsnprintf(message, sizeof message, format, args) < 0)
        message[0] = '\0';
    va_end(args);

    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[kLogLineSize];
    FormatLogLine(line, level, now, message);
    OutputDebugStringA(line);

    Observer* observer = g_observer;
    if (observer)
        observer->function(line, observer->context);
}

void SetDebugLogObserver(DebugLogObserver function, void* context)
{
    // The previous record is kept (leaked on purpose): a line being written on another thread
    // may still read it.
    g_observer = function ? new Observer{function, context} : NULL;
}
