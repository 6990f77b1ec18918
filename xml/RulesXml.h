#pragma once

// The rule groups document ("KoRuleGrouping") of getRuleGroups and the
// message-rule map document ("KoMessageRuleMapping") of getMessageRuleMap.
// Only a rule's text is escaped; every other engine text is written as it is.
// Counts are never written: the reader counts the repeated elements.
//
// Records that break the engine's invariants are written, not trusted: a null
// text is empty text, a null list an empty list, and a null element of a list
// is left out, except a null mapping of the map, which keeps its place as an
// empty entry.

#include "engine/KoRules.h"
#include "xml/Writing.h"

namespace Utils {
namespace Xml {

// The two documents written into `destination`. False when the destination
// could not be begun. Throw DocumentNotWritten, before writing, when a
// document passes the largest Java array or its records loop. A null map
// writes nothing.
// `memoryBound`: the most memory a document is written into in one walk
// (WriteDocument).
bool WriteRuleGroups(Destination& destination, const KoRuleGroupArray_C* groups, size_t memoryBound = kOneWalkLargest);
bool WriteMessageRuleMap(Destination& destination, const KoMessageRuleMap_C* map, size_t memoryBound = kOneWalkLargest);

template <typename Sink>
class RulesWalk {
public:
    explicit RulesWalk(Sink& sink) : m_sink(sink), m_tags(Elements()) {}

    void Groups(const KoRuleGroupArray_C* groups) {
        m_sink.Open(m_tags.ruleGroups);
        for (uint32_t i = 0; i < CountOf(groups); ++i) {
            const RuleGroupStruct* group = groups->at(i);
            if (group == nullptr) continue;
            m_sink.Open(m_tags.groupEntry);
            Group(group);
            m_sink.Close(m_tags.groupEntry);
        }
        m_sink.Close(m_tags.ruleGroups);
    }

    // The content of one "KoRuleGroupEntry": the name, then each rule.
    void Group(const RuleGroupStruct* group) {
        if (group == nullptr) return;
        Verbatim(m_sink, m_tags.groupName, group->name);
        Rules(group->rules);
    }

    // The content of one "Rule": its fields, then its child rules.
    void Rule(const RuleStruct* rule) {
        if (rule == nullptr) return;
        Fields(*rule);
        Rules(rule->childRules);
    }

    void Map(const KoMessageRuleMap_C* map) {
        m_sink.Open(m_tags.messageRuleMap);
        MapEntries(map);
        m_sink.Close(m_tags.messageRuleMap);
    }

    // One "KoMessageRuleMapEntry" per mapping; a null mapping keeps its place
    // as an empty entry.
    void MapEntries(const KoMessageRuleMap_C* map) {
        for (uint32_t i = 0; i < CountOf(map); ++i) {
            m_sink.Open(m_tags.mapEntry);
            Mapping(map->at(i));
            m_sink.Close(m_tags.mapEntry);
        }
    }

    // The content of one "KoMessageRuleMapEntry".
    void Mapping(const KoMessageMapping_C* mapping) {
        if (mapping == nullptr) return;
        Verbatim(m_sink, m_tags.uniqueMessageId, mapping->uniqueMessageId);
        char* const* ruleIds = mapping->uniqueRuleIds();
        for (uint32_t i = 0; i < mapping->count; ++i)
            if (ruleIds[i] != nullptr) Verbatim(m_sink, m_tags.uniqueRuleIdList, ruleIds[i]);
    }

private:
    // Each rule of `list` in "Rule", child rules nested after the categories.
    void Rules(const KoRuleList_C* list) {
        m_nested.Walk(
            list,
            [this](const RuleStruct& rule, uint32_t) {
                m_sink.Open(m_tags.rule);
                Fields(rule);
            },
            [this](const RuleStruct&) { m_sink.Close(m_tags.rule); });
    }

    // Everything of a rule but its child rules. mappedMessages is not written.
    void Fields(const RuleStruct& rule) {
        Verbatim(m_sink, m_tags.ruleId, rule.ruleId);
        m_sink.Element(m_tags.isActive, rule.isActive != 0 ? "1" : "0", 1);
        Verbatim(m_sink, m_tags.helpFileLocation, rule.helpFileLocation);
        Verbatim(m_sink, m_tags.ruleGroupStr, rule.ruleGroupStr);
        Escaped(m_sink, m_tags.ruleText, rule.ruleText);
        Verbatim(m_sink, m_tags.ruleUID, rule.ruleUID);
        for (uint32_t i = 0; i < CountOf(rule.categories); ++i) {
            const char* category = rule.categories->at(i);
            if (category != nullptr) Verbatim(m_sink, m_tags.ruleCategory, category);
        }
    }

    Sink& m_sink;
    const ElementTable& m_tags;
    NestedWalk<&RuleStruct::childRules> m_nested;
};

}  // namespace Xml
}  // namespace Utils
