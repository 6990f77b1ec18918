#include "engine/Platform.h"

#ifdef _WIN32
#include <sys/stat.h>
#include <windows.h>

#include <cstdio>
#else
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#endif

namespace Platform {

namespace {

const char kNotAnEngine[] = ": none of the engine's entry points is exported";

}  // namespace

void* OpenLibrary(const char* path) { return OpenLibrary(PathFromNarrow(path)); }

#ifdef _WIN32

namespace {

// The wide functions read a path up to its first NUL, so a path holding one
// would name another file: null for it.
const wchar_t* wideOrNull(const NativePath& path) {
    return path.find(L'\0') == NativePath::npos ? path.c_str() : nullptr;
}

// The search flags of LoadLibraryExW take a full path only.
std::wstring fullPath(const wchar_t* path) {
    const DWORD size = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path, size, &full[0], nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handleOf(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

NativePath PathFromJavaChars(const std::uint16_t* chars, size_t count) { return NativePath(chars, chars + count); }

NativePath PathFromNarrow(const char* path) {
    const int size = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (size <= 1) return NativePath();
    NativePath wide(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, &wide[0], size);
    wide.resize(static_cast<size_t>(size) - 1);
    return wide;
}

void* OpenLibrary(const NativePath& path) {
    // An empty path fails as a missing file does, whatever the Windows version
    // makes of it.
    if (path.empty()) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    const wchar_t* wide = wideOrNull(path);
    if (wide == nullptr) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    // The DLLs the engine needs come from its own folder, then from the
    // system's; a DLL of the same name in the current folder is never taken.
    return reinterpret_cast<void*>(LoadLibraryExW(fullPath(wide).c_str(), nullptr,
                                                  LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
}

void CloseLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string LoadFailureText(const char*) { return "Failed to load Vorlan.dll: " + std::to_string(GetLastError()); }

std::string NotAnEngineText(const char* path) {
    return std::string("Failed to load Vorlan.dll: ") + path + kNotAnEngine;
}

int LastErrorCode() { return static_cast<int>(GetLastError()); }

bool IsDirectory(const NativePath& path) {
    const wchar_t* wide = wideOrNull(path);
    struct _stat64 status;
    return wide != nullptr && _wstat64(wide, &status) == 0 && (status.st_mode & _S_IFDIR) != 0;
}

bool OpensForReading(const NativePath& path) {
    const wchar_t* wide = wideOrNull(path);
    if (wide == nullptr) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    FILE* file = _wfopen(wide, L"r");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

std::unique_ptr<LogFile> LogFile::Open(const NativePath& path, bool truncate) {
    const wchar_t* wide = wideOrNull(path);
    if (wide == nullptr) return nullptr;
    if (truncate) {
        HANDLE emptied =
            CreateFileW(wide, GENERIC_WRITE, kShareAll, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (emptied == INVALID_HANDLE_VALUE) return nullptr;
        CloseHandle(emptied);
    }
    // Append access only: every write goes to the end of the file, whoever
    // else writes to it. Shared for deletion, so that other tools may rename or
    // delete the file while it is held open.
    HANDLE handle = CreateFileW(wide, FILE_APPEND_DATA | SYNCHRONIZE, kShareAll, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    const bool fixed = GetFileType(handle) != FILE_TYPE_DISK;
    return std::unique_ptr<LogFile>(new LogFile(reinterpret_cast<std::intptr_t>(handle), fixed, 0, 0, false));
}

LogFile::~LogFile() { CloseHandle(handleOf(m_handle)); }

bool LogFile::Append(const char* text, size_t length) {
    // Text mode as "a+" gave it: each line feed written as CR LF.
    char small[4096];
    std::string large;
    char* out = small;
    if (length > sizeof small / 2) {
        large.resize(2 * length);
        out = &large[0];
    }
    size_t size = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') out[size++] = '\r';
        out[size++] = text[i];
    }
    std::lock_guard<std::mutex> guard(m_writing);
    for (size_t done = 0; done < size;) {
        const DWORD piece = static_cast<DWORD>(size - done < (1u << 30) ? size - done : (1u << 30));
        // At the end of the file as it is now, even when another tool has just
        // truncated it (wine needs the offset said).
        OVERLAPPED atEnd = {};
        atEnd.Offset = 0xFFFFFFFF;
        atEnd.OffsetHigh = 0xFFFFFFFF;
        DWORD written = 0;
        if (!WriteFile(handleOf(m_handle), out + done, piece, &written, &atEnd) || written == 0) return false;
        done += written;
    }
    return true;
}

bool LogFile::StillAt(const NativePath&) const { return m_fixed; }

#else

namespace {

void appendFourByte(std::string& out, unsigned code) {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
}

bool isHigh(unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool isLow(unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

bool writeAll(int fd, const char* text, size_t length) {
    while (length > 0) {
        const ssize_t n = ::write(fd, text, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

NativePath PathFromJavaChars(const std::uint16_t* chars, size_t count) {
    std::string path;
    path.reserve(count + count / 2);
    for (size_t i = 0; i < count; ++i) {
        const unsigned unit = chars[i];
        if (isHigh(unit) && i + 1 < count && isLow(chars[i + 1])) {
            appendFourByte(path, 0x10000 + ((unit - 0xD800) << 10) + (chars[i + 1] - 0xDC00u));
            ++i;
        } else {
            // Below U+10000 standard and modified UTF-8 agree, but for U+0000
            // (C0 80) and a lone surrogate (its three bytes), kept as said.
            char bytes[3];
            path.append(bytes, PutModifiedUtf8(static_cast<std::uint16_t>(unit), bytes));
        }
    }
    return path;
}

NativePath PathFromNarrow(const char* path) { return path; }

void* OpenLibrary(const NativePath& path) {
    errno = 0;
    // dlopen("") hands back the running program itself: an empty path fails as
    // a missing file does.
    if (path.empty()) {
        errno = ENOENT;
        return nullptr;
    }
    return dlopen(path.c_str(), RTLD_LAZY);
}

void CloseLibrary(void* library) { dlclose(library); }

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

std::string LoadFailureText(const char* path) {
    // The loader was not asked about an empty path: its message for a missing
    // file, then.
    const char* reason = path[0] == '\0' ? ": cannot open shared object file: No such file or directory" : dlerror();
    return std::string("Failed to load libVorlan.so: ") + (reason != nullptr ? reason : "");
}

std::string NotAnEngineText(const char* path) {
    return std::string("Failed to load libVorlan.so: ") + path + kNotAnEngine;
}

int LastErrorCode() { return errno; }

bool IsDirectory(const NativePath& path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool OpensForReading(const NativePath& path) {
    // As fopen "r" would, without waiting for a writer when the path is a FIFO.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::unique_ptr<LogFile> LogFile::Open(const NativePath& path, bool truncate) {
    // O_NONBLOCK: opening a FIFO without a reader fails at once (ENXIO) instead
    // of waiting for one. It stays set: a write to a FIFO whose reader does not
    // keep up fails (EAGAIN) and drops that line, where a blocking write would
    // hold every traced thread until the reader reads. Regular files ignore it.
    const int flags = O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (truncate ? O_TRUNC : 0);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0) {
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<LogFile>(new LogFile(fd, false, static_cast<std::uint64_t>(status.st_dev),
                                                static_cast<std::uint64_t>(status.st_ino), S_ISFIFO(status.st_mode)));
}

LogFile::~LogFile() { ::close(static_cast<int>(m_handle)); }

bool LogFile::Append(const char* text, size_t length) {
    const int fd = static_cast<int>(m_handle);
    std::lock_guard<std::mutex> guard(m_writing);
    if (!m_pipe) return writeAll(fd, text, length);
    if (m_lost.load(std::memory_order_relaxed)) return false;
    // A write to a FIFO whose reader went away raises SIGPIPE, which ends a
    // process that keeps its default action: it is held back for this write
    // and taken off again if the write raised it. sigprocmask, which glibc
    // applies to the calling thread as pthread_sigmask does, binds to a symbol
    // of every glibc (pthread_sigmask lives in libc only from 2.32 on).
    sigset_t pipeSignal, previous, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    sigemptyset(&pending);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    sigprocmask(SIG_BLOCK, &pipeSignal, &previous);
    const bool written = writeAll(fd, text, length);
    if (!written && errno == EPIPE) {
        m_lost.store(true, std::memory_order_relaxed);
        if (!alreadyPending) {
            const struct timespec now = {0, 0};
            while (sigtimedwait(&pipeSignal, nullptr, &now) < 0 && errno == EINTR) {
            }
        }
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return written;
}

bool LogFile::StillAt(const NativePath& path) const {
    if (m_fixed) return true;
    if (m_lost.load(std::memory_order_relaxed)) return false;
    struct stat status;
    return stat(path.c_str(), &status) == 0 && static_cast<std::uint64_t>(status.st_dev) == m_device &&
           static_cast<std::uint64_t>(status.st_ino) == m_file;
}

#endif

}  // namespace Platform
