// The forwarding methods of VorlanApi. Each is one row of the table below:
// call-line name, API tag, missing-entry message, fallback, and the argument
// lines with the position of the argument each shows. The bodies only pick the
// row and the entry. The texts are a fixed contract (see log/Logger.h).

#include "engine/Forwarding.h"
#include "engine/VorlanApi.h"

using Forwarding::Forward;
using Forwarding::Row;

#define ROW(type, method, apiTag, fallback, ...) \
    const Row<type> k##method{VORLAN_METHOD(#method), apiTag, VORLAN_MISSING_ENTRY(#method), fallback, {__VA_ARGS__}}
#define VOID_ROW(method, apiTag, ...) \
    const Row<void> k##method{VORLAN_METHOD(#method), apiTag, VORLAN_MISSING_ENTRY(#method), {__VA_ARGS__}}

namespace {

// clang-format off
//       result         method                 API tag                 fallback  argument lines {format, argument}
ROW     (int,           InitDeployment,        "initDeploymentInfo",   -1);
VOID_ROW(               SetBindKey,            "setBindKey",                     {"\t\t bindKey - %s\n", 0});
ROW     (int,           InitApi,               "initApi",              -1,       {"\t\t bindKey - %s\n", 0});
VOID_ROW(               ShutdownApi,           "shutdownApi");
VOID_ROW(               ShutdownApp,           "shutdownApp");
VOID_ROW(               ClearCachedObjects,    "clearCachedObjects");
ROW     (const char*,   GetInstallPath,        "getInstallPath",       "null");
ROW     (const char*,   GetUserPath,           "getUserPath",          "null");
ROW     (const char*,   GetInstallConfigPath,  "getInstallConfigPath", "null");
ROW     (const char*,   GetInstallBinaryPath,  "getInstallBinaryPath", "null");
ROW     (const char*,   GetUserAppConfigPath,  "getUserAppConfigPath", "null");
ROW     (const char*,   GetUserConfigPath,     "getUserConfigPath",    "null");
ROW     (KoLanguage_C,  GetCurrentLanguage,    "getCurrentLanguage",   0);
VOID_ROW(               SetCurrentLanguage,    "SetCurrentLanguage",             {"\t\t language - %d\n", 0});
VOID_ROW(               SetWorkspacePath,      "setWorkspace",                   {"\t\t path - %s\n", 0});
const Row<const char*> kGetWorkSpacePath{VORLAN_METHOD("GetWorkSpacePath"), "getWorkspace",
    "\tAttempt to call VorlanApi::GetWorkSpacePath failed because ptr2f is null. %s\n", "null", {}};
ROW     (KoLogLevel_C,  GetLogLevel,           "getLogLevel",          0);
VOID_ROW(               SetLogLevel,           "setLogLevel",                    {"\t\t logLevel - %d\n", 0});
ROW     (const char*,   GetVersionNumber,      "getVersionNumber",     "0.0.0");
ROW     (const char*,   GetTivraHelpFile,      "getTivraHelp",         "",       {"\t\t html - %d\n", 0});
ROW     (const char*,   GetTivraContextHelp,   "getTivraContextHelp",  "",       {"\t\t context - %d\n", 0});
ROW     (const char*,   GetComponents,         "getComponents",        "");
ROW     (const char*,   GetComponentMessages,  "getComponentMessages", "",       {"\t\t name - %s\n", 0}, {"\t\t version - %s\n", 1});
ROW     (int,           CreateProject,         "createProject",        -1,       {"\t\t location - %s\n", 0}, {"\t\t name - %s\n", 1},
                                                                                 {"\t\t acfFile - %s\n", 2}, {"\t\t rcfFile - %s\n", 3},
                                                                                 {"\t\t cctFile - %s\n", 4});
ROW     (int,           AddCCT,                "addCCT",               -1,       {"\t\t cctFilePath - %s\n", 0});
ROW     (int,           SetActiveCCT,          "setActiveCCT",         -1,       {"\t\t lang - %d\n", 0}, {"\t\t cctFileName - %s\n", 1});
const Row<unsigned char> kIsTivraProject{VORLAN_METHOD("IsTivraProject"), "isTivraProject",
    "\tAttempt to call VorlanAPi::IsTivraProject failed because ptr2f is null %s\n", 0,
    {{"\t\t location - %s\n", 0}, {"\t\t name - %s\n", 1}}};
ROW     (int,           InitProjectMngr,       "initProjectMngr",      -1,       {"\t\t bindKey - %s\n", 0}, {"\t\t location - %s\n", 1},
                                                                                 {"\t\t name - %s\n", 2});
ROW     (int,           RemoveFile,            "removeFile",           -1,       {"\t\t filePath - %s\n", 0});
ROW     (int,           AddFile,               "addFile",              -1,       {"\t\t targetLanguage - %d\n", 0}, {"\t\t file - %s\n", 1},
                                                                                 {"\t\t definesSize - %d\n", 2}, {"\t\t includesSize - %d\n", 4});
ROW     (int,           InitResults,           "initResults",          -1,       {"\t\t bindKey - %s\n", 0}, {"\t\t location - %s\n", 1},
                                                                                 {"\t\t name - %s\n", 2});
const Row<void> kAggregate{VORLAN_METHOD("Aggregate"), "aggregate",
    "\tAttempt to call VorlanApi::aggregate failed because ptr2f is null %s\n", {}};
ROW     (unsigned char, HasResults,            "hasResults",           0,        {"\t\t sourceFile - %s\n", 0});
ROW     (unsigned char, HasUpToDateResults,    "hasUptoDateResults",   0,        {"\t\t sourceFile - %s\n", 0});
const Row<int> kFreeKoFile{VORLAN_METHOD("FreeKoFile"), "freeKoFile",
    "\tAttempt to call VorlanApi::freeKoFile failed because ptr2f is null %s\n", -1, {{"\t\t file - %s\n", 0}}};
const Row<int> kFreeStrings{VORLAN_METHOD("FreeStrings"), "freeStrings",
    "\tAttempt to call VorlanApi::freeStrings failed because ptr2f is null %s\n", -1, {}};
ROW     (int,           FreeDiagnostics,       "freeDiagnostics",      -1);
ROW     (int,           FreeFilePaths,         "freeFilePaths",        -1);
ROW     (int,           FreeRuleGroups,        "freeRuleGroups",       -1);
ROW     (int,           FreeMessageRuleMap,    "freeMessageRuleMap",   -1);
const Row<int> kFreeTrees{VORLAN_METHOD("FreeTrees"), "freeTrees",
    "\tAttempt to call VorlanApi::FreeTrees failes because ptr2f is null %s\n", -1, {}};
VOID_ROW(               FreeLanguages,         "freeLanguages");
// clang-format on

}  // namespace

int VorlanApi::InitDeployment() { return Forward(kInitDeployment, m_pf_initDeploymentInfo); }
void VorlanApi::SetBindKey(const char* bindKey) { Forward(kSetBindKey, m_pf_setBindKey, bindKey); }
int VorlanApi::InitApi(const char* bindKey) { return Forward(kInitApi, m_pf_initApi, bindKey); }
void VorlanApi::ShutdownApi() { Forward(kShutdownApi, m_pf_shutdownApi); }
void VorlanApi::ShutdownApp() { Forward(kShutdownApp, m_pf_shutdownApp); }
void VorlanApi::ClearCachedObjects() { Forward(kClearCachedObjects, m_pf_clearCachedObjects); }
const char* VorlanApi::GetInstallPath() { return Forward(kGetInstallPath, m_pf_getInstallPath); }
const char* VorlanApi::GetUserPath() { return Forward(kGetUserPath, m_pf_getUserPath); }
const char* VorlanApi::GetInstallConfigPath() { return Forward(kGetInstallConfigPath, m_pf_getInstallConfigPath); }
const char* VorlanApi::GetInstallBinaryPath() { return Forward(kGetInstallBinaryPath, m_pf_getInstallBinaryPath); }
const char* VorlanApi::GetUserAppConfigPath() { return Forward(kGetUserAppConfigPath, m_pf_getUserAppConfigPath); }
const char* VorlanApi::GetUserConfigPath() { return Forward(kGetUserConfigPath, m_pf_getUserConfigPath); }
KoLanguage_C VorlanApi::GetCurrentLanguage() { return Forward(kGetCurrentLanguage, m_pf_getCurrentLanguage); }
void VorlanApi::SetCurrentLanguage(KoLanguage_C language) {
    Forward(kSetCurrentLanguage, m_pf_setCurrentLanguage, language);
}
void VorlanApi::SetWorkspacePath(const char* path) { Forward(kSetWorkspacePath, m_pf_setWorkspace, path); }
const char* VorlanApi::GetWorkSpacePath() { return Forward(kGetWorkSpacePath, m_pf_getWorkspace); }
KoLogLevel_C VorlanApi::GetLogLevel() { return Forward(kGetLogLevel, m_pf_getLogLevel); }
void VorlanApi::SetLogLevel(KoLogLevel_C level) { Forward(kSetLogLevel, m_pf_setLogLevel, level); }
const char* VorlanApi::GetVersionNumber() { return Forward(kGetVersionNumber, m_pf_getVersionNumber); }
const char* VorlanApi::GetTivraHelpFile(bool html) { return Forward(kGetTivraHelpFile, m_pf_getTivraHelp, html); }
const char* VorlanApi::GetTivraContextHelp(KoHelpContext_C context) {
    return Forward(kGetTivraContextHelp, m_pf_getTivraContextHelp, context);
}
const char* VorlanApi::GetComponents() { return Forward(kGetComponents, m_pf_getComponents); }
const char* VorlanApi::GetComponentMessages(const char* name, const char* version) {
    return Forward(kGetComponentMessages, m_pf_getComponentMessages, name, version);
}
int VorlanApi::CreateProject(const char* location, const char* name, const char* acfFile, const char* rcfFile,
                             const char* cctFile) {
    return Forward(kCreateProject, m_pf_createProject, location, name, acfFile, rcfFile, cctFile);
}
int VorlanApi::AddCCT(const char* cctFilePath) { return Forward(kAddCCT, m_pf_addCCT, cctFilePath); }
int VorlanApi::SetActiveCCT(KoSourceLanguage_C lang, const char* cctFileName) {
    return Forward(kSetActiveCCT, m_pf_setActiveCCT, lang, cctFileName);
}
bool VorlanApi::IsTivraProject(const char* location, const char* name) {
    // Only the byte 1 means yes; the result line shows the byte itself.
    return Forward(kIsTivraProject, m_pf_isTivraProject, location, name) == 1;
}
int VorlanApi::InitProjectMngr(const char* bindKey, const char* location, const char* name) {
    return Forward(kInitProjectMngr, m_pf_initProjectMngr, bindKey, location, name);
}
int VorlanApi::RemoveFile(const char* filePath) { return Forward(kRemoveFile, m_pf_removeFile, filePath); }
int VorlanApi::AddFile(KoSourceLanguage_C language, const char* file, unsigned int definesCount, char** defines,
                       unsigned int includesCount, char** includes) {
    return Forward(kAddFile, m_pf_addFile, language, file, definesCount, defines, includesCount, includes);
}
int VorlanApi::InitResults(const char* bindKey, const char* location, const char* name) {
    return Forward(kInitResults, m_pf_initResults, bindKey, location, name);
}
void VorlanApi::Aggregate() { Forward(kAggregate, m_pf_aggregate, m_pfAggregateCallback); }
bool VorlanApi::HasResults(const char* sourceFile) {
    return Forward(kHasResults, m_pf_hasResults, sourceFile) != 0;
}
bool VorlanApi::HasUpToDateResults(const char* sourceFile) {
    return Forward(kHasUpToDateResults, m_pf_hasUptoDateResults, sourceFile) != 0;
}

int VorlanApi::FreeKoFile(KoFile_C** file) { return Forward(kFreeKoFile, m_pf_freeKoFile, file); }
int VorlanApi::FreeStrings(KoStrings_C** list) { return Forward(kFreeStrings, m_pf_freeStrings, list); }
int VorlanApi::FreeDiagnostics(KoDiagnosticArray_C** diagnostics) {
    return Forward(kFreeDiagnostics, m_pf_freeDiagnostics, diagnostics);
}
int VorlanApi::FreeFilePaths(KoFilePathArray_C** paths) { return Forward(kFreeFilePaths, m_pf_freeFilePaths, paths); }
int VorlanApi::FreeRuleGroups(KoRuleGroupArray_C** groups) {
    return Forward(kFreeRuleGroups, m_pf_freeRuleGroups, groups);
}
int VorlanApi::FreeMessageRuleMap(KoMessageRuleMap_C** map) {
    return Forward(kFreeMessageRuleMap, m_pf_freeMessageRuleMap, map);
}
int VorlanApi::FreeTrees(KoTrees_C** trees) { return Forward(kFreeTrees, m_pf_freeTrees, trees); }
void VorlanApi::FreeLanguages(KoLanguages_C** languages) { Forward(kFreeLanguages, m_pf_freeLanguages, languages); }
