// The engine check program: the table it prints for a whole engine, for one
// lacking entries, and what it says about a file that is no library.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "check/CheckEngine.h"
#include "tests/TestSupport.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::vector<std::string> LinesContaining(const std::string& text, const std::string& part) {
    std::vector<std::string> found;
    for (const std::string& line : Lines(text))
        if (line.find(part) != std::string::npos) found.push_back(line);
    return found;
}

}  // namespace

TEST(CheckEngine, WholeEngineListsEveryEntryFoundInTableOrder) {
    std::string report;
    EXPECT_EQ(Check::AllFound, Check::CheckEngine(FullEngine().c_str(), report));
    const std::vector<std::string> lines = Lines(report);
    ASSERT_EQ(57u, lines.size()) << report;
    EXPECT_EQ(std::string("vorlan-check-engine ") + VORLAN_VERSION, lines[0]);
    EXPECT_EQ("engine library: " + FullEngine(), lines[1]);
    EXPECT_EQ("#   entry point               state    when missing", lines[2]);
    EXPECT_EQ("1   initDeploymentInfo        found", lines[3]);
    EXPECT_EQ("53  hasUptoDateResults        found", lines[55]);
    EXPECT_EQ("53 entry points: 53 found, 0 missing", lines[56]);
    EXPECT_EQ(53u, LinesContaining(report, " found").size() - 1);
    EXPECT_TRUE(LinesContaining(report, "MISSING").empty());
}

TEST(CheckEngine, PartialEngineNamesWhatFallsBack) {
    std::string report;
    EXPECT_EQ(Check::SomeMissing, Check::CheckEngine(PartialEngine().c_str(), report));
    const std::vector<std::string> expected = {
        "2   setBindKey                MISSING  falls back: setBindKey",
        "20  getWorkspace              MISSING  falls back: getWorkspace",
        "31  isTivraProject            MISSING  falls back: isTivraProject",
        "38  freeKoFile                MISSING  records not released after: getKoFile",
        "42  getDiagnostics            MISSING  falls back: getDiagnostics",
        "51  freeTrees                 MISSING  records not released after: getTrees",
        "53  hasUptoDateResults        MISSING  falls back: hasUpToDateResults",
    };
    EXPECT_EQ(expected, LinesContaining(report, "MISSING")) << report;
    EXPECT_EQ(std::vector<std::string>{"53 entry points: 46 found, 7 missing"},
              LinesContaining(report, "entry points:"));
}

TEST(CheckEngine, FileThatIsNoLibraryGivesTheBridgesFailureText) {
    const std::string path = TestDirectory() + "/not-a-library.txt";
    WriteFile(path, "this is text, not a library\n");
    std::string report;
    EXPECT_EQ(Check::NotLoaded, Check::CheckEngine(path.c_str(), report));
    const std::vector<std::string> lines = Lines(report);
    ASSERT_EQ(3u, lines.size()) << report;
#ifdef _WIN32
    // ERROR_BAD_EXE_FORMAT
    EXPECT_EQ("Failed to load Vorlan.dll: 193", lines[2]);
#else
    EXPECT_EQ(0u, lines[2].find("Failed to load libVorlan.so: " + path)) << lines[2];
#endif
}
