#include "xml/RulesXml.h"

#include <vector>

#include "xml/XmlPrimitives.h"

namespace Utils {
namespace {

// Writes rules with their child rules, depth first. The engine's nesting has
// no bound, so the pending child lists live on a heap stack, reused for every
// rule of one document.
class RuleWriter {
public:
    explicit RuleWriter(std::string& out) : m_out(out) {}

    // The content of `rule`, without its own "Rule" tags.
    void Content(const RuleStruct* rule) {
        if (rule == nullptr) return;
        Fields(*rule);
        m_pending.clear();
        m_pending.push_back({rule->childRules, 0});
        while (!m_pending.empty()) {
            Level& level = m_pending.back();
            if (level.next < CountOf(level.children)) {
                const RuleStruct* child = level.children->at(level.next++);
                if (child == nullptr) continue;
                Xml::Open(m_out, tagRule);
                Fields(*child);
                // `level` may dangle after this push; it is not used again.
                m_pending.push_back({child->childRules, 0});
            } else {
                m_pending.pop_back();
                // Every level but the outermost belongs to a child's element.
                if (!m_pending.empty()) Xml::Close(m_out, tagRule);
            }
        }
    }

    // <Rule>content</Rule>; nothing for a null rule.
    void Element(const RuleStruct* rule) {
        if (rule == nullptr) return;
        Xml::Open(m_out, tagRule);
        Content(rule);
        Xml::Close(m_out, tagRule);
    }

    void Group(const RuleGroupStruct* group) {
        if (group == nullptr) return;
        Xml::Node(m_out, tagRuleGroupName, group->name);
        for (uint32_t i = 0; i < CountOf(group->rules); ++i) Element(group->rules->at(i));
    }

private:
    struct Level {
        const KoRuleList_C* children;
        uint32_t next;
    };

    // Everything of a rule up to its child rules. mappedMessages is not written.
    void Fields(const RuleStruct& rule) {
        Xml::Node(m_out, tagRuleId, rule.ruleId);
        Xml::Node(m_out, tagIsActive, rule.isActive != 0 ? "1" : "0");
        Xml::Node(m_out, tagHelpFileLocation, rule.helpFileLocation);
        Xml::Node(m_out, tagRuleGroupStr, rule.ruleGroupStr);
        Xml::SafeNode(m_out, tagRuleText, rule.ruleText);
        Xml::Node(m_out, tagRuleUID, rule.ruleUID);
        for (uint32_t i = 0; i < CountOf(rule.categories); ++i) {
            const char* category = rule.categories->at(i);
            if (category != nullptr) Xml::Node(m_out, tagRuleCategory, category);
        }
    }

    std::string& m_out;
    std::vector<Level> m_pending;
};

}  // namespace

void AppendRuleGroups(std::string& out, const KoRuleGroupArray_C* groups) {
    RuleWriter writer(out);
    Xml::Open(out, tagKoRuleGroup);
    for (uint32_t i = 0; i < CountOf(groups); ++i) {
        const RuleGroupStruct* group = groups->at(i);
        if (group == nullptr) continue;
        Xml::Open(out, tagKoRuleGroupEntry);
        writer.Group(group);
        Xml::Close(out, tagKoRuleGroupEntry);
    }
    Xml::Close(out, tagKoRuleGroup);
}

void AppendRuleGroup(std::string& out, const RuleGroupStruct* group) { RuleWriter(out).Group(group); }

void AppendRule(std::string& out, const RuleStruct* rule) { RuleWriter(out).Content(rule); }

void AppendMessageMapping(std::string& out, const KoMessageMapping_C* mapping) {
    if (mapping == nullptr) return;
    Xml::Node(out, tagUniqueMessageID, mapping->uniqueMessageId);
    char* const* ruleIds = mapping->uniqueRuleIds();
    for (uint32_t i = 0; i < mapping->count; ++i)
        if (ruleIds[i] != nullptr) Xml::Node(out, tagUniqueRuleIdList, ruleIds[i]);
}

void AppendMessageRuleMapEntries(std::string& out, const KoMessageRuleMap_C* map) {
    // A null mapping keeps its place as an empty entry.
    for (uint32_t i = 0; i < CountOf(map); ++i) {
        Xml::Open(out, tagKoMessageRuleMapEntry);
        AppendMessageMapping(out, map->at(i));
        Xml::Close(out, tagKoMessageRuleMapEntry);
    }
}

void AppendMessageRuleMap(std::string& out, const KoMessageRuleMap_C* map) {
    if (map == nullptr) return;
    Xml::Open(out, tagKoMessageRuleMap);
    AppendMessageRuleMapEntries(out, map);
    Xml::Close(out, tagKoMessageRuleMap);
}

std::string SerializeRuleGroups(const KoRuleGroupArray_C* groups) {
    std::string out;
    AppendRuleGroups(out, groups);
    return out;
}

std::string SerializeRuleGroupIndividualy(const RuleGroupStruct* group) {
    std::string out;
    AppendRuleGroup(out, group);
    return out;
}

std::string SerializeRule(const RuleStruct* rule) {
    std::string out;
    AppendRule(out, rule);
    return out;
}

std::string SerializeMessageRuleMap(const KoMessageRuleMap_C* map) {
    std::string out;
    AppendMessageRuleMap(out, map);
    return out;
}

std::string SerializeMessageRuleMapIndividual(const KoMessageRuleMap_C* map) {
    std::string out;
    AppendMessageRuleMapEntries(out, map);
    return out;
}

std::string SerializeMessageMapping(const KoMessageMapping_C* mapping) {
    std::string out;
    AppendMessageMapping(out, mapping);
    return out;
}

}  // namespace Utils
