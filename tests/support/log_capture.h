// Collects the lines DebugLog writes while it exists.
#pragma once
#include <mutex>
#include <string>
#include <vector>

class LogCapture {
public:
    LogCapture();
    ~LogCapture();

    std::vector<std::string> Lines() const;
    // Lines whose message (the text after "]L--", without the line feed) equals message.
    int Count(const std::string& message) const;

private:
    static void Observe(const char* line, void* context);

    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};
