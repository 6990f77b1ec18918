#pragma once

// The engine's 53 entry points, in the order in which they are resolved and
// declared: X(name, result, parameters). `name` is the export looked up, and
// also names the member that holds its address. One-byte yes/no answers are
// read as unsigned char, so that any byte value the engine returns is defined.

#include "engine/KoTypes.h"

typedef void (*AggregateCallback_C)(unsigned int progress);

#define VORLAN_ENTRY_POINTS(X)                                                                       \
    X(initDeploymentInfo, int, (void))                                                               \
    X(setBindKey, void, (const char* bindKey))                                                       \
    X(initApi, int, (const char* bindKey))                                                           \
    X(shutdownApi, void, (void))                                                                     \
    X(shutdownApp, void, (void))                                                                     \
    X(clearCachedObjects, void, (void))                                                              \
    X(getInstallPath, const char*, (void))                                                           \
    X(getUserPath, const char*, (void))                                                              \
    X(getInstallConfigPath, const char*, (void))                                                     \
    X(getReportTools, int, (KoStrings_C * *list))                                                    \
    X(getInstallBinaryPath, const char*, (void))                                                     \
    X(getUserAppConfigPath, const char*, (void))                                                     \
    X(getUserConfigPath, const char*, (void))                                                        \
    X(getCMAProjectList, int, (KoStrings_C * *list))                                                 \
    X(getCurrentLanguage, KoLanguage_C, (void))                                                      \
    X(setCurrentLanguage, void, (KoLanguage_C language))                                             \
    X(getAvailableLanguages, void, (KoLanguages_C * *languages))                                     \
    X(freeLanguages, void, (KoLanguages_C * *languages))                                             \
    X(setWorkspace, void, (const char* path))                                                        \
    X(getWorkspace, const char*, (void))                                                             \
    X(getLogLevel, KoLogLevel_C, (void))                                                             \
    X(setLogLevel, void, (KoLogLevel_C level))                                                       \
    X(getVersionNumber, const char*, (void))                                                         \
    X(getTivraHelp, const char*, (bool html))                                                        \
    X(getTivraContextHelp, const char*, (KoHelpContext_C context))                                   \
    X(getComponents, const char*, (void))                                                            \
    X(getComponentMessages, const char*, (const char* name, const char* version))                    \
    X(createProject, int,                                                                            \
      (const char* location, const char* name, const char* acfFile, const char* rcfFile,             \
       const char* cctFile))                                                                         \
    X(addCCT, int, (const char* cctFilePath))                                                        \
    X(setActiveCCT, int, (KoSourceLanguage_C lang, const char* cctFileName))                         \
    X(isTivraProject, unsigned char, (const char* location, const char* name))                       \
    X(initProjectMngr, int, (const char* bindKey, const char* location, const char* name))           \
    X(removeFile, int, (const char* filePath))                                                       \
    X(addFile, int,                                                                                  \
      (KoSourceLanguage_C language, const char* file, unsigned int definesCount, char** defines,     \
       unsigned int includesCount, char** includes))                                                 \
    X(getFiles, int, (KoFileList_C * *files))                                                        \
    X(getMappedFileExtensions, int, (KoSourceLanguage_C language, KoStrings_C * *extensions))        \
    X(getKoFile, int, (const char* filePath, KoFile_C** file))                                       \
    X(freeKoFile, int, (KoFile_C * *file))                                                           \
    X(freeStrings, int, (KoStrings_C * *list))                                                       \
    X(initResults, int, (const char* bindKey, const char* location, const char* name))               \
    X(aggregate, void, (AggregateCallback_C progress))                                               \
    X(getDiagnostics, int,                                                                           \
      (const char* filePath, KoMessageArray_C* messages, KoRuleArray_C* rules,                       \
       KoSuppressionState_C mask, KoDiagnosticArray_C** diagnostics))                                \
    X(getIncludedFiles, int, (void** record))                                                        \
    X(getRuleGroups, int, (KoRuleGroupArray_C * *groups))                                            \
    X(getMessageRuleMap, int, (KoMessageRuleMap_C * *map))                                           \
    X(freeDiagnostics, int, (KoDiagnosticArray_C * *diagnostics))                                    \
    X(freeFilePaths, int, (KoFilePathArray_C * *paths))                                              \
    X(freeRuleGroups, int, (KoRuleGroupArray_C * *groups))                                           \
    X(freeMessageRuleMap, int, (KoMessageRuleMap_C * *map))                                          \
    X(getTrees, int, (KoTrees_C * *trees, bool flag, unsigned int count, char** list))              \
    X(freeTrees, int, (KoTrees_C * *trees))                                                          \
    X(hasResults, unsigned char, (const char* sourceFile))                                           \
    X(hasUptoDateResults, unsigned char, (const char* sourceFile))

// Function pointer types of the entries: VorlanEntry::initApi and so on.
namespace VorlanEntry {
#define VORLAN_ENTRY_TYPE(name, result, params) typedef result(*name) params;
VORLAN_ENTRY_POINTS(VORLAN_ENTRY_TYPE)
#undef VORLAN_ENTRY_TYPE
}  // namespace VorlanEntry
