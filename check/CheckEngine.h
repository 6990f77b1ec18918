#pragma once

// The engine check: loads an engine library through the bridge's own proxy
// and reports which of its entry points were found.

#include <string>
#include <vector>

namespace Check {

// Exit statuses of vorlan-check-engine.
enum Status {
    AllFound = 0,
    SomeMissing = 1,
    NotLoaded = 2,
    NotAnEngine = 3,           // loads, but exports none of the entry points
    UnresolvedReferences = 4,  // loads, but refers to names nothing defines
    Usage = 64,                // wrong arguments
};

// What one run writes: the table to standard output, failures to standard error.
struct Report {
    std::string out;
    std::string err;
};

// Loads the library with VorlanApi::InitVorlanApi, as initJniBridge does, and
// writes the table of entry points, or what keeps the library from serving as
// the engine.
Status CheckEngine(const std::string& libraryPath, Report& report);

// The program with its arguments (argv without the program name): --help,
// --version, or one engine library. A relative path that names a file is
// taken from the current folder, as its user means it, not looked up the way
// the system looks up a bare library name.
Status Run(const std::vector<std::string>& arguments, Report& report);

}  // namespace Check
