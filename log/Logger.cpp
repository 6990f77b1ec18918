#include "log/Logger.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <utility>
#include <vector>

namespace Utils {

std::atomic<int> Logger::g_nLogLevel{0};
std::string Logger::g_szLogFile;

namespace {

constexpr size_t kLineBuffer = 2048;
// Lines kept while the log file is opened anew, at most.
constexpr size_t kHeldLimit = 1 << 20;

typedef std::chrono::steady_clock Clock;
typedef std::shared_ptr<Platform::LogFile> SharedFile;

// Guards Logger::g_szLogFile and g_target.
std::mutex g_lock;

// The log file's path, the file held open for it (null while it cannot be
// opened), and a count of SetLogFile calls, so that a reopening that raced one
// is not swapped in over it. A line's thread holds its own reference to the
// file while it writes, so a swap never closes a file under a write. While the
// file is being opened anew, the lines that come meanwhile are held, to be
// written to the new file first.
struct Target {
    Platform::NativePath path;
    SharedFile file;
    unsigned long long generation = 0;
    bool reopening = false;
    std::string held;
};
// Built in place and never destroyed, so that a thread that still logs while
// the process exits finds it whole; when the library is unloaded or the
// process ends, only what it holds is let go (ReleaseTarget).
alignas(Target) unsigned char g_targetSpace[sizeof(Target)];
Target& g_target = *new (g_targetSpace) Target;

struct ReleaseTarget {
    ~ReleaseTarget() {
        Target released;
        std::lock_guard<std::mutex> guard(g_lock);
        std::swap(released.path, g_target.path);
        std::swap(released.file, g_target.file);  // closed once no line writes to it
        std::swap(released.held, g_target.held);
        g_target.reopening = false;
    }
} g_releaseTarget;

// When the open file is next compared with the file its name gives, in ticks
// of the steady clock; and whether a thread is comparing now.
std::atomic<Clock::rep> g_nextCheck{0};
std::atomic<bool> g_checking{false};

void scheduleCheck() {
    const Clock::time_point at = Clock::now() + std::chrono::milliseconds(Logger::kRecheckMilliseconds);
    g_nextCheck.store(at.time_since_epoch().count(), std::memory_order_relaxed);
}

// One message formatted: in the line buffer, or, when longer, in a buffer that
// fits it, so that it is written whole.
class FormattedLine {
public:
    FormattedLine(const char* format, va_list args) {
        va_list again;
        va_copy(again, args);
        const int needed = std::vsnprintf(m_line, sizeof m_line, format, args);
        if (needed > 0) m_size = static_cast<size_t>(needed);
        if (m_size >= sizeof m_line) {
            m_large.resize(m_size + 1);
            std::vsnprintf(m_large.data(), m_large.size(), format, again);
            m_text = m_large.data();
        }
        va_end(again);
    }
    FormattedLine(const FormattedLine&) = delete;
    FormattedLine& operator=(const FormattedLine&) = delete;

    const char* text() const { return m_text; }
    size_t size() const { return m_size; }

private:
    char m_line[kLineBuffer];
    std::vector<char> m_large;
    const char* m_text = m_line;
    size_t m_size = 0;
};

// Compares the open file with the file its name gives now (another tool may
// have renamed or deleted it), or tries again to open a name that could not be
// opened. Runs outside the lock, since both may wait on the file system, and in
// one thread at a time; the others go on meanwhile. Returns the file the
// calling line is to go to.
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
    if (file != nullptr && file->StillAt(path)) {
        scheduleCheck();
        return file;
    }
    // The file is let go before its name is opened again: on Windows a deleted
    // file keeps its name while a handle holds it, so the new open would find
    // it again. The lines that come meanwhile are held.
    {
        std::lock_guard<std::mutex> guard(g_lock);
        if (g_target.generation != generation) return g_target.file;  // SetLogFile came first
        g_target.file.reset();
        g_target.reopening = file != nullptr;
    }
    if (file != nullptr) {
        // Lines that took the file before finish their write first, a matter of
        // microseconds; a write that hangs is not waited for long.
        const Clock::time_point end = Clock::now() + std::chrono::milliseconds(20);
        while (file.use_count() > 1 && Clock::now() < end) std::this_thread::yield();
        file.reset();
    }
    SharedFile fresh(Platform::LogFile::Open(path, false));
    std::string held;
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(g_lock);
            if (g_target.generation != generation) {
                fresh = g_target.file;
                break;
            }
            if (g_target.held.empty() || fresh == nullptr) {
                g_target.held.clear();  // nowhere to go: dropped
                g_target.reopening = false;
                g_target.file = fresh;
                break;
            }
            held.swap(g_target.held);
        }
        fresh->Append(held.data(), held.size());
        held.clear();
    }
    scheduleCheck();
    return fresh;
}

// Keeps a line that came while the file is opened anew, unless too much is
// held already. Returns the new file when it is in place by now: the line is
// to be written to it.
SharedFile hold(const FormattedLine& line) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_target.file == nullptr && g_target.reopening && g_target.held.size() + line.size() <= kHeldLimit)
        g_target.held.append(line.text(), line.size());
    return g_target.file;
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
    bool reopening;
    SharedFile file;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        toFile = g_szLogFile.size() > 2;
        file = g_target.file;
        reopening = g_target.reopening;
    }
    if (!toFile) {
        // Standard output keeps each line whole under its own lock.
        std::vprintf(format, args);
        std::fflush(stdout);
        return;
    }
    const Clock::rep now = Clock::now().time_since_epoch().count();
    if (now >= g_nextCheck.load(std::memory_order_relaxed) && !g_checking.exchange(true, std::memory_order_acquire)) {
        file.reset();  // so that recheck can tell when the last line written to it is done
        file = recheck();
        g_checking.store(false, std::memory_order_release);
        reopening = false;
    }
    if (file == nullptr && !reopening) return;  // no file: the line is dropped
    const FormattedLine line(format, args);
    if (file == nullptr) file = hold(line);
    if (file != nullptr) file->Append(line.text(), line.size());  // a failed write drops the line
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
    std::string held;
    {
        std::lock_guard<std::mutex> guard(g_lock);
        g_szLogFile.swap(name);
        g_target.path = file;
        ++g_target.generation;
        previous = std::move(g_target.file);
        g_target.file = std::move(opened);
        g_target.reopening = false;
        held.swap(g_target.held);  // lines for the previous name: dropped
        scheduleCheck();
    }
}

void Logger::SetLogFile(const char* path) { SetLogFile(path, Platform::PathFromNarrow(path != nullptr ? path : "")); }

std::string Logger::LogFile() {
    std::lock_guard<std::mutex> guard(g_lock);
    return g_szLogFile;
}

}  // namespace Utils
