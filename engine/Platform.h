#pragma once

// The few places where the Windows and Linux builds differ: library loading,
// the last system error code, and the method names in trace lines.

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

// Opens a shared library with the complete path given (dlopen with RTLD_LAZY
// after clearing errno, or LoadLibraryA). Null on failure, and for an empty
// path on both builds.
void* OpenLibrary(const char* path);

// Looks an export up by name; null when it is missing.
void* FindSymbol(void* library, const char* name);

// The text InitVorlanApi returns after OpenLibrary(path) failed: "Failed to
// load libVorlan.so: " and the loader's message, or "Failed to load
// Vorlan.dll: " and the decimal error code.
std::string LoadFailureText(const char* path);

// errno on Linux, GetLastError() on Windows.
int LastErrorCode();

}  // namespace Platform
