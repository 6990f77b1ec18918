// Fetch methods of the project family: trees, one file's settings, the file
// list, the mapped file extensions and the included files. Each fetches a
// record, turns it into text and hands it back to the engine's release entry
// as the engine expects (the file list and the included files are not
// released).

#include <cstdio>

#include "engine/Forwarding.h"
#include "engine/KoProject.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "xml/ProjectXml.h"

using Forwarding::Enter;
using Forwarding::LogApiCall;
using Forwarding::LogResult;
using Utils::Logger;

void VorlanApi::GetTrees(bool flag, unsigned int count, char** list, Utils::Xml::Destination& document) {
    if (!Enter(VORLAN_METHOD("GetTrees"), "\tAttempt to call VorlanApi::GetTrees failed because ptr2f is null%s\n",
               m_pf_getTrees))
        return;
    KoTrees_C* trees = nullptr;
    const int status = m_pf_getTrees(&trees, flag, count, list);
    // This one line goes to standard output whatever the log is set to.
    std::printf("call result: %d\n", status);
    std::fflush(stdout);
    LogResult(status);
    Forwarding::WriteThenRelease(
        VORLAN_METHOD("GetTrees"), trees,
        [&](const KoTrees_C* t) {
            if (status == 0 && t != nullptr) Utils::Xml::WriteTrees(document, t);
        },
        [this](KoTrees_C** t) {
            if (*t != nullptr) FreeTrees(t);
        });
}

std::string VorlanApi::GetKoFile(const char* filePath) {
    if (!Enter(VORLAN_METHOD("GetKoFile"), VORLAN_MISSING_ENTRY("GetKoFile"), m_pf_getKoFile)) return std::string();
    KoFile_C* file = nullptr;
    LogApiCall("getKoFile");
    Logger::Log(2, "\t\t filepath - %s\n", filePath != nullptr ? filePath : "(null)");
    const int status = m_pf_getKoFile(filePath, &file);
    LogResult(status);
    std::string text;
    Utils::Xml::StringDestination destination(text);
    // Released also when no record came back: the engine expects the call
    // either way.
    Forwarding::WriteThenRelease(
        VORLAN_METHOD("GetKoFile"), file,
        [&](const KoFile_C* f) {
            if (status == 0 && f != nullptr) Utils::Xml::WriteKoFile(destination, f);
        },
        [this](KoFile_C** f) { FreeKoFile(f); });
    return text;
}

std::string VorlanApi::GetFiles() {
    if (!Enter(VORLAN_METHOD("GetFiles"), VORLAN_MISSING_ENTRY("GetFiles"), m_pf_getFiles)) return std::string();
    KoFileList_C* files = nullptr;
    LogApiCall("getFiles");
    const int status = m_pf_getFiles(&files);
    LogResult(status);
    std::string text;
    Utils::Xml::StringDestination destination(text);
    // The engine keeps the list: it has no release entry for it.
    if (status == 0)
        Forwarding::WriteThenRelease(
            VORLAN_METHOD("GetFiles"), files, [&](const KoFileList_C* f) { Utils::Xml::WriteJoined(destination, f); },
            [](KoFileList_C**) {});
    return text;
}

std::string VorlanApi::GetMappedFileExtensions() {
    if (!Enter(VORLAN_METHOD("GetMappedFileExtensions"), VORLAN_MISSING_ENTRY("GetMappedFileExtensions"),
               m_pf_getMappedFileExtensions))
        return std::string();
    std::string text;
    Utils::Xml::StringDestination destination(text);
    // C, then C++; C# is not asked for. A failed query does not stop the other.
    static const struct {
        KoSourceLanguage_C code;
        const char* name;
    } kQueries[] = {{0, "C"}, {1, "CPP"}};
    for (const auto& query : kQueries) {
        KoStrings_C* extensions = nullptr;
        LogApiCall("getMappedFileExtensions");
        Logger::Log(2, "\t\t language - %s\n", query.name);
        const int status = m_pf_getMappedFileExtensions(query.code, &extensions);
        LogResult(status);
        if (status != 0 || extensions == nullptr) continue;
        // The bound holds for both lists together: the second is measured
        // on top of the first.
        const bool written = Forwarding::WriteThenRelease(
            VORLAN_METHOD("GetMappedFileExtensions"), extensions,
            [&](const KoStrings_C* e) {
                if (e->count > 0 && !text.empty()) text += ';';
                Utils::Xml::WriteJoined(destination, e);
            },
            [this](KoStrings_C** e) { FreeStrings(e); });
        if (!written) return std::string();
    }
    return text;
}

int VorlanApi::GetIncludeFiles() {
    if (!Enter(VORLAN_METHOD("GetIncludeFiles"), VORLAN_MISSING_ENTRY("GetIncludeFiles"), m_pf_getIncludedFiles))
        return -1;
    void* record = nullptr;
    LogApiCall("getIncludedFiles");
    const int status = m_pf_getIncludedFiles(&record);
    LogResult(status);
    // Neither read nor released: nothing of the bridge uses it.
    return status;
}
