// The scripted test engine: exports the engine's 53 entry points (fewer in the
// partial variant, built with VORLAN_PARTIAL) and records every call.

#include "tests/engine-double/EngineDouble.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <string>

namespace {

EngineDoubleControl& control() {
    static EngineDoubleControl state;
    return state;
}

// Entries may be called from several threads at once (the concurrency tests):
// everything an entry writes into the control, or reads back after a write,
// happens under this lock. Scripted values are set before the calls start.
std::mutex& stateLock() {
    static std::mutex lock;
    return lock;
}

std::string show(const char* text) { return text != nullptr ? text : "<null>"; }
std::string show(int value) { return std::to_string(value); }
std::string show(unsigned int value) { return std::to_string(value); }
std::string show(bool value) { return value ? "true" : "false"; }
std::string showList(unsigned int count, char** items) {
    if (items == nullptr) return "<null>";
    std::string text = "[";
    for (unsigned int i = 0; i < count; ++i) {
        if (i > 0) text += "|";
        text += show(items[i]);
    }
    return text + "]";
}

template <typename... Args>
void record(const char* name, const Args&... args) {
    if (!control().recording) return;
    std::lock_guard<std::mutex> guard(stateLock());
    std::string line = std::string(name) + "(";
    size_t index = 0;
    for (const std::string* arg : {static_cast<const std::string*>(nullptr), &args...}) {
        if (arg == nullptr) continue;
        if (index++ > 0) line += ", ";
        line += *arg;
    }
    control().calls.push_back(line + ")");
}

// Texts scripted from outside the process: when VORLAN_ENGINE_TEXTS names a
// directory that holds a file named like the entry, the entry answers the
// file's bytes, read afresh at every call. The JUnit tests, which cannot reach
// the control interface, script texts this way.
const char* fileText(const char* entry) {
    const char* directory = std::getenv("VORLAN_ENGINE_TEXTS");
    if (directory == nullptr) return nullptr;
    std::ifstream in(std::string(directory) + "/" + entry, std::ios::binary);
    if (!in) return nullptr;
    static std::map<std::string, std::string> texts;
    std::string& text = texts[entry];
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return text.c_str();
}

const char* text(const char* entry) {
    std::lock_guard<std::mutex> guard(stateLock());
    EngineDoubleControl& c = control();
    if (c.nullText.count(entry) != 0) return nullptr;
    if (const char* scripted = fileText(entry)) return scripted;
    auto found = c.textOf.find(entry);
    if (found == c.textOf.end()) found = c.textOf.emplace(entry, std::string(entry) + " text").first;
    return found->second.c_str();
}

template <typename T>
int fill(const char* entry, T** out, T* record) {
    std::lock_guard<std::mutex> guard(stateLock());
    control().filledAddress[entry] = out;
    if (out != nullptr) *out = record;
    return control().statusFor(entry);
}

template <typename T>
int release(const char* entry, T** address) {
    record(entry);
    std::lock_guard<std::mutex> guard(stateLock());
    control().releases.push_back({entry, address, address != nullptr ? static_cast<void*>(*address) : nullptr});
    return control().statusFor(entry);
}

}  // namespace

ENGINE_DOUBLE_EXPORT EngineDoubleControl* engineDoubleControl() { return &control(); }

#ifdef VORLAN_NEEDS_DEPENDENCY
// A DLL of the engine's own, which Windows must find beside the engine.
extern "C" __declspec(dllimport) int vorlanDependency();
ENGINE_DOUBLE_EXPORT int engineDoubleDependency() { return vorlanDependency(); }
#endif

ENGINE_DOUBLE_EXPORT int initDeploymentInfo() {
    record("initDeploymentInfo");
    return control().statusFor("initDeploymentInfo");
}
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_EXPORT void setBindKey(const char* bindKey) { record("setBindKey", show(bindKey)); }
#endif
ENGINE_DOUBLE_EXPORT int initApi(const char* bindKey) {
    record("initApi", show(bindKey));
    return control().statusFor("initApi");
}
ENGINE_DOUBLE_EXPORT void shutdownApi() { record("shutdownApi"); }
ENGINE_DOUBLE_EXPORT void shutdownApp() { record("shutdownApp"); }
ENGINE_DOUBLE_EXPORT void clearCachedObjects() { record("clearCachedObjects"); }

#define ENGINE_DOUBLE_TEXT_GETTER(name)      \
    ENGINE_DOUBLE_EXPORT const char* name() { \
        record(#name);                       \
        return text(#name);                  \
    }
ENGINE_DOUBLE_TEXT_GETTER(getInstallPath)
ENGINE_DOUBLE_TEXT_GETTER(getUserPath)
ENGINE_DOUBLE_TEXT_GETTER(getInstallConfigPath)
ENGINE_DOUBLE_TEXT_GETTER(getInstallBinaryPath)
ENGINE_DOUBLE_TEXT_GETTER(getUserAppConfigPath)
ENGINE_DOUBLE_TEXT_GETTER(getUserConfigPath)
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_TEXT_GETTER(getWorkspace)
#endif
ENGINE_DOUBLE_TEXT_GETTER(getVersionNumber)
ENGINE_DOUBLE_TEXT_GETTER(getComponents)

ENGINE_DOUBLE_EXPORT int getReportTools(KoStrings_C** list) {
    record("getReportTools");
    return fill("getReportTools", list, control().reportTools);
}
ENGINE_DOUBLE_EXPORT int getCMAProjectList(KoStrings_C** list) {
    record("getCMAProjectList");
    return fill("getCMAProjectList", list, control().cmaProjects);
}
ENGINE_DOUBLE_EXPORT KoLanguage_C getCurrentLanguage() {
    record("getCurrentLanguage");
    std::lock_guard<std::mutex> guard(stateLock());
    return control().currentLanguage;
}
ENGINE_DOUBLE_EXPORT void setCurrentLanguage(KoLanguage_C language) {
    record("setCurrentLanguage", show(language));
    std::lock_guard<std::mutex> guard(stateLock());
    control().currentLanguage = language;
}
ENGINE_DOUBLE_EXPORT void getAvailableLanguages(KoLanguages_C** languages) {
    record("getAvailableLanguages");
    fill("getAvailableLanguages", languages, control().languages);
}
ENGINE_DOUBLE_EXPORT void freeLanguages(KoLanguages_C** languages) { release("freeLanguages", languages); }
ENGINE_DOUBLE_EXPORT void setWorkspace(const char* path) { record("setWorkspace", show(path)); }
ENGINE_DOUBLE_EXPORT KoLogLevel_C getLogLevel() {
    record("getLogLevel");
    return control().logLevel;
}
ENGINE_DOUBLE_EXPORT void setLogLevel(KoLogLevel_C level) { record("setLogLevel", show(level)); }
ENGINE_DOUBLE_EXPORT const char* getTivraHelp(bool html) {
    record("getTivraHelp", show(html));
    return text("getTivraHelp");
}
ENGINE_DOUBLE_EXPORT const char* getTivraContextHelp(KoHelpContext_C context) {
    record("getTivraContextHelp", show(context));
    return text("getTivraContextHelp");
}
ENGINE_DOUBLE_EXPORT const char* getComponentMessages(const char* name, const char* version) {
    record("getComponentMessages", show(name), show(version));
    return text("getComponentMessages");
}
ENGINE_DOUBLE_EXPORT int createProject(const char* location, const char* name, const char* acfFile,
                                       const char* rcfFile, const char* cctFile) {
    record("createProject", show(location), show(name), show(acfFile), show(rcfFile), show(cctFile));
    return control().statusFor("createProject");
}
ENGINE_DOUBLE_EXPORT int addCCT(const char* cctFilePath) {
    record("addCCT", show(cctFilePath));
    return control().statusFor("addCCT");
}
ENGINE_DOUBLE_EXPORT int setActiveCCT(KoSourceLanguage_C lang, const char* cctFileName) {
    record("setActiveCCT", show(lang), show(cctFileName));
    return control().statusFor("setActiveCCT");
}
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_EXPORT unsigned char isTivraProject(const char* location, const char* name) {
    record("isTivraProject", show(location), show(name));
    return control().isTivraProject;
}
#endif
ENGINE_DOUBLE_EXPORT int initProjectMngr(const char* bindKey, const char* location, const char* name) {
    record("initProjectMngr", show(bindKey), show(location), show(name));
    return control().statusFor("initProjectMngr");
}
ENGINE_DOUBLE_EXPORT int removeFile(const char* filePath) {
    record("removeFile", show(filePath));
    return control().statusFor("removeFile");
}
ENGINE_DOUBLE_EXPORT int addFile(KoSourceLanguage_C language, const char* file, unsigned int definesCount,
                                 char** defines, unsigned int includesCount, char** includes) {
    record("addFile", show(language), show(file), show(definesCount), showList(definesCount, defines),
           show(includesCount), showList(includesCount, includes));
    return control().statusFor("addFile");
}
ENGINE_DOUBLE_EXPORT int getFiles(KoFileList_C** files) {
    record("getFiles");
    return fill("getFiles", files, control().files);
}
ENGINE_DOUBLE_EXPORT int getMappedFileExtensions(KoSourceLanguage_C language, KoStrings_C** extensions) {
    record("getMappedFileExtensions", show(language));
    const std::string entry = "getMappedFileExtensions/" + show(language);
    std::lock_guard<std::mutex> guard(stateLock());
    control().filledAddress[entry] = extensions;
    if (extensions != nullptr) *extensions = language == 0 ? control().extensionsC : control().extensionsCpp;
    return control().statusFor(entry);
}
ENGINE_DOUBLE_EXPORT int getKoFile(const char* filePath, KoFile_C** file) {
    record("getKoFile", show(filePath));
    return fill("getKoFile", file, control().koFile);
}
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_EXPORT int freeKoFile(KoFile_C** file) { return release("freeKoFile", file); }
#endif
ENGINE_DOUBLE_EXPORT int freeStrings(KoStrings_C** list) { return release("freeStrings", list); }
ENGINE_DOUBLE_EXPORT int initResults(const char* bindKey, const char* location, const char* name) {
    record("initResults", show(bindKey), show(location), show(name));
    return control().statusFor("initResults");
}
ENGINE_DOUBLE_EXPORT void aggregate(AggregateCallback_C progress) {
    record("aggregate", std::string(progress != nullptr ? "callback" : "<null>"));
    {
        std::lock_guard<std::mutex> guard(stateLock());
        control().lastCallback = progress;
    }
    if (progress != nullptr)
        for (unsigned int value : control().progress) progress(value);
}
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_EXPORT int getDiagnostics(const char* filePath, KoMessageArray_C* messages, KoRuleArray_C* rules,
                                        KoSuppressionState_C mask, KoDiagnosticArray_C** diagnostics) {
    record("getDiagnostics", show(filePath), std::string(messages != nullptr ? "messages" : "<null>"),
           std::string(rules != nullptr ? "rules" : "<null>"), show(mask));
    return fill("getDiagnostics", diagnostics, control().diagnostics);
}
#endif
ENGINE_DOUBLE_EXPORT int getIncludedFiles(void** record_) {
    record("getIncludedFiles");
    return fill("getIncludedFiles", record_, control().includedFiles);
}
ENGINE_DOUBLE_EXPORT int getRuleGroups(KoRuleGroupArray_C** groups) {
    record("getRuleGroups");
    return fill("getRuleGroups", groups, control().ruleGroups);
}
ENGINE_DOUBLE_EXPORT int getMessageRuleMap(KoMessageRuleMap_C** map) {
    record("getMessageRuleMap");
    return fill("getMessageRuleMap", map, control().messageRuleMap);
}
ENGINE_DOUBLE_EXPORT int freeDiagnostics(KoDiagnosticArray_C** diagnostics) {
    return release("freeDiagnostics", diagnostics);
}
ENGINE_DOUBLE_EXPORT int freeFilePaths(KoFilePathArray_C** paths) { return release("freeFilePaths", paths); }
ENGINE_DOUBLE_EXPORT int freeRuleGroups(KoRuleGroupArray_C** groups) { return release("freeRuleGroups", groups); }
ENGINE_DOUBLE_EXPORT int freeMessageRuleMap(KoMessageRuleMap_C** map) { return release("freeMessageRuleMap", map); }
ENGINE_DOUBLE_EXPORT int getTrees(KoTrees_C** trees, bool flag, unsigned int count, char** list) {
    record("getTrees", show(flag), show(count), showList(count, list));
    return fill("getTrees", trees, control().trees);
}
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_EXPORT int freeTrees(KoTrees_C** trees) { return release("freeTrees", trees); }
#endif
ENGINE_DOUBLE_EXPORT unsigned char hasResults(const char* sourceFile) {
    record("hasResults", show(sourceFile));
    return control().hasResults;
}
#ifndef VORLAN_PARTIAL
ENGINE_DOUBLE_EXPORT unsigned char hasUptoDateResults(const char* sourceFile) {
    record("hasUptoDateResults", show(sourceFile));
    return control().hasUptoDateResults;
}
#endif
