// vorlan-check-engine <engine library>: is every entry point of an engine
// drop there, and what falls back if not.

#include <cstdio>
#include <string>
#include <vector>

#include "check/CheckEngine.h"

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    Check::Report report;
    const Check::Status status = Check::Run(arguments, report);
    std::fputs(report.out.c_str(), stdout);
    std::fflush(stdout);
    std::fputs(report.err.c_str(), stderr);
    return status;
}
