#include "xml/RulesXml.h"

#include <type_traits>
#include <vector>

#include "xml/XmlOutput.h"
#include "xml/XmlPrimitives.h"

namespace Utils {
namespace {

// Every document is walked twice: once with a Meter to measure it, once with
// an Output to write it into a buffer of that size. Growing the buffer instead
// costs several times more than the walk (copies, and fresh pages for every
// larger block).

using Xml::ElementTags;

// The elements of both documents, prepared once.
struct Tags {
    ElementTags ruleGroups{tagKoRuleGroup};
    ElementTags groupEntry{tagKoRuleGroupEntry};
    ElementTags groupName{tagRuleGroupName};
    ElementTags rule{tagRule};
    ElementTags ruleId{tagRuleId};
    ElementTags isActive{tagIsActive};
    ElementTags helpFileLocation{tagHelpFileLocation};
    ElementTags ruleGroupStr{tagRuleGroupStr};
    ElementTags ruleText{tagRuleText};
    ElementTags ruleUID{tagRuleUID};
    ElementTags ruleCategory{tagRuleCategory};
    ElementTags map{tagKoMessageRuleMap};
    ElementTags mapEntry{tagKoMessageRuleMapEntry};
    ElementTags uniqueMessageId{tagUniqueMessageID};
    ElementTags uniqueRuleId{tagUniqueRuleIdList};
};

const Tags& DocumentTags() {
    static const Tags tags;
    return tags;
}

// Writes rules with their child rules, depth first. The engine's nesting has
// no bound, so the pending child lists live on a heap stack, reused for every
// rule of one document.
template <typename Sink>
class RuleWriter {
public:
    explicit RuleWriter(Sink& sink) : m_sink(sink), m_tags(DocumentTags()) {}

    // The content of `rule`, without its own "Rule" tags.
    void Content(const RuleStruct* rule) {
        if (rule == nullptr) return;
        Fields(*rule);
        m_pending.clear();
        m_pending.push({rule->childRules, 0});
        while (!m_pending.empty()) {
            Level& level = m_pending.top();
            if (level.next < CountOf(level.list)) {
                const RuleStruct* child = level.list->at(level.next++);
                if (child == nullptr) continue;
                m_sink.Open(m_tags.rule);
                Fields(*child);
                // `level` may dangle after this push; it is not used again.
                m_pending.push({child->childRules, 0});
            } else {
                m_pending.pop();
                // Every level but the outermost belongs to a child's element.
                if (!m_pending.empty()) m_sink.Close(m_tags.rule);
            }
        }
    }

    void Group(const RuleGroupStruct* group) {
        if (group == nullptr) return;
        m_sink.Node(m_tags.groupName, group->name);
        for (uint32_t i = 0; i < CountOf(group->rules); ++i) {
            const RuleStruct* rule = group->rules->at(i);
            if (rule == nullptr) continue;
            m_sink.Open(m_tags.rule);
            Content(rule);
            m_sink.Close(m_tags.rule);
        }
    }

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

private:
    struct Level {
        const KoRuleList_C* list;  // child rules
        uint32_t next;
    };

    // Everything of a rule up to its child rules. mappedMessages is not written.
    void Fields(const RuleStruct& rule) {
        m_sink.Node(m_tags.ruleId, rule.ruleId);
        m_sink.Node(m_tags.isActive, rule.isActive != 0 ? "1" : "0", 1);
        m_sink.Node(m_tags.helpFileLocation, rule.helpFileLocation);
        m_sink.Node(m_tags.ruleGroupStr, rule.ruleGroupStr);
        m_sink.SafeNode(m_tags.ruleText, rule.ruleText);
        m_sink.Node(m_tags.ruleUID, rule.ruleUID);
        for (uint32_t i = 0; i < CountOf(rule.categories); ++i) {
            const char* category = rule.categories->at(i);
            if (category != nullptr) m_sink.Node(m_tags.ruleCategory, category);
        }
    }

    Sink& m_sink;
    const Tags& m_tags;
    Xml::Descent<Level> m_pending;
};

template <typename Sink>
void Mapping(Sink& sink, const KoMessageMapping_C* mapping) {
    if (mapping == nullptr) return;
    const Tags& tags = DocumentTags();
    sink.Node(tags.uniqueMessageId, mapping->uniqueMessageId);
    char* const* ruleIds = mapping->uniqueRuleIds();
    for (uint32_t i = 0; i < mapping->count; ++i)
        if (ruleIds[i] != nullptr) sink.Node(tags.uniqueRuleId, ruleIds[i]);
}

template <typename Sink>
void MapEntries(Sink& sink, const KoMessageRuleMap_C* map) {
    // A null mapping keeps its place as an empty entry.
    const Tags& tags = DocumentTags();
    for (uint32_t i = 0; i < CountOf(map); ++i) {
        sink.Open(tags.mapEntry);
        Mapping(sink, map->at(i));
        sink.Close(tags.mapEntry);
    }
}

}  // namespace

void AppendRuleGroups(std::string& out, const KoRuleGroupArray_C* groups) {
    Xml::StringDocument document(out);
    Xml::WriteRuleGroups(document, groups);
}

void AppendRuleGroup(std::string& out, const RuleGroupStruct* group) {
    Xml::Sized(out, [&](auto& sink) { RuleWriter<std::decay_t<decltype(sink)>>(sink).Group(group); });
}

void AppendRule(std::string& out, const RuleStruct* rule) {
    Xml::Sized(out, [&](auto& sink) { RuleWriter<std::decay_t<decltype(sink)>>(sink).Content(rule); });
}

void AppendMessageMapping(std::string& out, const KoMessageMapping_C* mapping) {
    Xml::Sized(out, [&](auto& sink) { Mapping(sink, mapping); });
}

void AppendMessageRuleMapEntries(std::string& out, const KoMessageRuleMap_C* map) {
    Xml::Sized(out, [&](auto& sink) { MapEntries(sink, map); });
}

void AppendMessageRuleMap(std::string& out, const KoMessageRuleMap_C* map) {
    Xml::StringDocument document(out);
    Xml::WriteMessageRuleMap(document, map);
}

namespace Xml {

bool WriteRuleGroups(Document& document, const KoRuleGroupArray_C* groups) {
    return WriteDocument(document,
                         [&](auto& sink) { RuleWriter<std::decay_t<decltype(sink)>>(sink).Groups(groups); });
}

bool WriteMessageRuleMap(Document& document, const KoMessageRuleMap_C* map) {
    if (map == nullptr) return true;
    return WriteDocument(document, [&](auto& sink) {
        sink.Open(DocumentTags().map);
        MapEntries(sink, map);
        sink.Close(DocumentTags().map);
    });
}

}  // namespace Xml

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
