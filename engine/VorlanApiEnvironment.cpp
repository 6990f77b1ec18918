// Fetch methods of the environment family: the CMA project list, the report
// tools and the available languages.

#include "engine/Forwarding.h"
#include "engine/KoProject.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "xml/ProjectXml.h"

using Forwarding::Enter;
using Forwarding::LogApiCall;
using Forwarding::LogResult;
using Utils::Logger;

namespace {

// Joins a list and hands it back to the engine, also when joining fails.
std::string JoinAndRelease(VorlanApi& api, const char* method, KoStrings_C*& list) {
    std::string text;
    Utils::Xml::StringDestination destination(text);
    Forwarding::WriteThenRelease(
        method, list, [&](const KoStrings_C* l) { Utils::Xml::WriteJoined(destination, l); },
        [&api](KoStrings_C** l) { api.FreeStrings(l); });
    return text;
}

}  // namespace

// Both list fetches below take a status other than 0 as "the list is valid",
// the reverse of the project fetches.
std::string VorlanApi::GetCMAProjectList() {
    if (!Enter(VORLAN_METHOD("GetCMAProjectList"), VORLAN_MISSING_ENTRY("GetCMAProjectList"), m_pf_getCMAProjectList))
        return std::string();
    KoStrings_C* projects = nullptr;
    LogApiCall("getCMAProjectList");
    const int status = m_pf_getCMAProjectList(&projects);
    LogResult(status);
    if (projects == nullptr) {
        Logger::Log(2, "\t< Project List is %s\n", "NULL");
        return std::string();
    }
    if (status == 0) return std::string();
    Logger::Log(2, "\t< Project List Size: %d\n", static_cast<int>(projects->count));
    return JoinAndRelease(*this, VORLAN_METHOD("GetCMAProjectList"), projects);
}

std::string VorlanApi::GetReportTools() {
    if (!Enter(VORLAN_METHOD("GetReportTools"), VORLAN_MISSING_ENTRY("GetReportTools"), m_pf_getReportTools))
        return std::string();
    KoStrings_C* tools = nullptr;
    LogApiCall("getReportTools");
    const int status = m_pf_getReportTools(&tools);
    LogResult(status);
    if (status == 0 || tools == nullptr) return std::string();
    Logger::Log(2, "\t< Report Tools List Size: %d\n", static_cast<int>(tools->count));
    return JoinAndRelease(*this, VORLAN_METHOD("GetReportTools"), tools);
}

std::string VorlanApi::GetAvailableLanguages() {
    KoLanguages_C* languages = nullptr;
    if (!Enter(VORLAN_METHOD("GetAvailableLanguages"), VORLAN_MISSING_ENTRY("GetAvailableLanguages"),
               m_pf_getAvailableLanguages))
        return std::string();
    LogApiCall("getAvailableLanguages");
    m_pf_getAvailableLanguages(&languages);
    Logger::Log(2, "\t< Result: %s\n", "void");
    std::string text;
    Utils::Xml::StringDestination destination(text);
    // Released also when no list came back.
    Forwarding::WriteThenRelease(
        VORLAN_METHOD("GetAvailableLanguages"), languages,
        [&](const KoLanguages_C* l) { Utils::Xml::WriteLanguages(destination, l); },
        [this](KoLanguages_C** l) { FreeLanguages(l); });
    return text;
}
