// vorlan-check-engine <engine library>: is every entry point of an engine
// drop there, and what falls back if not.

#include <cstdio>
#include <string>

#include "check/CheckEngine.h"

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr,
                     "vorlan-check-engine %s\n"
                     "usage: vorlan-check-engine <engine library>\n"
                     "Loads the engine library as the bridge does and lists its entry points.\n"
                     "Exit status: 0 all found, 1 some missing, 2 the library does not load.\n",
                     VORLAN_VERSION);
        return Check::NotLoaded;
    }
    std::string report;
    const Check::Status status = Check::CheckEngine(argv[1], report);
    std::fputs(report.c_str(), stdout);
    return status;
}
