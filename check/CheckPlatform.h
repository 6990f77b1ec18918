#pragma once

// What the engine check asks of the system beyond what the bridge's own
// loading does: the system's text for a Windows load error, and the names an
// engine refers to that nothing loaded defines.

#include <string>
#include <vector>

namespace Check {

// `path` made absolute against the current folder.
std::string AbsolutePath(const std::string& path);

// The system's message for a Windows error code (FormatMessage), with "%1"
// replaced by `path`; empty on Linux, whose loader message is text already.
std::string SystemErrorText(unsigned long code, const std::string& path);

// The functions and objects the library at `path` (already loaded, `library`
// its handle) refers to that neither it, its dependencies nor the program
// define, sorted. Linux loads the engine lazily, so such a reference is met
// only at the first call that needs it, and ends the process. Empty on
// Windows, where a missing import fails the load itself.
std::vector<std::string> UnresolvedNames(const std::string& path, void* library);

}  // namespace Check
