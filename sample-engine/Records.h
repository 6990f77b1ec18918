#pragma once

// Building and releasing the records the sample engine hands out. Every block
// comes from malloc; a record is released as a whole by its Free function,
// which accepts null at every level (so a half-built record can be released
// too). Builders throw std::bad_alloc when memory runs out, after releasing
// what they had built.

#include <string>
#include <vector>

#include "engine/KoDiagnostics.h"
#include "engine/KoProject.h"
#include "engine/KoRules.h"
#include "sample-engine/Checker.h"
#include "sample-engine/Project.h"

namespace Sample {

// One item of a tree, and its sub-items, before it becomes a KoTreeStruct.
struct TreeNode {
    int32_t type = 0;
    std::string name;
    std::string data;
    int32_t total = 0;
    int32_t active = 0;
    std::vector<TreeNode> children;
};

// Kinds of tree items.
enum TreeItemType : int32_t {
    kTreeProject = 0,
    kTreeFolder = 1,
    kTreeFile = 2,
    kTreeRuleGroup = 3,
    kTreeRule = 4,
    kTreeMessage = 5,
    kTreeRuleRoot = 6,
    kTreeMessageRoot = 7,
};

KoDiagnosticArray_C* NewDiagnostics(const std::string& file, const std::vector<Finding>& findings);
void FreeDiagnostics(KoDiagnosticArray_C* array);

KoRuleGroupArray_C* NewRuleGroups();
void FreeRuleGroups(KoRuleGroupArray_C* groups);

KoMessageRuleMap_C* NewMessageRuleMap();
void FreeMessageRuleMap(KoMessageRuleMap_C* map);

KoFile_C* NewKoFile(const FileSettings& settings);
void FreeKoFile(KoFile_C* file);

// KoStrings_C and the file list share one layout.
template <typename List>
List* NewStringList(const std::vector<std::string>& items);
template <typename List>
void FreeStringList(List* list);

KoLanguages_C* NewLanguages(const std::vector<int32_t>& codes);

KoTrees_C* NewTrees(const TreeNode& fileTree, const TreeNode& ruleTree, const TreeNode& messageTree);
void FreeTrees(KoTrees_C* trees);

}  // namespace Sample
