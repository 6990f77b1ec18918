#pragma once

// Where the running test or benchmark program lies: the engine doubles are
// built next to it.

#include <string>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <climits>
#endif

inline std::string ProgramDirectory() {
#ifdef _WIN32
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string full(path, n);
    return full.substr(0, full.find_last_of("\\/"));
#else
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    const std::string full(path, n > 0 ? static_cast<size_t>(n) : 0);
    return full.substr(0, full.find_last_of('/'));
#endif
}

// Complete path of a library built next to the program: "Vorlan" gives
// libVorlan.so or Vorlan.dll.
inline std::string LibraryNextToProgram(const std::string& base) {
#ifdef _WIN32
    return ProgramDirectory() + "\\" + base + ".dll";
#else
    return ProgramDirectory() + "/lib" + base + ".so";
#endif
}
