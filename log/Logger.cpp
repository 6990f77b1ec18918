#include "log/Logger.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Utils {

std::atomic<int> Logger::g_nLogLevel{0};
std::string Logger::g_szLogFile;
std::mutex Logger::s_fileLock;

namespace {

constexpr size_t kLineBuffer = 2048;

void writeToFile(const std::string& path, const char* format, va_list args) {
    char line[kLineBuffer];
    va_list again;
    va_copy(again, args);
    const int needed = std::vsnprintf(line, sizeof line, format, args);
    if (needed < 0) {
        va_end(again);
        return;
    }
    const char* text = line;
    std::vector<char> large;
    if (static_cast<size_t>(needed) >= sizeof line) {
        // Longer than the line buffer: format again into a buffer that fits, so
        // the message is written whole.
        large.resize(static_cast<size_t>(needed) + 1);
        std::vsnprintf(large.data(), large.size(), format, again);
        text = large.data();
    }
    va_end(again);

    FILE* file = std::fopen(path.c_str(), "a+");
    if (file == nullptr) return;  // the message is dropped
    std::fwrite(text, 1, static_cast<size_t>(needed), file);
    std::fclose(file);
}

}  // namespace

void Logger::Log(int level, const char* format, ...) {
    if (level > g_nLogLevel.load(std::memory_order_relaxed)) return;
    va_list args;
    va_start(args, format);
    Write(format, args);
    va_end(args);
}

void Logger::Write(const char* format, va_list args) {
    std::lock_guard<std::mutex> guard(s_fileLock);
    if (g_szLogFile.size() <= 2) {
        std::vprintf(format, args);
        std::fflush(stdout);
        return;
    }
    writeToFile(g_szLogFile, format, args);
}

void Logger::SetLogLevel(int level) { g_nLogLevel.store(level, std::memory_order_relaxed); }

void Logger::SetLogFile(const char* path) {
    std::lock_guard<std::mutex> guard(s_fileLock);
    g_szLogFile = path != nullptr ? path : "";
    if (FILE* file = std::fopen(g_szLogFile.c_str(), "wb")) std::fclose(file);
}

std::string Logger::LogFile() {
    std::lock_guard<std::mutex> guard(s_fileLock);
    return g_szLogFile;
}

}  // namespace Utils
