#pragma once

#include <atomic>
#include <cstdarg>
#include <string>

#include "engine/Platform.h"

namespace Utils {

// The bridge's own trace and error log. Level 1 is for errors, level 2 for
// traces; a line is written when its level is at most the threshold. Lines go
// to standard output, or are appended to the log file when its name has more
// than two characters. Nothing is added to the caller's text.
//
// The texts handed to Log are a fixed contract: the Java client's tools read
// them byte for byte, odd spellings included ("VorlanAPi", "failes",
// "Dagnostics", "setActiveCT", "initResultst"). Copy them, never correct them.
// They stand where they are logged: the proxy's in engine/ (the rows of
// VorlanApiForward.cpp, the fetch methods), the entry points' in bridge/.
class Logger {
public:
    // Read first and lock-free by every Log call, so a disabled line costs one
    // comparison.
    static std::atomic<int> g_nLogLevel;

    static void Log(int level, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;

    static void SetLogLevel(int level);
    // `path` is the name as the Java string's modified UTF-8 gives it, `file`
    // the path the file system knows it by. The narrow form takes the file's
    // path from the name as the platform's narrow functions read it.
    static void SetLogFile(const char* path, const Platform::NativePath& file);
    static void SetLogFile(const char* path);

    static bool IsEnabled(int level) { return level <= g_nLogLevel.load(std::memory_order_relaxed); }

    // The stored file name (a copy, taken under the logger's lock).
    static std::string LogFile();

    // How long the open log file is trusted before it is compared again with
    // the file its name gives (renamed, deleted), and before a name that could
    // not be opened is tried again.
    static constexpr int kRecheckMilliseconds = 100;

private:
    static void Write(const char* format, va_list args);

    // Guarded by the logger's lock (Logger.cpp), so that SetLogFile racing Log
    // cannot tear it. That lock is held for memory operations only, never
    // across a call that may wait on the file system.
    static std::string g_szLogFile;
};

}  // namespace Utils
