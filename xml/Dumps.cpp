#include "xml/Dumps.h"

#include <cstdio>
#include <vector>

#include "engine/Platform.h"
#include "log/Logger.h"

namespace Utils {

namespace {

const char* textOf(const char* text) { return text != nullptr ? text : ""; }

int asInt(uint32_t value) { return static_cast<int>(value); }

// Everything of a rule that comes before its children.
void printRuleHead(const RuleStruct* rule) {
    if (rule->ruleId != nullptr) std::printf("Flushing rule id %s \n", rule->ruleId);
    std::printf("isActive %d\n", rule->isActive != 0 ? 1 : 0);
    if (rule->helpFileLocation != nullptr) std::printf("HelpFileLocation %s\n", rule->helpFileLocation);
    if (rule->ruleGroupStr != nullptr) std::printf("RuleGroup %s\n", rule->ruleGroupStr);
    if (rule->ruleText != nullptr) std::printf("RuleText %s \n", rule->ruleText);
    if (rule->ruleUID != nullptr) std::printf("RuleId %s \n", rule->ruleUID);

    const uint32_t categories = CountOf(rule->categories);
    std::printf("Rule Categories %d \n", asInt(categories));
    for (uint32_t i = 0; i < categories; ++i)
        std::printf("category %d : %s \n", asInt(i), textOf(rule->categories->at(i)));

    std::printf("Rule Child count %d\n", asInt(CountOf(rule->childRules)));
}

// Everything of a rule that comes after its children.
void printRuleTail(const RuleStruct* rule) {
    const uint32_t count = CountOf(rule->mappedMessages);
    std::printf("Mapped messages number %d\n", asInt(count));
    for (uint32_t i = 0; i < count; ++i) {
        const KoMessage_C* message = rule->mappedMessages->at(i);
        if (message == nullptr) continue;
        std::printf("Mapped Messages %d :\n ", asInt(i));
        std::printf("Messag Text %s \n", textOf(message->messageText));
        std::printf("Message level %d \n", message->level);
        std::printf("Message helpfile lcoation %s \n", textOf(message->helpFileLocation));
        std::printf("message producer %s\n", textOf(message->producer));
        std::printf("message unique ID %s\n", textOf(message->uniqueMessageId));
        std::printf("message number %s\n", textOf(message->messageNumber));
        const uint32_t references = CountOf(message->references);
        std::printf("message references %d\n", asInt(references));
        for (uint32_t r = 0; r < references; ++r)
            std::printf("Ref %d %s\n", asInt(r), textOf(message->references->at(r)));
    }
}

}  // namespace

void flushKoRule(RuleStruct* rule) {
    if (rule == nullptr) return;
    // Depth-first with an explicit stack: each frame is a rule whose head is
    // printed and the index of its next child.
    struct Frame {
        const RuleStruct* rule;
        uint32_t nextChild;
    };
    std::vector<Frame> stack;
    printRuleHead(rule);
    stack.push_back({rule, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        const KoRuleList_C* children = top.rule->childRules;
        const uint32_t count = CountOf(children);
        while (top.nextChild < count && children->at(top.nextChild) == nullptr) ++top.nextChild;
        if (top.nextChild == count) {
            printRuleTail(top.rule);
            stack.pop_back();
            continue;
        }
        const uint32_t index = top.nextChild++;
        const RuleStruct* child = children->at(index);
        std::printf("flushing child %d\n", asInt(index));
        printRuleHead(child);
        stack.push_back({child, 0});
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
