#include "xml/RulesXml.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

#include "xml/XmlPrimitives.h"

namespace Utils {
namespace {

// Every document is walked twice: once to measure it, once to write it into a
// buffer of that size. Growing the buffer instead costs several times more
// than the walk (copies, and fresh pages for every larger block).

// Appends to the output.
struct Writer {
    std::string& out;
    void Open(const std::string& tag) { Xml::Open(out, tag); }
    void Close(const std::string& tag) { Xml::Close(out, tag); }
    void Node(const std::string& tag, const char* text) { Xml::Node(out, tag, text); }
    void SafeNode(const std::string& tag, const char* text) { Xml::SafeNode(out, tag, text); }
};

// Counts what the Writer would append. Only a size hint: were the escaping to
// change, the document would still be right, just grown once more.
struct Measure {
    size_t bytes = 0;
    void Open(const std::string& tag) { bytes += tag.size() + 2; }
    void Close(const std::string& tag) { bytes += tag.size() + 3; }
    void Node(const std::string& tag, const char* text) {
        bytes += 2 * tag.size() + 5 + (text != nullptr ? std::strlen(text) : 0);
    }
    void SafeNode(const std::string& tag, const char* text) {
        bytes += 2 * tag.size() + 5;
        if (text == nullptr) return;
        // Jumps from one markup character to the next; each grows into its entity.
        for (const char* p = text;; ++p) {
            const size_t run = std::strcspn(p, "&<>'\"");
            bytes += run;
            p += run;
            if (*p == '\0') break;
            bytes += *p == '&' ? 5 : (*p == '<' || *p == '>') ? 4 : 6;
        }
    }
};

// Runs `write` with a Measure, makes room, then runs it with a Writer.
template <typename Write>
void Sized(std::string& out, Write write) {
    Measure measure;
    write(measure);
    const size_t needed = out.size() + measure.bytes;
    // Keeps repeated appends to one buffer amortised linear.
    if (needed > out.capacity()) out.reserve(std::max(needed, 2 * out.capacity()));
    Writer writer{out};
    write(writer);
}

// Writes rules with their child rules, depth first. The engine's nesting has
// no bound, so the pending child lists live on a heap stack, reused for every
// rule of one document.
template <typename Sink>
class RuleWriter {
public:
    explicit RuleWriter(Sink& sink) : m_sink(sink) {}

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
                m_sink.Open(tagRule);
                Fields(*child);
                // `level` may dangle after this push; it is not used again.
                m_pending.push_back({child->childRules, 0});
            } else {
                m_pending.pop_back();
                // Every level but the outermost belongs to a child's element.
                if (!m_pending.empty()) m_sink.Close(tagRule);
            }
        }
    }

    void Group(const RuleGroupStruct* group) {
        if (group == nullptr) return;
        m_sink.Node(tagRuleGroupName, group->name);
        for (uint32_t i = 0; i < CountOf(group->rules); ++i) {
            const RuleStruct* rule = group->rules->at(i);
            if (rule == nullptr) continue;
            m_sink.Open(tagRule);
            Content(rule);
            m_sink.Close(tagRule);
        }
    }

    void Groups(const KoRuleGroupArray_C* groups) {
        m_sink.Open(tagKoRuleGroup);
        for (uint32_t i = 0; i < CountOf(groups); ++i) {
            const RuleGroupStruct* group = groups->at(i);
            if (group == nullptr) continue;
            m_sink.Open(tagKoRuleGroupEntry);
            Group(group);
            m_sink.Close(tagKoRuleGroupEntry);
        }
        m_sink.Close(tagKoRuleGroup);
    }

private:
    struct Level {
        const KoRuleList_C* children;
        uint32_t next;
    };

    // Everything of a rule up to its child rules. mappedMessages is not written.
    void Fields(const RuleStruct& rule) {
        m_sink.Node(tagRuleId, rule.ruleId);
        m_sink.Node(tagIsActive, rule.isActive != 0 ? "1" : "0");
        m_sink.Node(tagHelpFileLocation, rule.helpFileLocation);
        m_sink.Node(tagRuleGroupStr, rule.ruleGroupStr);
        m_sink.SafeNode(tagRuleText, rule.ruleText);
        m_sink.Node(tagRuleUID, rule.ruleUID);
        for (uint32_t i = 0; i < CountOf(rule.categories); ++i) {
            const char* category = rule.categories->at(i);
            if (category != nullptr) m_sink.Node(tagRuleCategory, category);
        }
    }

    Sink& m_sink;
    std::vector<Level> m_pending;
};

template <typename Sink>
void Mapping(Sink& sink, const KoMessageMapping_C* mapping) {
    if (mapping == nullptr) return;
    sink.Node(tagUniqueMessageID, mapping->uniqueMessageId);
    char* const* ruleIds = mapping->uniqueRuleIds();
    for (uint32_t i = 0; i < mapping->count; ++i)
        if (ruleIds[i] != nullptr) sink.Node(tagUniqueRuleIdList, ruleIds[i]);
}

template <typename Sink>
void MapEntries(Sink& sink, const KoMessageRuleMap_C* map) {
    // A null mapping keeps its place as an empty entry.
    for (uint32_t i = 0; i < CountOf(map); ++i) {
        sink.Open(tagKoMessageRuleMapEntry);
        Mapping(sink, map->at(i));
        sink.Close(tagKoMessageRuleMapEntry);
    }
}

}  // namespace

void AppendRuleGroups(std::string& out, const KoRuleGroupArray_C* groups) {
    Sized(out, [&](auto& sink) { RuleWriter<std::decay_t<decltype(sink)>>(sink).Groups(groups); });
}

void AppendRuleGroup(std::string& out, const RuleGroupStruct* group) {
    Sized(out, [&](auto& sink) { RuleWriter<std::decay_t<decltype(sink)>>(sink).Group(group); });
}

void AppendRule(std::string& out, const RuleStruct* rule) {
    Sized(out, [&](auto& sink) { RuleWriter<std::decay_t<decltype(sink)>>(sink).Content(rule); });
}

void AppendMessageMapping(std::string& out, const KoMessageMapping_C* mapping) {
    Sized(out, [&](auto& sink) { Mapping(sink, mapping); });
}

void AppendMessageRuleMapEntries(std::string& out, const KoMessageRuleMap_C* map) {
    Sized(out, [&](auto& sink) { MapEntries(sink, map); });
}

void AppendMessageRuleMap(std::string& out, const KoMessageRuleMap_C* map) {
    if (map == nullptr) return;
    Sized(out, [&](auto& sink) {
        sink.Open(tagKoMessageRuleMap);
        MapEntries(sink, map);
        sink.Close(tagKoMessageRuleMap);
    });
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
