#include "tests/support/log_capture.h"

#include "foundation/debug_log.h"

LogCapture::LogCapture()
{
    SetDebugLogObserver(&LogCapture::Observe, this);
}

LogCapture::~LogCapture()
{
    SetDebugLogObserver(NULL, NULL);
}

void LogCapture::Observe(const char* line, void* context)
{
    LogCapture* self = static_cast<LogCapture*>(context);
    std::lock_guard<std::mutex> lock(self->mutex_);
    self->lines_.push_back(line);
}

std::vector<std::string> LogCapture::Lines() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
}

int LogCapture::Count(const std::string& message) const
{
    int n = 0;
    for (const std::string& line : Lines()) {
        // "[hh:mm:ss mmm]L--" is 17 characters; the line ends with a line feed.
        if (line.size() >= 18 && line.compare(17, line.size() - 18, message) == 0)
            ++n;
    }
    return n;
}
