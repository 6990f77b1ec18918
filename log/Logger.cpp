#include "log/Logger.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <vector>

namespace Utils {

std::atomic<int> Logger::g_nLogLevel{0};
std::string Logger::g_szLogFile;

namespace {

constexpr size_t kLineBuffer = 2048;

typedef std::chrono::steady_clock Clock;
typedef std::shared_ptr<Platform::LogFile> SharedFile;

// Guards Logger::g_szLogFile and g_target.
std::mutex g_lock;

// The log file's path, the file held open for it (null while it cannot be
// opened), and a count of SetLogFile calls, so that a reopening that raced one
// is not swapped in over it. A line's thread holds its own reference to the
// file while it writes, so a swap never closes a file under a write. Never
// destroyed: a thread that still logs while the process exits finds it whole.
struct Target {
    Platform::NativePath path;
    SharedFile file;
    unsigned long long generation = 0;
};
Target& g_target = *new Target;

// When the open file is next compared with the file its name gives, in ticks
// of the steady clock; and whether a thread is comparing now.
std::atomic<Clock::rep> g_nextCheck{0};
std::atomic<bool> g_checking{false};

void scheduleCheck() {
    const Clock::time_point at = Clock::now() + std::chrono::milliseconds(Logger::kRecheckMilliseconds);
    g_nextCheck.store(at.time_since_epoch().count(), std::memory_order_relaxed);
}

// Compares the open file with the file its name gives now (another tool may
// have renamed or deleted it), or tries again to open a name that could not be
// opened, and swaps in what it opened. Runs outside the lock, since both may
// wait on the file system, and in one thread at a time; the others go on
// writing meanwhile. Returns the file the calling line is to go to.
SharedFile recheck() {
    Platform::NativePath path;
    unsigned long long generation;
    SharedFile file;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        path = g_target.path;
        generation = g_target.generation;
        file = g_target.file;
    }
    if (file == nullptr || !file->StillAt(path)) {
        SharedFile fresh(Platform::LogFile::Open(path, false));
        SharedFile previous;
        {
            std::lock_guard<std::mutex> guard(g_lock);
            if (g_target.generation == generation) {
                previous = std::move(g_target.file);
                g_target.file = fresh;
            }
            file = g_target.file;
        }
        // The previous file is closed here, outside the lock, unless a line is
        // still being written to it.
    }
    scheduleCheck();
    return file;
}

void writeToFile(Platform::LogFile& file, const char* format, va_list args) {
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
    file.Append(text, static_cast<size_t>(needed));  // a failed write drops the line
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
    bool toFile;
    SharedFile file;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        toFile = g_szLogFile.size() > 2;
        if (toFile) file = g_target.file;
    }
    if (!toFile) {
        // Standard output keeps each line whole under its own lock.
        std::vprintf(format, args);
        std::fflush(stdout);
        return;
    }
    const Clock::rep now = Clock::now().time_since_epoch().count();
    if (now >= g_nextCheck.load(std::memory_order_relaxed) && !g_checking.exchange(true, std::memory_order_acquire)) {
        file = recheck();
        g_checking.store(false, std::memory_order_release);
    }
    if (file != nullptr) writeToFile(*file, format, args);  // else the line is dropped
}

void Logger::SetLogLevel(int level) { g_nLogLevel.store(level, std::memory_order_relaxed); }

void Logger::SetLogFile(const char* path, const Platform::NativePath& file) {
    std::string name = path != nullptr ? path : "";
    // Opened and emptied before the lock is taken: opening may wait on the
    // file system (never on a FIFO's reader). A name of two characters or fewer
    // means standard output; its file is still emptied.
    SharedFile opened(Platform::LogFile::Open(file, true));
    if (name.size() <= 2) opened.reset();
    SharedFile previous;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_szLogFile.swap(name);
        g_target.path = file;
        ++g_target.generation;
        previous = std::move(g_target.file);
        g_target.file = std::move(opened);
        scheduleCheck();
    }
}

void Logger::SetLogFile(const char* path) { SetLogFile(path, Platform::PathFromNarrow(path != nullptr ? path : "")); }

std::string Logger::LogFile() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_szLogFile;
}

}  // namespace Utils
