#pragma once

// The process-wide engine proxy: loads the engine library, resolves its entry
// points by name and forwards every engine call with its trace lines and its
// fallback when the entry is missing.

#include <atomic>
#include <mutex>
#include <string>

#include "engine/EntryPoints.h"
#include "engine/Platform.h"
#include "engine/KoTypes.h"

namespace Utils {
namespace Xml {
class Destination;
}
}  // namespace Utils

// The address of one entry point. It is stored once, while initJniBridge loads
// the library, and read without a lock by every call; being atomic, a call
// that races the load (a Java thread calling in before initJniBridge has
// returned) reads null or the whole address. Reading it is a plain load on
// x86-64, so a call stays as cheap as through a bare pointer. It converts to
// the function pointer, so members are tested and called as pointers are.
template <typename F>
class EntrySlot {
public:
    EntrySlot() = default;
    EntrySlot(const EntrySlot& other) : m_entry(other.get()) {}
    EntrySlot& operator=(const EntrySlot&) = delete;
    EntrySlot& operator=(F entry) {
        m_entry.store(entry, std::memory_order_release);
        return *this;
    }

    F get() const { return m_entry.load(std::memory_order_acquire); }
    operator F() const { return get(); }

private:
    std::atomic<F> m_entry{nullptr};
};

class VorlanApi {
public:
    typedef AggregateCallback_C AggregateCallback;

    // The one instance, made on the first call; it lives until the process ends.
    static VorlanApi* GetInstance();

    // Empty when the engine is loaded (now or before), else the failure text.
    // `libraryPath` is the path as traces and failure texts show it, `file` the
    // path the library is opened by; the one-argument form reads `file` from
    // `libraryPath` as the platform's narrow functions would.
    std::string InitVorlanApi(const char* libraryPath, const Platform::NativePath& file);
    std::string InitVorlanApi(const char* libraryPath);
    bool LoadProcAddress(void*& entry, const char* name);
    void SetAggregateCallback(AggregateCallback callback);

    // Forwarding methods: trace, call, trace the result; the fallback when the
    // entry point is missing.
    int InitDeployment();
    void SetBindKey(const char* bindKey);
    int InitApi(const char* bindKey);
    void ShutdownApi();
    void ShutdownApp();
    void ClearCachedObjects();
    const char* GetInstallPath();
    const char* GetUserPath();
    const char* GetInstallConfigPath();
    const char* GetInstallBinaryPath();
    const char* GetUserAppConfigPath();
    const char* GetUserConfigPath();
    KoLanguage_C GetCurrentLanguage();
    void SetCurrentLanguage(KoLanguage_C language);
    void SetWorkspacePath(const char* path);
    const char* GetWorkSpacePath();
    KoLogLevel_C GetLogLevel();
    void SetLogLevel(KoLogLevel_C level);
    const char* GetVersionNumber();
    const char* GetTivraHelpFile(bool html);
    const char* GetTivraContextHelp(KoHelpContext_C context);
    const char* GetComponents();
    const char* GetComponentMessages(const char* name, const char* version);
    int CreateProject(const char* location, const char* name, const char* acfFile, const char* rcfFile,
                      const char* cctFile);
    int AddCCT(const char* cctFilePath);
    int SetActiveCCT(KoSourceLanguage_C lang, const char* cctFileName);
    bool IsTivraProject(const char* location, const char* name);
    int InitProjectMngr(const char* bindKey, const char* location, const char* name);
    int RemoveFile(const char* filePath);
    int AddFile(KoSourceLanguage_C language, const char* file, unsigned int definesCount, char** defines,
                unsigned int includesCount, char** includes);
    int InitResults(const char* bindKey, const char* location, const char* name);
    void Aggregate();
    bool HasResults(const char* sourceFile);
    bool HasUpToDateResults(const char* sourceFile);

    // Release methods: hand the address of the caller's pointer to the engine.
    int FreeKoFile(KoFile_C** file);
    int FreeStrings(KoStrings_C** list);
    int FreeDiagnostics(KoDiagnosticArray_C** diagnostics);
    int FreeFilePaths(KoFilePathArray_C** paths);
    int FreeRuleGroups(KoRuleGroupArray_C** groups);
    int FreeMessageRuleMap(KoMessageRuleMap_C** map);
    int FreeTrees(KoTrees_C** trees);
    void FreeLanguages(KoLanguages_C** languages);

    // Fetch methods: fetch a record, turn it into text, release it. The four
    // large documents are measured and then written into `document`, which is
    // not begun when there is no document (the entry is missing, no record
    // came back, or the document is not written: too large, or looping).
    void GetDiagnostics(const char* filePath, KoMessageArray_C* messages, KoRuleArray_C* rules,
                        KoSuppressionState_C mask, Utils::Xml::Destination& document);
    void GetRuleGroups(Utils::Xml::Destination& document);
    void GetMessageRuleMap(Utils::Xml::Destination& document);
    void GetTrees(bool flag, unsigned int count, char** list, Utils::Xml::Destination& document);
    std::string GetKoFile(const char* filePath);
    std::string GetFiles();
    std::string GetMappedFileExtensions();
    int GetIncludeFiles();
    std::string GetCMAProjectList();
    std::string GetReportTools();
    std::string GetAvailableLanguages();

    // Calls visit(name, resolved) for every entry point in table order: what
    // the engine check program reports after InitVorlanApi.
    template <typename Visit>
    void VisitEntries(Visit visit) const {
#define VORLAN_VISIT_ENTRY(name, result, params) visit(#name, m_pf_##name.get() != nullptr);
        VORLAN_ENTRY_POINTS(VORLAN_VISIT_ENTRY)
#undef VORLAN_VISIT_ENTRY
    }

private:
    VorlanApi() = default;
    VorlanApi(const VorlanApi&) = delete;
    VorlanApi& operator=(const VorlanApi&) = delete;

    void* m_hLibrary = nullptr;
    AggregateCallback m_pfAggregateCallback = nullptr;

    // One member per entry point, in table order; null until resolved.
#define VORLAN_ENTRY_MEMBER(name, result, params) EntrySlot<VorlanEntry::name> m_pf_##name;
    VORLAN_ENTRY_POINTS(VORLAN_ENTRY_MEMBER)
#undef VORLAN_ENTRY_MEMBER

    static std::atomic<VorlanApi*> s_pInstance;
    // Serialises instance creation and loading, so concurrent first calls
    // create one instance and load the library once.
    static std::mutex s_initLock;
};
