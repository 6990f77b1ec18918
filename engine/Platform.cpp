#include "engine/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include <cerrno>
#endif

namespace Platform {

#ifdef _WIN32

void* OpenLibrary(const char* path) {
    // An empty path fails as a missing file does, whatever the Windows version
    // makes of it.
    if (path[0] == '\0') {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<void*>(LoadLibraryA(path));
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string LoadFailureText(const char*) { return "Failed to load Vorlan.dll: " + std::to_string(GetLastError()); }

int LastErrorCode() { return static_cast<int>(GetLastError()); }

#else

void* OpenLibrary(const char* path) {
    errno = 0;
    // dlopen("") hands back the running program itself, which would then count
    // as the engine for good: an empty path fails as a missing file does.
    if (path[0] == '\0') {
        errno = ENOENT;
        return nullptr;
    }
    return dlopen(path, RTLD_LAZY);
}

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

std::string LoadFailureText(const char* path) {
    // The loader was not asked about an empty path: its message for a missing
    // file, then.
    const char* reason = path[0] == '\0' ? ": cannot open shared object file: No such file or directory" : dlerror();
    return std::string("Failed to load libVorlan.so: ") + (reason != nullptr ? reason : "");
}

int LastErrorCode() { return errno; }

#endif

}  // namespace Platform
