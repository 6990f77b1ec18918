// Rule configuration fetches: let the engine fill a record tree, write it as
// XML, hand the tree back to the engine.

#include "engine/Forwarding.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "xml/RulesXml.h"

using Utils::Logger;

namespace {

// Serialises the engine's tree, then releases it; the release also happens
// when writing fails (out of memory), so no engine tree outlives the call.
template <typename Record, typename Serialize, typename Release>
std::string SerializeAndRelease(Record*& record, Serialize serialize, Release release) {
    std::string text;
    try {
        text = serialize(record);
    } catch (...) {
        release(&record);
        throw;
    }
    release(&record);
    return text;
}

}  // namespace

std::string VorlanApi::GetRuleGroups() {
    if (!Forwarding::Enter(VORLAN_METHOD("GetRuleGroups"), VORLAN_MISSING_ENTRY("GetRuleGroups"), m_pf_getRuleGroups))
        return std::string();
    std::string text;
    KoRuleGroupArray_C* groups = nullptr;
    Forwarding::LogApiCall("getRuleGroups");
    Forwarding::LogResult(m_pf_getRuleGroups(&groups));
    // Only the pointer tells whether there is a tree; the status does not.
    if (groups != nullptr) {
        Logger::Log(2, "\tRule group size: %d\n", static_cast<int>(groups->count));
        text = SerializeAndRelease(
            groups, [](const KoRuleGroupArray_C* g) { return Utils::SerializeRuleGroups(g); },
            [this](KoRuleGroupArray_C** g) { FreeRuleGroups(g); });
    }
    return text;
}

std::string VorlanApi::GetMessageRuleMap() {
    if (!Forwarding::Enter(VORLAN_METHOD("GetMessageRuleMap"), VORLAN_MISSING_ENTRY("GetMessageRuleMap"),
                           m_pf_getMessageRuleMap))
        return std::string();
    std::string text;
    KoMessageRuleMap_C* map = nullptr;
    Forwarding::LogApiCall("getMessageRuleMap");
    Forwarding::LogResult(m_pf_getMessageRuleMap(&map));
    if (map != nullptr) {
        Logger::Log(2, "\tMap size: %d\n", static_cast<int>(map->count));
        text = SerializeAndRelease(
            map, [](const KoMessageRuleMap_C* m) { return Utils::SerializeMessageRuleMap(m); },
            [this](KoMessageRuleMap_C** m) { FreeMessageRuleMap(m); });
    }
    return text;
}
