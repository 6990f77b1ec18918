#pragma once

// Builds rule group trees and message-rule maps in the engine's layouts, for
// the tests and the benchmarks. Every block and text is owned by the builder
// and lives as long as it does; nothing is freed recursively, so trees of any
// depth are cheap to drop.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/KoRules.h"

class RuleRecords {
public:
    // The texts of one rule; any may be null to break the engine's promises.
    struct Texts {
        const char* ruleId;
        const char* helpFile;
        const char* groupStr;
        const char* ruleText;
        const char* ruleUID;
    };

    char* text(const char* value) {
        if (value == nullptr) return nullptr;
        const size_t length = std::strlen(value) + 1;
        char* copy = static_cast<char*>(block(length));
        std::memcpy(copy, value, length);
        return copy;
    }

    // A counted array of exactly `items.size()` elements, nothing behind them.
    template <typename Array, typename T>
    Array* array(const std::vector<T>& items) {
        auto* a = static_cast<Array*>(block(Array::BlockSize(items.size())));
        a->count = static_cast<uint32_t>(items.size());
        for (size_t i = 0; i < items.size(); ++i) a->items()[i] = items[i];
        return a;
    }

    KoCategoryArray_C* categories(const std::vector<const char*>& names) {
        std::vector<char*> copies;
        for (const char* name : names) copies.push_back(text(name));
        return array<KoCategoryArray_C>(copies);
    }

    KoRuleList_C* rules(const std::vector<RuleStruct*>& items) { return array<KoRuleList_C>(items); }

    // A rule with empty lists of child rules, messages and categories unless given.
    RuleStruct* rule(const Texts& t, uint8_t isActive, const std::vector<const char*>& categoryNames = {},
                     const std::vector<RuleStruct*>& children = {}) {
        auto* r = static_cast<RuleStruct*>(block(sizeof(RuleStruct)));
        r->ruleId = text(t.ruleId);
        r->isActive = isActive;
        r->helpFileLocation = text(t.helpFile);
        r->ruleGroupStr = text(t.groupStr);
        r->ruleText = text(t.ruleText);
        r->ruleUID = text(t.ruleUID);
        r->childRules = rules(children);
        r->mappedMessages = array<KoMessageArray_C>(std::vector<KoMessage_C*>{});
        r->categories = categories(categoryNames);
        return r;
    }

    // A rule known by its identifier only: "h"+id, group "G", text "t"+id, "U"+id.
    RuleStruct* rule(const std::string& id, uint8_t isActive = 1, const std::vector<const char*>& categoryNames = {},
                     const std::vector<RuleStruct*>& children = {}) {
        const std::string help = "h" + id, ruleText = "t" + id, uid = "U" + id;
        return rule({id.c_str(), help.c_str(), "G", ruleText.c_str(), uid.c_str()}, isActive, categoryNames, children);
    }

    RuleGroupStruct* group(const char* name, const std::vector<RuleStruct*>& items) {
        auto* g = static_cast<RuleGroupStruct*>(block(sizeof(RuleGroupStruct)));
        g->name = text(name);
        g->rules = rules(items);
        return g;
    }

    KoRuleGroupArray_C* groups(const std::vector<RuleGroupStruct*>& items) { return array<KoRuleGroupArray_C>(items); }

    // A mapping whose block ends right after its rule identifiers.
    KoMessageMapping_C* mapping(const char* messageId, const std::vector<const char*>& ruleIds) {
        auto* m = static_cast<KoMessageMapping_C*>(block(KoMessageMapping_C::BlockSize(ruleIds.size())));
        m->uniqueMessageId = text(messageId);
        m->count = static_cast<uint32_t>(ruleIds.size());
        for (size_t i = 0; i < ruleIds.size(); ++i) m->uniqueRuleIds()[i] = text(ruleIds[i]);
        return m;
    }

    KoMessageRuleMap_C* map(const std::vector<KoMessageMapping_C*>& items) { return array<KoMessageRuleMap_C>(items); }

private:
    // Zeroed and 8-byte aligned; records get exactly their size, so a memory
    // checker sees any read behind them.
    void* block(size_t bytes) {
        m_blocks.emplace_back(new uint64_t[(bytes + 7) / 8 + (bytes == 0 ? 1 : 0)]());
        return m_blocks.back().get();
    }

    std::vector<std::unique_ptr<uint64_t[]>> m_blocks;
};
