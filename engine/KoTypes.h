#pragma once

// Engine enumerations and the names of the engine's record types. The records
// themselves are declared, one family per header, in KoDiagnostics.h, KoRules.h
// and KoProject.h; headers that only hand records on need no more than these
// names.

#include <cstdint>

typedef int32_t KoSourceLanguage_C;    // 0 C, 1 C++, 2 C#
typedef int32_t KoLanguage_C;          // the engine's current-language setting
typedef int32_t KoHelpContext_C;
typedef int32_t KoLogLevel_C;
typedef int32_t KoSuppressionState_C;
typedef int32_t KoTreeItemType_C;      // 0 to 8

enum KoMessageLevel_C : int32_t {
    KO_DEBUG = 1,
    KO_ERROR = 2,
    KO_USERMESSAGE = 3,
};

struct KoMessage_C;
struct KoMessageArray_C;
struct KoDiagnosticArray_C;
struct KoRuleArray_C;
struct KoRuleGroupArray_C;
struct KoMessageRuleMap_C;
struct KoStrings_C;
struct KoFileList_C;
struct KoFilePathArray_C;
struct KoFile_C;
struct KoLanguages_C;
struct KoTrees_C;
