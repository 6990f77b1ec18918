#pragma once

// The engine check: loads an engine library through the bridge's own proxy
// and reports which of its entry points were found.

#include <string>

namespace Check {

// Exit statuses of vorlan-check-engine.
enum Status { AllFound = 0, SomeMissing = 1, NotLoaded = 2 };

// Loads the library with VorlanApi::InitVorlanApi, as initJniBridge does, and
// writes the table of entry points (or the load failure text) to `report`.
Status CheckEngine(const char* libraryPath, std::string& report);

}  // namespace Check
