#pragma once

// Rule group, rule and message-rule map records, in the engine's layouts.

#include <cstddef>

#include "engine/KoCountedArray.h"
#include "engine/KoDiagnostics.h"

struct RuleStruct;
struct RuleGroupStruct;
struct KoMessageMapping_C;

struct KoRuleGroupArray_C : KoCountedArray<RuleGroupStruct*> {};
struct KoRuleList_C : KoCountedArray<RuleStruct*> {};
struct KoCategoryArray_C : KoCountedArray<char*> {};
struct KoMessageRuleMap_C : KoCountedArray<KoMessageMapping_C*> {};

struct RuleGroupStruct {
    char* name;
    KoRuleList_C* rules;
};

struct RuleStruct {
    char* ruleGroupStr;
    char* helpFileLocation;
    char* ruleId;
    char* ruleText;
    uint8_t isActive;  // boolean byte: any non-zero value is true
    char* ruleUID;
    KoRuleList_C* childRules;
    KoMessageArray_C* mappedMessages;
    KoCategoryArray_C* categories;
};

// One mapping: the message identifier, then a counted list of rule identifiers
// stored inline from byte 16.
struct KoMessageMapping_C {
    char* uniqueMessageId;
    uint32_t count;
    uint32_t reserved;

    char** uniqueRuleIds() { return reinterpret_cast<char**>(this + 1); }
    char* const* uniqueRuleIds() const { return reinterpret_cast<char* const*>(this + 1); }
    static constexpr size_t BlockSize(size_t n) { return sizeof(KoMessageMapping_C) + n * sizeof(char*); }
};

static_assert(offsetof(RuleGroupStruct, name) == 0, "RuleGroupStruct layout");
static_assert(offsetof(RuleGroupStruct, rules) == 8, "RuleGroupStruct layout");

static_assert(offsetof(RuleStruct, ruleGroupStr) == 0, "RuleStruct layout");
static_assert(offsetof(RuleStruct, helpFileLocation) == 8, "RuleStruct layout");
static_assert(offsetof(RuleStruct, ruleId) == 16, "RuleStruct layout");
static_assert(offsetof(RuleStruct, ruleText) == 24, "RuleStruct layout");
static_assert(offsetof(RuleStruct, isActive) == 32, "RuleStruct layout");
static_assert(offsetof(RuleStruct, ruleUID) == 40, "RuleStruct layout");
static_assert(offsetof(RuleStruct, childRules) == 48, "RuleStruct layout");
static_assert(offsetof(RuleStruct, mappedMessages) == 56, "RuleStruct layout");
static_assert(offsetof(RuleStruct, categories) == 64, "RuleStruct layout");

static_assert(offsetof(KoMessageMapping_C, uniqueMessageId) == 0, "KoMessageMapping_C layout");
static_assert(offsetof(KoMessageMapping_C, count) == 8, "KoMessageMapping_C layout");
static_assert(sizeof(KoMessageMapping_C) == 16, "rule identifiers inline from byte 16");
