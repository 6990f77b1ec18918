#include "xml/extras/Dumps.h"

#include <cstdio>

#include "engine/Platform.h"
#include "log/Logger.h"
#include "xml/NestedWalk.h"

namespace Utils {

namespace {

const char* textOf(const char* text) { return text != nullptr ? text : ""; }

int asInt(uint32_t value) { return static_cast<int>(value); }

// printf that adds up what it printed.
struct Printed {
    size_t bytes = 0;
    template <typename... A>
    void operator()(const char* format, A... arguments) {
        const int n = std::printf(format, arguments...);
        if (n > 0) bytes += static_cast<size_t>(n);
    }
};

// Everything of a rule that comes before its children.
size_t printRuleHead(const RuleStruct* rule) {
    Printed out;
    if (rule->ruleId != nullptr) out("Flushing rule id %s \n", rule->ruleId);
    out("isActive %d\n", rule->isActive != 0 ? 1 : 0);
    if (rule->helpFileLocation != nullptr) out("HelpFileLocation %s\n", rule->helpFileLocation);
    if (rule->ruleGroupStr != nullptr) out("RuleGroup %s\n", rule->ruleGroupStr);
    if (rule->ruleText != nullptr) out("RuleText %s \n", rule->ruleText);
    if (rule->ruleUID != nullptr) out("RuleId %s \n", rule->ruleUID);

    const uint32_t categories = CountOf(rule->categories);
    out("Rule Categories %d \n", asInt(categories));
    for (uint32_t i = 0; i < categories; ++i)
        out("category %d : %s \n", asInt(i), textOf(rule->categories->at(i)));

    out("Rule Child count %d\n", asInt(CountOf(rule->childRules)));
    return out.bytes;
}

// Everything of a rule that comes after its children.
size_t printRuleTail(const RuleStruct* rule) {
    Printed out;
    const uint32_t count = CountOf(rule->mappedMessages);
    out("Mapped messages number %d\n", asInt(count));
    for (uint32_t i = 0; i < count; ++i) {
        const KoMessage_C* message = rule->mappedMessages->at(i);
        if (message == nullptr) continue;
        out("Mapped Messages %d :\n ", asInt(i));
        out("Messag Text %s \n", textOf(message->messageText));
        out("Message level %d \n", message->level);
        out("Message helpfile lcoation %s \n", textOf(message->helpFileLocation));
        out("message producer %s\n", textOf(message->producer));
        out("message unique ID %s\n", textOf(message->uniqueMessageId));
        out("message number %s\n", textOf(message->messageNumber));
        const uint32_t references = CountOf(message->references);
        out("message references %d\n", asInt(references));
        for (uint32_t r = 0; r < references; ++r)
            out("Ref %d %s\n", asInt(r), textOf(message->references->at(r)));
    }
    return out.bytes;
}

}  // namespace

void flushKoRule(RuleStruct* rule) {
    if (rule == nullptr) return;
    // Like the documents, a dump stops when its records loop or it passes the
    // largest Java array (shared child lists can multiply a small tree).
    try {
        size_t printed = printRuleHead(rule);
        Xml::NestedWalk<&RuleStruct::childRules>().Walk(
            rule->childRules,
            [&](const RuleStruct& child, uint32_t index) {
                printed += static_cast<size_t>(std::printf("flushing child %d\n", asInt(index)));
                printed += printRuleHead(&child);
                if (printed > Xml::kLargestDocument) Xml::ThrowTooLarge();
            },
            [&](const RuleStruct& child) { printed += printRuleTail(&child); });
        printRuleTail(rule);
    } catch (const Xml::DocumentNotWritten& e) {
        std::fflush(stdout);
        Logger::Log(1, "\n%s: stopped: %s\n", VORLAN_QUALIFIED("Utils", "flushKoRule"), e.what());
    }
}

void flushRuleGroup(RuleGroupStruct* group) {
    if (group == nullptr) return;
    const uint32_t count = CountOf(group->rules);
    std::printf("Flushing rule group %s with %d \n", textOf(group->name), asInt(count));
    for (uint32_t i = 0; i < count; ++i) {
        RuleStruct* rule = group->rules->at(i);
        if (rule == nullptr) continue;
        std::printf("Fushing KO Rule %d", asInt(i));
        flushKoRule(rule);
    }
}

void flushRuleGroups(KoRuleGroupArray_C* groups) {
    const uint32_t count = CountOf(groups);
    std::printf("Flushing rule groups, size %d\n", asInt(count));
    for (uint32_t i = 0; i < count; ++i) {
        RuleGroupStruct* group = groups->at(i);
        if (group == nullptr) continue;
        std::printf("Flushing rule Groups %d,\n", asInt(i));
        flushRuleGroup(group);
    }
}

void flushMessageRuleMap(KoMessageRuleMap_C* map) {
    const uint32_t count = CountOf(map);
    std::printf("Flushing rule maps, size %d \n", asInt(count));
    for (uint32_t i = 0; i < count; ++i) {
        const KoMessageMapping_C* mapping = map->at(i);
        std::printf("rule map %d : \n", asInt(i));
        std::printf("maped unique MsgId %s \n", mapping != nullptr ? textOf(mapping->uniqueMessageId) : "");
        const uint32_t rules = mapping != nullptr ? mapping->count : 0;
        std::printf("mapped rules %d :\n", asInt(rules));
        for (uint32_t r = 0; r < rules; ++r)
            std::printf("rules[%d] : %s \n", asInt(r), textOf(mapping->uniqueRuleIds()[r]));
    }
}

void saveResultToFile(const char* path, const char* text) {
    FILE* file = path != nullptr ? std::fopen(path, "w") : nullptr;
    if (file == nullptr) {
        Logger::Log(2, "\n%s: cannot open %s for writing\n", VORLAN_QUALIFIED("Utils", "saveResultToFile"),
                    textOf(path));
        return;
    }
    if (text != nullptr) std::fputs(text, file);
    std::fclose(file);
}

}  // namespace Utils
