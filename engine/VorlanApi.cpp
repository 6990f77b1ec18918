#include "engine/VorlanApi.h"

#include "engine/Platform.h"
#include "log/Logger.h"

using Utils::Logger;

std::atomic<VorlanApi*> VorlanApi::s_pInstance{nullptr};
std::mutex VorlanApi::s_initLock;

VorlanApi* VorlanApi::GetInstance() {
    VorlanApi* instance = s_pInstance.load(std::memory_order_acquire);
    if (instance != nullptr) return instance;
    std::lock_guard<std::mutex> guard(s_initLock);
    instance = s_pInstance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        instance = new VorlanApi();
        s_pInstance.store(instance, std::memory_order_release);
    }
    return instance;
}

std::string VorlanApi::InitVorlanApi(const char* libraryPath) {
    return InitVorlanApi(libraryPath, Platform::PathFromNarrow(libraryPath));
}

std::string VorlanApi::InitVorlanApi(const char* libraryPath, const Platform::NativePath& file) {
    Logger::Log(2, "\nCall %s\n", VORLAN_METHOD("InitVorlanApi"));

    std::lock_guard<std::mutex> guard(s_initLock);
    if (m_hLibrary != nullptr) return std::string();

    Logger::Log(2, "\tTrying to load from: %s \n", libraryPath);
    void* library = Platform::OpenLibrary(file);
    if (library == nullptr) return Platform::LoadFailureText(libraryPath);
    m_hLibrary = library;

    // Resolve every name in table order; a missing one stays null and the
    // load still succeeds, as long as one name resolves.
    bool anyEntry = false;
#define VORLAN_RESOLVE_ENTRY(name, result, params)                    \
    {                                                                 \
        void* entry = nullptr;                                        \
        if (LoadProcAddress(entry, #name)) {                          \
            m_pf_##name = reinterpret_cast<VorlanEntry::name>(entry); \
            anyEntry = true;                                          \
        }                                                             \
    }
    VORLAN_ENTRY_POINTS(VORLAN_RESOLVE_ENTRY)
#undef VORLAN_RESOLVE_ENTRY
    if (!anyEntry) {
        // Not an engine: closed again and the proxy stays unloaded, so that a
        // later call can still load the engine.
        m_hLibrary = nullptr;
        Platform::CloseLibrary(library);
        return Platform::NotAnEngineText(libraryPath);
    }
    return std::string();
}

bool VorlanApi::LoadProcAddress(void*& entry, const char* name) {
    Logger::Log(2, "LoadProcAddress for %s\n", name);
    entry = Platform::FindSymbol(m_hLibrary, name);
    if (entry != nullptr) {
        Logger::Log(2, "[Success] find function entry for %s and prt %llu\n", name,
                    static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(entry)));
        return true;
    }
    Logger::Log(1, "[Fail] find function entry for %s\n", name);
    return false;
}

void VorlanApi::SetAggregateCallback(AggregateCallback callback) { m_pfAggregateCallback = callback; }
