#include "check/CheckEngine.h"

#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "check/CheckPlatform.h"
#include "engine/Platform.h"
#include "engine/VorlanApi.h"

namespace Check {
namespace {

// What a Java caller notices when an entry point is missing: the native
// methods that then return their fallback, or those that still return their
// answer but cannot hand the engine's record back to it. Every entry of the
// table needs its line here, or this file does not compile.
struct Effect {
    const char* fallsBack;
    const char* unreleasedBy;
};

namespace Missing {
constexpr Effect initDeploymentInfo{"initDeploymentInfo", nullptr};
constexpr Effect setBindKey{"setBindKey", nullptr};
constexpr Effect initApi{"initApi", nullptr};
constexpr Effect shutdownApi{"shutdownApi", nullptr};
constexpr Effect shutdownApp{"shutdownApp", nullptr};
constexpr Effect clearCachedObjects{"clearCachedObjects", nullptr};
constexpr Effect getInstallPath{"getInstallPath", nullptr};
constexpr Effect getUserPath{"getUserPath", nullptr};
constexpr Effect getInstallConfigPath{"getInstallConfigPath", nullptr};
constexpr Effect getReportTools{"getReportTools", nullptr};
constexpr Effect getInstallBinaryPath{"getInstallBinaryPath", nullptr};
constexpr Effect getUserAppConfigPath{"getUserAppConfigPath", nullptr};
constexpr Effect getUserConfigPath{"getUserConfigPath", nullptr};
constexpr Effect getCMAProjectList{"getCMAProjects", nullptr};
constexpr Effect getCurrentLanguage{"getCurrentLanguage", nullptr};
constexpr Effect setCurrentLanguage{"setCurrentLanguage", nullptr};
constexpr Effect getAvailableLanguages{"getAvailableLanguages", nullptr};
constexpr Effect freeLanguages{nullptr, "getAvailableLanguages"};
constexpr Effect setWorkspace{"setWorkspace", nullptr};
constexpr Effect getWorkspace{"getWorkspace", nullptr};
constexpr Effect getLogLevel{"getDebugLevel", nullptr};
constexpr Effect setLogLevel{"setDebugLevel (the bridge's own level is still set)", nullptr};
constexpr Effect getVersionNumber{"getVersionNumber", nullptr};
constexpr Effect getTivraHelp{"getTivraHelp", nullptr};
constexpr Effect getTivraContextHelp{"getTivraContextHelp", nullptr};
constexpr Effect getComponents{"getComponents", nullptr};
constexpr Effect getComponentMessages{nullptr, nullptr};
constexpr Effect createProject{"createProject", nullptr};
constexpr Effect addCCT{"addCCT", nullptr};
constexpr Effect setActiveCCT{"setActiveCCT", nullptr};
constexpr Effect isTivraProject{"isTivraProject", nullptr};
constexpr Effect initProjectMngr{"initProjectMngr", nullptr};
constexpr Effect removeFile{"removeFile", nullptr};
constexpr Effect addFile{"addFile", nullptr};
constexpr Effect getFiles{"getFiles", nullptr};
constexpr Effect getMappedFileExtensions{"getFileExtensions", nullptr};
constexpr Effect getKoFile{"getKoFile", nullptr};
constexpr Effect freeKoFile{nullptr, "getKoFile"};
constexpr Effect freeStrings{nullptr, "getFileExtensions, getCMAProjects, getReportTools"};
constexpr Effect initResults{"initResults", nullptr};
constexpr Effect aggregate{"aggregate", nullptr};
constexpr Effect getDiagnostics{"getDiagnostics", nullptr};
constexpr Effect getIncludedFiles{nullptr, nullptr};
constexpr Effect getRuleGroups{"getRuleGroups", nullptr};
constexpr Effect getMessageRuleMap{"getMessageRuleMap", nullptr};
constexpr Effect freeDiagnostics{nullptr, "getDiagnostics"};
constexpr Effect freeFilePaths{nullptr, nullptr};
constexpr Effect freeRuleGroups{nullptr, "getRuleGroups"};
constexpr Effect freeMessageRuleMap{nullptr, "getMessageRuleMap"};
constexpr Effect getTrees{"getTrees", nullptr};
constexpr Effect freeTrees{nullptr, "getTrees"};
constexpr Effect hasResults{"hasResults", nullptr};
constexpr Effect hasUptoDateResults{"hasUpToDateResults", nullptr};
}  // namespace Missing

struct Row {
    const char* name;
    Effect effect;
};

#define VORLAN_CHECK_ROW(name, result, params) {#name, Missing::name},
constexpr Row kRows[] = {VORLAN_ENTRY_POINTS(VORLAN_CHECK_ROW)};
#undef VORLAN_CHECK_ROW

std::string WhenMissing(const Effect& effect) {
    if (effect.fallsBack != nullptr) return std::string("falls back: ") + effect.fallsBack;
    if (effect.unreleasedBy != nullptr) return std::string("records not released after: ") + effect.unreleasedBy;
    return "no native method calls it";
}

// `text` padded with blanks to `width` columns.
std::string Column(const std::string& text, size_t width) {
    return text.size() < width ? text + std::string(width - text.size(), ' ') : text + ' ';
}

const char kUsage[] =
    "usage: vorlan-check-engine <engine library>\n"
    "       vorlan-check-engine --help | --version\n"
    "Loads the engine library as the bridge does and lists its entry points.\n"
    "Exit status: 0 all found, 1 some missing, 2 the library does not load,\n"
    "3 not an engine (none of the entry points), 4 the engine refers to names\n"
    "nothing defines, 64 wrong arguments.\n";

// The load failure, with the system's own words for a Windows error code.
std::string FailureText(const std::string& failure, const std::string& libraryPath) {
    const size_t number = failure.find_last_of(' ');
    if (number == std::string::npos || number + 1 == failure.size()) return failure;
    char* end = nullptr;
    const unsigned long code = std::strtoul(failure.c_str() + number + 1, &end, 10);
    if (*end != '\0') return failure;
    const std::string text = SystemErrorText(code, libraryPath);
    return text.empty() ? failure : failure + " (" + text + ")";
}

}  // namespace

Status CheckEngine(const std::string& libraryPath, Report& report) {
    report.out = std::string("vorlan-check-engine ") + VORLAN_VERSION + "\nengine library: " + libraryPath + "\n";
    const std::string notAnEngine =
        libraryPath + ": not an engine: it exports none of the " + std::to_string(std::size(kRows)) + " entry points\n";
    VorlanApi* api = VorlanApi::GetInstance();
    const std::string failure = api->InitVorlanApi(libraryPath.c_str());
    if (!failure.empty()) {
        // A bridge that refuses a library without entry points says so in its text.
        if (failure.find("none of the engine's entry points") != std::string::npos) {
            report.err += notAnEngine;
            return NotAnEngine;
        }
        report.err += FailureText(failure, libraryPath) + "\n";
        return NotLoaded;
    }

    int found = 0, missing = 0, number = 0;
    std::string table = Column("#", 4) + Column("entry point", 26) + Column("state", 9) + "when missing\n";
    // The proxy visits its entries in table order, the order of kRows.
    api->VisitEntries([&](const char* name, bool resolved) {
        const std::string row = Column(std::to_string(++number), 4) + Column(name, 26);
        if (resolved) {
            ++found;
            table += row + "found\n";
        } else {
            ++missing;
            table += row + Column("MISSING", 9) + WhenMissing(kRows[number - 1].effect) + "\n";
        }
    });
    if (found == 0) {
        report.err += notAnEngine;
        return NotAnEngine;
    }
    report.out += table + std::to_string(found + missing) + " entry points: " + std::to_string(found) + " found, " +
                  std::to_string(missing) + " missing\n";

    const std::vector<std::string> unresolved =
        Check::UnresolvedNames(libraryPath, Platform::OpenLibrary(libraryPath.c_str()));
    if (!unresolved.empty()) {
        report.err += libraryPath + ": " + std::to_string(unresolved.size()) +
                      " of the engine's own references do not resolve; the first call that needs one ends the "
                      "process (a missing or older dependency?):\n";
        for (const std::string& name : unresolved) report.err += "  " + name + "\n";
        return UnresolvedReferences;
    }
    return missing == 0 ? AllFound : SomeMissing;
}

Status Run(const std::vector<std::string>& arguments, Report& report) {
    if (arguments.size() == 1 && arguments[0] == "--help") {
        report.out = std::string("vorlan-check-engine ") + VORLAN_VERSION + "\n" + kUsage;
        return AllFound;
    }
    if (arguments.size() == 1 && arguments[0] == "--version") {
        report.out = std::string("vorlan-check-engine ") + VORLAN_VERSION + "\n";
        return AllFound;
    }
    if (arguments.size() != 1 || arguments[0].empty() || arguments[0][0] == '-') {
        report.err = kUsage;
        return Usage;
    }
    // A file that opens from here is the one meant.
    std::string path = arguments[0];
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        std::fclose(file);
        path = AbsolutePath(path);
    }
    return CheckEngine(path, report);
}

}  // namespace Check
