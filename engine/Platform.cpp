#include "engine/Platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>

#include <cerrno>
#endif

namespace Platform {

#ifdef _WIN32

void* OpenLibrary(const char* path) { return reinterpret_cast<void*>(LoadLibraryA(path)); }

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

std::string LoadFailureText() { return "Failed to load Vorlan.dll: " + std::to_string(GetLastError()); }

int LastErrorCode() { return static_cast<int>(GetLastError()); }

#else

void* OpenLibrary(const char* path) {
    errno = 0;
    return dlopen(path, RTLD_LAZY);
}

void* FindSymbol(void* library, const char* name) { return dlsym(library, name); }

std::string LoadFailureText() {
    const char* reason = dlerror();
    return std::string("Failed to load libVorlan.so: ") + (reason != nullptr ? reason : "");
}

int LastErrorCode() { return errno; }

#endif

}  // namespace Platform
