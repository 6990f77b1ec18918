// Rule configuration fetches: let the engine fill a record tree, write it as
// XML, hand the tree back to the engine.

#include "engine/Forwarding.h"
#include "engine/VorlanApi.h"
#include "log/Logger.h"
#include "xml/RulesXml.h"

using Utils::Logger;

void VorlanApi::GetRuleGroups(Utils::Xml::Destination& document) {
    if (!Forwarding::Enter(VORLAN_METHOD("GetRuleGroups"), VORLAN_MISSING_ENTRY("GetRuleGroups"), m_pf_getRuleGroups))
        return;
    KoRuleGroupArray_C* groups = nullptr;
    Forwarding::LogApiCall("getRuleGroups");
    Forwarding::LogResult(m_pf_getRuleGroups(&groups));
    // Only the pointer tells whether there is a tree; the status does not.
    if (groups != nullptr) {
        Logger::Log(2, "\tRule group size: %d\n", static_cast<int>(groups->count));
        Forwarding::WriteThenRelease(
            VORLAN_METHOD("GetRuleGroups"), groups,
            [&](const KoRuleGroupArray_C* g) { Utils::Xml::WriteRuleGroups(document, g); },
            [this](KoRuleGroupArray_C** g) { FreeRuleGroups(g); });
    }
}

void VorlanApi::GetMessageRuleMap(Utils::Xml::Destination& document) {
    if (!Forwarding::Enter(VORLAN_METHOD("GetMessageRuleMap"), VORLAN_MISSING_ENTRY("GetMessageRuleMap"),
                           m_pf_getMessageRuleMap))
        return;
    KoMessageRuleMap_C* map = nullptr;
    Forwarding::LogApiCall("getMessageRuleMap");
    Forwarding::LogResult(m_pf_getMessageRuleMap(&map));
    if (map != nullptr) {
        Logger::Log(2, "\tMap size: %d\n", static_cast<int>(map->count));
        Forwarding::WriteThenRelease(
            VORLAN_METHOD("GetMessageRuleMap"), map,
            [&](const KoMessageRuleMap_C* m) { Utils::Xml::WriteMessageRuleMap(document, m); },
            [this](KoMessageRuleMap_C** m) { FreeMessageRuleMap(m); });
    }
}
