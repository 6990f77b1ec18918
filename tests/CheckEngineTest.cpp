// The engine check program: the table it prints for a whole engine and for
// one lacking entries, each verdict that keeps a library from serving as the
// engine, and its arguments.

#include <gtest/gtest.h>

#include <filesystem>
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

const std::string kHeading = std::string("vorlan-check-engine ") + VORLAN_VERSION;

}  // namespace

TEST(CheckEngine, WholeEngineListsEveryEntryFoundInTableOrder) {
    Check::Report report;
    EXPECT_EQ(Check::AllFound, Check::CheckEngine(FullEngine(), report));
    const std::vector<std::string> lines = Lines(report.out);
    ASSERT_EQ(57u, lines.size()) << report.out;
    EXPECT_EQ(kHeading, lines[0]);
    EXPECT_EQ("engine library: " + FullEngine(), lines[1]);
    EXPECT_EQ("#   entry point               state    when missing", lines[2]);
    EXPECT_EQ("1   initDeploymentInfo        found", lines[3]);
    EXPECT_EQ("53  hasUptoDateResults        found", lines[55]);
    EXPECT_EQ("53 entry points: 53 found, 0 missing", lines[56]);
    EXPECT_EQ(53u, LinesContaining(report.out, " found").size() - 1);
    EXPECT_TRUE(LinesContaining(report.out, "MISSING").empty());
    EXPECT_EQ("", report.err);
}

TEST(CheckEngine, PartialEngineNamesWhatFallsBack) {
    Check::Report report;
    EXPECT_EQ(Check::SomeMissing, Check::CheckEngine(PartialEngine(), report));
    const std::vector<std::string> expected = {
        "2   setBindKey                MISSING  falls back: setBindKey",
        "20  getWorkspace              MISSING  falls back: getWorkspace",
        "31  isTivraProject            MISSING  falls back: isTivraProject",
        "38  freeKoFile                MISSING  records not released after: getKoFile",
        "42  getDiagnostics            MISSING  falls back: getDiagnostics",
        "51  freeTrees                 MISSING  records not released after: getTrees",
        "53  hasUptoDateResults        MISSING  falls back: hasUpToDateResults",
    };
    EXPECT_EQ(expected, LinesContaining(report.out, "MISSING")) << report.out;
    EXPECT_EQ(std::vector<std::string>{"53 entry points: 46 found, 7 missing"},
              LinesContaining(report.out, "entry points:"));
    EXPECT_EQ("", report.err);
}

// What keeps a library from serving as the engine goes to standard error, after
// the two lines that name the check and the library.
TEST(CheckEngine, FileThatIsNoLibraryGivesTheBridgesFailureText) {
    const std::string path = TestDirectory() + "/not-a-library.txt";
    WriteFile(path, "this is text, not a library\n");
    Check::Report report;
    EXPECT_EQ(Check::NotLoaded, Check::CheckEngine(path, report));
    EXPECT_EQ(kHeading + "\nengine library: " + path + "\n", report.out);
#ifdef _WIN32
    // ERROR_BAD_EXE_FORMAT, and the system's words for it.
    const std::string number = "Failed to load Vorlan.dll: 193 (";
    EXPECT_EQ(0u, report.err.find(number)) << report.err;
    EXPECT_GT(report.err.size(), number.size() + 3) << report.err;
    EXPECT_EQ(")\n", report.err.substr(report.err.size() - 2)) << report.err;
#else
    EXPECT_EQ(0u, report.err.find("Failed to load libVorlan.so: " + path)) << report.err;
#endif
}

TEST(CheckEngine, LibraryWithoutAnyEntryPointIsNotAnEngine) {
    // The bridge itself exports none of the engine's names.
    const std::string none = TestLibrary("VorlanBridge");
    Check::Report report;
    EXPECT_EQ(Check::NotAnEngine, Check::CheckEngine(none, report));
    EXPECT_EQ(kHeading + "\nengine library: " + none + "\n", report.out);
    EXPECT_EQ(none + ": not an engine: it exports none of the 53 entry points\n", report.err);
}

#ifndef _WIN32
TEST(CheckEngine, ReferencesThatNothingDefinesAreNamed) {
    const std::string engine = TestLibrary("VorlanUnresolved");
    Check::Report report;
    EXPECT_EQ(Check::UnresolvedReferences, Check::CheckEngine(engine, report));
    EXPECT_EQ(std::vector<std::string>{"53 entry points: 1 found, 52 missing"},
              LinesContaining(report.out, "entry points:"));
    EXPECT_EQ(engine +
                  ": 2 of the engine's own references do not resolve; the first call that needs one ends the "
                  "process (a missing or older dependency?):\n  vorlanAlsoGone\n  vorlanGoneFromItsDependency\n",
              report.err);
}
#endif

TEST(CheckEngine, ArgumentsOptionsAndUsage) {
    struct Row {
        std::vector<std::string> arguments;
        Check::Status status;
        std::string outStart;
        std::string errStart;
    };
    const std::string usage = "usage: vorlan-check-engine <engine library>\n";
    const Row rows[] = {
        {{"--help"}, Check::AllFound, kHeading + "\n" + usage, ""},
        {{"--version"}, Check::AllFound, kHeading + "\n", ""},
        {{}, Check::Usage, "", usage},
        {{FullEngine(), FullEngine()}, Check::Usage, "", usage},
        {{"-v"}, Check::Usage, "", usage},
    };
    for (const Row& row : rows) {
        Check::Report report;
        EXPECT_EQ(row.status, Check::Run(row.arguments, report)) << row.arguments.size();
        EXPECT_EQ(0u, report.out.find(row.outStart)) << report.out;
        EXPECT_EQ(0u, report.err.find(row.errStart)) << report.err;
        if (row.outStart.empty()) {
            EXPECT_EQ("", report.out);
        }
        if (row.errStart.empty()) {
            EXPECT_EQ("", report.err);
        }
    }
}

TEST(CheckEngine, BareFileNameInTheCurrentFolderIsThatFile) {
    // A copy of the engine in a folder of its own, named as the user in that
    // folder names it: the system's search for that name would not look there.
    const std::filesystem::path folder = TestDirectory();
    const std::string name = std::filesystem::path(FullEngine()).filename().string();
    std::filesystem::copy_file(FullEngine(), folder / name, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::current_path(folder);
    Check::Report report;
    EXPECT_EQ(Check::AllFound, Check::Run({name}, report)) << report.err;
    EXPECT_EQ("engine library: " + (std::filesystem::current_path() / name).string(), Lines(report.out)[1]);
}
