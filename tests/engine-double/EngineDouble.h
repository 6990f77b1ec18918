#pragma once

// Control interface of the scripted test engine. Tests script what each entry
// answers and hands out, and read back every call with its arguments and what
// each release entry received. The engine never owns the records it hands out:
// the tests build them and keep them alive.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/EntryPoints.h"
#include "engine/KoDiagnostics.h"
#include "engine/KoProject.h"
#include "engine/KoRules.h"

#ifdef _WIN32
#define ENGINE_DOUBLE_EXPORT extern "C" __declspec(dllexport)
#else
#define ENGINE_DOUBLE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

struct EngineRelease {
    std::string entry;   // "freeDiagnostics", ...
    void* address;       // the address handed to the release entry
    void* pointer;       // what that address held at the time
};

struct EngineDoubleControl {
    // Status of every int entry, unless statusOf names the entry.
    int status = 0;
    std::map<std::string, int> statusOf;
    // Texts of the string entries; a name in nullText answers null. A file in
    // the directory VORLAN_ENGINE_TEXTS, named like the entry, overrides the
    // default "<entry> text" (see EngineDouble.cpp).
    std::map<std::string, std::string> textOf;
    std::set<std::string> nullText;

    unsigned char isTivraProject = 1;
    unsigned char hasResults = 1;
    unsigned char hasUptoDateResults = 1;
    KoLanguage_C currentLanguage = 0;
    KoLogLevel_C logLevel = 0;
    // aggregate reports these progress values through its callback.
    std::vector<unsigned int> progress;

    // Records the fetch entries hand out (null leaves the out-parameter null).
    KoDiagnosticArray_C* diagnostics = nullptr;
    KoRuleGroupArray_C* ruleGroups = nullptr;
    KoMessageRuleMap_C* messageRuleMap = nullptr;
    KoTrees_C* trees = nullptr;
    KoFile_C* koFile = nullptr;
    KoFileList_C* files = nullptr;
    KoStrings_C* extensionsC = nullptr;
    KoStrings_C* extensionsCpp = nullptr;
    KoStrings_C* cmaProjects = nullptr;
    KoStrings_C* reportTools = nullptr;
    KoLanguages_C* languages = nullptr;
    void* includedFiles = nullptr;

    // False: calls are not recorded (benchmarks time the bridge, not the log).
    bool recording = true;
    // What the engine saw: one line per call, "name(arg, arg)", and the
    // address each fetch entry filled.
    std::vector<std::string> calls;
    std::map<std::string, void*> filledAddress;
    std::vector<EngineRelease> releases;
    AggregateCallback_C lastCallback = nullptr;

    int statusFor(const std::string& entry) const {
        auto found = statusOf.find(entry);
        return found != statusOf.end() ? found->second : status;
    }
};

ENGINE_DOUBLE_EXPORT EngineDoubleControl* engineDoubleControl();
