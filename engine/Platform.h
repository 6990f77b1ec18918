#pragma once

// The few places where the Windows and Linux builds differ: library loading,
// the paths the bridge itself opens, the log file, the last system error code,
// and the method names in trace lines.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#ifdef _WIN32
// The Windows build writes class-qualified names in its trace lines.
#define VORLAN_QUALIFIED(scope, name) scope "::" name
#else
#define VORLAN_QUALIFIED(scope, name) name
#endif

// Name of a VorlanApi method as the "\nCall %s \n" lines write it.
#define VORLAN_METHOD(name) VORLAN_QUALIFIED("VorlanApi", name)

namespace Platform {

// A path as the file system takes it: UTF-8 bytes on Linux, UTF-16 for the
// wide functions on Windows.
#ifdef _WIN32
typedef std::wstring NativePath;
#else
typedef std::string NativePath;
#endif

// The path a Java string names, from its UTF-16 characters. Linux: standard
// UTF-8, a surrogate pair as its four-byte sequence. A lone surrogate and
// U+0000 have no UTF-8 form that a path can hold: they keep the bytes modified
// UTF-8 gives them (ED xx xx, C0 80), so they name what they named before.
// Windows: the characters unchanged; a path holding U+0000 names no file.
NativePath PathFromJavaChars(const std::uint16_t* chars, size_t count);

// The modified-UTF-8 form of one UTF-16 unit, as the JVM's GetStringUTFChars
// writes it: 1..7F one byte; U+0000 (as C0 80) and 80..7FF two; 800..FFFF
// three, each surrogate of a pair on its own. Writes 1 to 3 bytes at `out` and
// returns how many. The path above and the texts the bridge reads from Java
// for the engine share it.
inline size_t PutModifiedUtf8(std::uint16_t unit, char* out) {
    if (unit != 0 && unit < 0x80) {
        out[0] = static_cast<char>(unit);
        return 1;
    }
    if (unit < 0x800) {
        out[0] = static_cast<char>(0xC0 | (unit >> 6));
        out[1] = static_cast<char>(0x80 | (unit & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (unit >> 12));
    out[1] = static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (unit & 0x3F));
    return 3;
}

// A path from a narrow text, read as the narrow functions read it: the bytes
// on Linux, the ANSI code page on Windows. For program arguments and tests.
NativePath PathFromNarrow(const char* path);

// Opens a shared library by its path. Null on failure, and for an empty path
// on both builds. Linux: dlopen with RTLD_LAZY after clearing errno. Windows:
// the engine's own folder is searched first for the DLLs it needs, then the
// system's; the current folder and PATH never. A relative path is taken
// against the current folder.
void* OpenLibrary(const NativePath& path);
void* OpenLibrary(const char* path);

void CloseLibrary(void* library);

// Looks an export up by name; null when it is missing.
void* FindSymbol(void* library, const char* name);

// The text InitVorlanApi returns after OpenLibrary(path) failed: "Failed to
// load libVorlan.so: " and the loader's message, or "Failed to load
// Vorlan.dll: " and the decimal error code.
std::string LoadFailureText(const char* path);

// The text for a library that loaded but holds none of the engine's entry
// points, with the build's library name as above.
std::string NotAnEngineText(const char* path);

// errno on Linux, GetLastError() on Windows.
int LastErrorCode();

// The checks of fileExists: a directory (stat), a file that opens for reading
// (fopen "r"). After a false answer LastErrorCode() tells why.
bool IsDirectory(const NativePath& path);
bool OpensForReading(const NativePath& path);

// The log file, held open between lines. Each line is one append (O_APPEND,
// FILE_APPEND_DATA), so the lines of several threads and processes never tear,
// and a file truncated by another tool is written from its new end.
class LogFile {
public:
    // Opens `path` for appending, creating it, and empties it when `truncate`.
    // Never waits for a reader: a FIFO without one fails to open, as a missing
    // folder does. Null when it cannot be opened.
    static std::unique_ptr<LogFile> Open(const NativePath& path, bool truncate);

    ~LogFile();
    LogFile(const LogFile&) = delete;
    LogFile& operator=(const LogFile&) = delete;

    // Writes one line with one write; false when it was dropped (a full disk,
    // a FIFO that is full or lost its reader). Windows writes each line feed
    // as CR LF, as a file opened in text mode does.
    bool Append(const char* text, size_t length);

    // Whether the file may be kept for `path`; false, and it is closed and
    // `path` opened anew, once it was renamed or deleted or a FIFO lost its
    // reader. Windows cannot always tell that a file it holds open was
    // deleted (the name stays until the last handle to it closes, and not
    // every file system reports the pending delete): a disk file is false at
    // every check there, so that it is let go and opened again.
    bool StillAt(const NativePath& path) const;

private:
    LogFile(std::intptr_t handle, bool fixed, std::uint64_t device, std::uint64_t file, bool pipe)
        : m_handle(handle), m_fixed(fixed), m_device(device), m_file(file), m_pipe(pipe) {}

    std::intptr_t m_handle;  // the descriptor, or the HANDLE
    bool m_fixed;            // never reopened: a Windows pipe or device
    // Which file it is (Linux): st_dev and st_ino.
    std::uint64_t m_device;
    std::uint64_t m_file;
    bool m_pipe;                      // a FIFO: its writes may fail with EPIPE
    std::atomic<bool> m_lost{false};  // a FIFO whose reader went away
    // One write at a time to this file. The system serialises the appends to
    // a file anyway, and threads wait here more cheaply than in the kernel; a
    // write that hangs holds up only lines for this same file, which the
    // system would hold up too, never the logger's lock. On Windows it is
    // also what keeps appends whole under wine, which may put two appends
    // through one handle at the same offset.
    std::mutex m_writing;
};

}  // namespace Platform
