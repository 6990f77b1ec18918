#include "sample-engine/Records.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace Sample {

namespace {

const char kProducer[] = "Vorlan sample text checker";

// Zeroed blocks: a record whose building stopped half way holds nulls where
// its missing parts would be, and its Free function skips them.
template <typename T = void>
T* allocate(size_t bytes = sizeof(T)) {
    void* block = std::calloc(1, bytes);
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<T*>(block);
}

char* copy(const std::string& text) {
    char* block = allocate<char>(text.size() + 1);
    std::memcpy(block, text.data(), text.size());
    return block;
}

template <typename Array>
Array* newArray(size_t count) {
    Array* array = allocate<Array>(Array::BlockSize(count));
    array->count = static_cast<uint32_t>(count);
    return array;
}

template <typename Array>
void freeTexts(Array* array) {
    if (array == nullptr) return;
    for (uint32_t i = 0; i < array->count; ++i) std::free(array->items()[i]);
    std::free(array);
}

template <typename Array>
Array* newTexts(const std::vector<std::string>& texts) {
    Array* array = newArray<Array>(texts.size());
    try {
        for (size_t i = 0; i < texts.size(); ++i) array->items()[i] = copy(texts[i]);
    } catch (...) {
        freeTexts(array);
        throw;
    }
    return array;
}

std::string helpFile(const MessageInfo& info) { return std::string("help/messages/") + info.number + ".html"; }

void fillMessage(KoMessage_C* message, int index, const std::string& text) {
    const MessageInfo& info = Messages()[index];
    message->level = info.level;
    message->uniqueMessageId = copy(info.uniqueId);
    message->helpFileLocation = copy(helpFile(info));
    message->messageNumber = copy(info.number);
    message->messageText = copy(text);
    message->producer = copy(kProducer);
    message->references = newTexts<KoReferenceArray_C>({info.reference});
}

void freeMessage(KoMessage_C* message) {
    if (message == nullptr) return;
    std::free(message->uniqueMessageId);
    std::free(message->helpFileLocation);
    std::free(message->messageNumber);
    std::free(message->messageText);
    std::free(message->producer);
    freeTexts(message->references);
    std::free(message);
}

void freeMessages(KoMessageArray_C* messages) {
    if (messages == nullptr) return;
    for (uint32_t i = 0; i < messages->count; ++i) freeMessage(messages->items()[i]);
    std::free(messages);
}

void fillDiagnostic(DiagnosticStruct* diagnostic, const std::string& file, const Finding& finding) {
    diagnostic->message = allocate<KoMessage_C>();
    fillMessage(diagnostic->message, finding.message, MessageText(finding));
    diagnostic->hasSubDiagnostics = finding.related.empty() ? 0 : 1;
    diagnostic->multiHomed = 0;
    diagnostic->suppressionState = 0;
    diagnostic->subDiagnostics = newArray<KoDiagnosticArray_C>(finding.related.size());
    for (size_t i = 0; i < finding.related.size(); ++i) {
        DiagnosticStruct* sub = allocate<DiagnosticStruct>();
        diagnostic->subDiagnostics->items()[i] = sub;
        fillDiagnostic(sub, file, finding.related[i]);
    }
    diagnostic->parameters = newTexts<KoParameterArray_C>(finding.parameters);
    diagnostic->locations = newArray<KoLocationArray_C>(1);
    LocationStruct* location = allocate<LocationStruct>();
    diagnostic->locations->items()[0] = location;
    location->file = copy(file);
    location->line = finding.line;
    location->column = finding.column;
}

void freeDiagnostic(DiagnosticStruct* diagnostic) {
    if (diagnostic == nullptr) return;
    freeMessage(diagnostic->message);
    FreeDiagnostics(diagnostic->subDiagnostics);
    freeTexts(diagnostic->parameters);
    if (diagnostic->locations != nullptr) {
        for (uint32_t i = 0; i < diagnostic->locations->count; ++i) {
            LocationStruct* location = diagnostic->locations->items()[i];
            if (location != nullptr) std::free(location->file);
            std::free(location);
        }
        std::free(diagnostic->locations);
    }
    std::free(diagnostic);
}

std::vector<const RuleInfo*> rulesUnder(const char* group, const char* parent) {
    std::vector<const RuleInfo*> found;
    for (size_t i = 0; i < RuleCount(); ++i) {
        const RuleInfo& rule = Rules()[i];
        bool sameParent = parent == nullptr ? rule.parent == nullptr
                                            : rule.parent != nullptr && std::strcmp(rule.parent, parent) == 0;
        if (std::strcmp(rule.group, group) == 0 && sameParent) found.push_back(&rule);
    }
    return found;
}

void freeRules(KoRuleList_C* rules);

void fillRule(RuleStruct* rule, const RuleInfo& info) {
    rule->ruleGroupStr = copy(info.group);
    rule->helpFileLocation = copy(std::string("help/rules/") + info.id + ".html");
    rule->ruleId = copy(info.id);
    rule->ruleText = copy(info.text);
    rule->isActive = 1;
    rule->ruleUID = copy(info.uid);

    std::vector<const RuleInfo*> children = rulesUnder(info.group, info.id);
    rule->childRules = newArray<KoRuleList_C>(children.size());
    for (size_t i = 0; i < children.size(); ++i) {
        RuleStruct* child = allocate<RuleStruct>();
        rule->childRules->items()[i] = child;
        fillRule(child, *children[i]);
    }

    std::vector<int> mapped;
    for (int m = 0; m < kMessageCount; ++m)
        if (std::strcmp(Messages()[m].rule, info.id) == 0) mapped.push_back(m);
    rule->mappedMessages = newArray<KoMessageArray_C>(mapped.size());
    for (size_t i = 0; i < mapped.size(); ++i) {
        KoMessage_C* message = allocate<KoMessage_C>();
        rule->mappedMessages->items()[i] = message;
        fillMessage(message, mapped[i], Messages()[mapped[i]].title);
    }
    rule->categories = newTexts<KoCategoryArray_C>({info.category});
}

void freeRule(RuleStruct* rule) {
    if (rule == nullptr) return;
    std::free(rule->ruleGroupStr);
    std::free(rule->helpFileLocation);
    std::free(rule->ruleId);
    std::free(rule->ruleText);
    std::free(rule->ruleUID);
    freeRules(rule->childRules);
    freeMessages(rule->mappedMessages);
    freeTexts(rule->categories);
    std::free(rule);
}

void freeRules(KoRuleList_C* rules) {
    if (rules == nullptr) return;
    for (uint32_t i = 0; i < rules->count; ++i) freeRule(rules->items()[i]);
    std::free(rules);
}

void fillTreeItem(KoTreeStruct* item, const TreeNode& node) {
    item->type = node.type;
    item->name = copy(node.name);
    item->data = copy(node.data);
    item->total = node.total;
    item->active = node.active;
    item->subItems = newArray<KoTreeItemList_C>(node.children.size());
    for (size_t i = 0; i < node.children.size(); ++i) {
        KoTreeStruct* child = allocate<KoTreeStruct>();
        item->subItems->items()[i] = child;
        fillTreeItem(child, node.children[i]);
    }
}

void freeTreeItem(KoTreeStruct* item) {
    if (item == nullptr) return;
    std::free(item->name);
    std::free(item->data);
    if (item->subItems != nullptr) {
        for (uint32_t i = 0; i < item->subItems->count; ++i) freeTreeItem(item->subItems->items()[i]);
        std::free(item->subItems);
    }
    std::free(item);
}

}  // namespace

KoDiagnosticArray_C* NewDiagnostics(const std::string& file, const std::vector<Finding>& findings) {
    KoDiagnosticArray_C* array = newArray<KoDiagnosticArray_C>(findings.size());
    try {
        for (size_t i = 0; i < findings.size(); ++i) {
            DiagnosticStruct* diagnostic = allocate<DiagnosticStruct>();
            array->items()[i] = diagnostic;
            fillDiagnostic(diagnostic, file, findings[i]);
        }
    } catch (...) {
        FreeDiagnostics(array);
        throw;
    }
    return array;
}

void FreeDiagnostics(KoDiagnosticArray_C* array) {
    if (array == nullptr) return;
    for (uint32_t i = 0; i < array->count; ++i) freeDiagnostic(array->items()[i]);
    std::free(array);
}

KoRuleGroupArray_C* NewRuleGroups() {
    KoRuleGroupArray_C* groups = newArray<KoRuleGroupArray_C>(RuleGroupCount());
    try {
        for (size_t g = 0; g < RuleGroupCount(); ++g) {
            RuleGroupStruct* group = allocate<RuleGroupStruct>();
            groups->items()[g] = group;
            group->name = copy(RuleGroups()[g]);
            std::vector<const RuleInfo*> rules = rulesUnder(RuleGroups()[g], nullptr);
            group->rules = newArray<KoRuleList_C>(rules.size());
            for (size_t i = 0; i < rules.size(); ++i) {
                RuleStruct* rule = allocate<RuleStruct>();
                group->rules->items()[i] = rule;
                fillRule(rule, *rules[i]);
            }
        }
    } catch (...) {
        FreeRuleGroups(groups);
        throw;
    }
    return groups;
}

void FreeRuleGroups(KoRuleGroupArray_C* groups) {
    if (groups == nullptr) return;
    for (uint32_t g = 0; g < groups->count; ++g) {
        RuleGroupStruct* group = groups->items()[g];
        if (group == nullptr) continue;
        std::free(group->name);
        freeRules(group->rules);
        std::free(group);
    }
    std::free(groups);
}

KoMessageRuleMap_C* NewMessageRuleMap() {
    KoMessageRuleMap_C* map = newArray<KoMessageRuleMap_C>(kMessageCount);
    try {
        for (int m = 0; m < kMessageCount; ++m) {
            KoMessageMapping_C* mapping = allocate<KoMessageMapping_C>(KoMessageMapping_C::BlockSize(1));
            map->items()[m] = mapping;
            mapping->count = 1;
            mapping->uniqueMessageId = copy(Messages()[m].uniqueId);
            for (size_t r = 0; r < RuleCount(); ++r)
                if (std::strcmp(Rules()[r].id, Messages()[m].rule) == 0) mapping->uniqueRuleIds()[0] = copy(Rules()[r].uid);
        }
    } catch (...) {
        FreeMessageRuleMap(map);
        throw;
    }
    return map;
}

void FreeMessageRuleMap(KoMessageRuleMap_C* map) {
    if (map == nullptr) return;
    for (uint32_t m = 0; m < map->count; ++m) {
        KoMessageMapping_C* mapping = map->items()[m];
        if (mapping == nullptr) continue;
        std::free(mapping->uniqueMessageId);
        for (uint32_t r = 0; r < mapping->count; ++r) std::free(mapping->uniqueRuleIds()[r]);
        std::free(mapping);
    }
    std::free(map);
}

KoFile_C* NewKoFile(const FileSettings& settings) {
    KoFile_C* file = allocate<KoFile_C>();
    try {
        file->language = settings.language;
        file->defines = newTexts<KoDefines_C>(settings.defines);
        file->includes = newArray<KoIncludes_C>(settings.includes.size());
        for (size_t i = 0; i < settings.includes.size(); ++i)
            file->includes->items()[i].path = copy(settings.includes[i]);
    } catch (...) {
        FreeKoFile(file);
        throw;
    }
    return file;
}

void FreeKoFile(KoFile_C* file) {
    if (file == nullptr) return;
    freeTexts(file->defines);
    if (file->includes != nullptr) {
        for (uint32_t i = 0; i < file->includes->count; ++i) std::free(file->includes->items()[i].path);
        std::free(file->includes);
    }
    std::free(file);
}

template <typename List>
List* NewStringList(const std::vector<std::string>& items) {
    return newTexts<List>(items);
}

template <typename List>
void FreeStringList(List* list) {
    freeTexts(list);
}

template KoStrings_C* NewStringList<KoStrings_C>(const std::vector<std::string>&);
template KoFileList_C* NewStringList<KoFileList_C>(const std::vector<std::string>&);
template void FreeStringList<KoStrings_C>(KoStrings_C*);
template void FreeStringList<KoFileList_C>(KoFileList_C*);

KoLanguages_C* NewLanguages(const std::vector<int32_t>& codes) {
    KoLanguages_C* languages = allocate<KoLanguages_C>(KoLanguages_C::BlockSize(codes.size()));
    languages->count = static_cast<uint32_t>(codes.size());
    for (size_t i = 0; i < codes.size(); ++i) languages->items()[i] = codes[i];
    return languages;
}

KoTrees_C* NewTrees(const TreeNode& fileTree, const TreeNode& ruleTree, const TreeNode& messageTree) {
    KoTrees_C* trees = allocate<KoTrees_C>();
    try {
        trees->fileTree = allocate<KoTreeStruct>();
        fillTreeItem(trees->fileTree, fileTree);
        trees->ruleTree = allocate<KoTreeStruct>();
        fillTreeItem(trees->ruleTree, ruleTree);
        trees->messageTree = allocate<KoTreeStruct>();
        fillTreeItem(trees->messageTree, messageTree);
    } catch (...) {
        FreeTrees(trees);
        throw;
    }
    return trees;
}

void FreeTrees(KoTrees_C* trees) {
    if (trees == nullptr) return;
    freeTreeItem(trees->fileTree);
    freeTreeItem(trees->ruleTree);
    freeTreeItem(trees->messageTree);
    std::free(trees);
}

}  // namespace Sample
