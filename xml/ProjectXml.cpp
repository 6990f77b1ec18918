#include "xml/ProjectXml.h"

#include <cstring>
#include <vector>

#include "xml/XmlPrimitives.h"

namespace Utils {
namespace Xml {

namespace {

void appendText(std::string& out, const char* text) {
    if (text != nullptr) out += text;
}

void appendEscapedText(std::string& out, const char* text) {
    if (text != nullptr) AppendEscaped(out, text, std::strlen(text));
}

// The separator is no markup character, so escaping item by item gives the
// same bytes as escaping the joined text.
template <typename PathOf>
void appendEscapedJoined(std::string& out, uint32_t count, PathOf pathOf) {
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0) out += ';';
        appendEscapedText(out, pathOf(i));
    }
}

// Type, name, data, total and active of one item: everything but its sub-items.
void appendItemFields(std::string& out, const KoTreeStruct& item) {
    AppendTreeItemType(out, item.type);
    SafeNode(out, tagName, item.name);
    SafeNode(out, tagData, item.data);
    IntNode(out, tagTotal, item.total);
    IntNode(out, tagActive, item.active);
}

void appendTreeElement(std::string& out, const std::string& tag, const KoTreeStruct* root) {
    Open(out, tag);
    AppendTreeItem(out, root);
    Close(out, tag);
}

}  // namespace

void AppendJoined(std::string& out, const KoCountedArray<char*>* list) {
    const uint32_t count = CountOf(list);
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0) out += ';';
        appendText(out, list->at(i));
    }
}

void AppendKoFile(std::string& out, const KoFile_C* file) {
    if (file == nullptr) return;
    Open(out, tagKoFile);
    AppendIncludedPaths(out, file->includes);
    AppendDefines(out, file->defines);
    AppendSourceLanguage(out, file->language);
    Close(out, tagKoFile);
}

void AppendIncludedPaths(std::string& out, const KoIncludes_C* includes) {
    Open(out, tagIncludedPaths);
    appendEscapedJoined(out, CountOf(includes), [includes](uint32_t i) { return includes->at(i).path; });
    Close(out, tagIncludedPaths);
}

void AppendDefines(std::string& out, const KoDefines_C* defines) {
    Open(out, tagDefinitions);
    appendEscapedJoined(out, CountOf(defines), [defines](uint32_t i) { return defines->at(i); });
    Close(out, tagDefinitions);
}

void AppendSourceLanguage(std::string& out, KoSourceLanguage_C language) {
    static const char* const kNames[] = {"C", "C++", "C#"};
    SafeNode(out, tagSourceLanguage, language >= 0 && language <= 2 ? kNames[language] : nullptr);
}

void AppendLanguages(std::string& out, const KoLanguages_C* languages) {
    if (languages == nullptr) return;
    Open(out, tagLanguages);
    for (uint32_t i = 0; i < languages->count; ++i) AppendLanguage(out, languages->at(i));
    Close(out, tagLanguages);
}

void AppendLanguage(std::string& out, KoLanguage_C language) {
    static const char* const kCodes[] = {"0", "1", "2"};
    if (language < 0 || language > 2) return;
    SafeNode(out, tagLanguage, kCodes[language]);
}

void AppendTrees(std::string& out, const KoTrees_C* trees) {
    Open(out, tagTrees);
    AppendTreesIndividual(out, trees);
    Close(out, tagTrees);
}

void AppendTreesIndividual(std::string& out, const KoTrees_C* trees) {
    if (trees == nullptr) return;
    appendTreeElement(out, tagFileTree, trees->fileTree);
    appendTreeElement(out, tagMessageTree, trees->messageTree);
    appendTreeElement(out, tagRuleTree, trees->ruleTree);
}

void AppendTreeItem(std::string& out, const KoTreeStruct* item) {
    if (item == nullptr) return;
    // Depth is unbounded, so the descent keeps its own stack: per open level,
    // the sub-item list and the index of the next sub-item to write.
    struct Level {
        const KoTreeItemList_C* subItems;
        uint32_t next;
    };
    std::vector<Level> open;
    appendItemFields(out, *item);
    open.push_back({item->subItems, 0});
    while (!open.empty()) {
        Level& level = open.back();
        if (level.next >= CountOf(level.subItems)) {
            open.pop_back();
            // Every level but the first stands inside an "SI" of its parent.
            if (!open.empty()) Close(out, tagSubItem);
            continue;
        }
        const KoTreeStruct* child = level.subItems->at(level.next++);
        if (child == nullptr) continue;
        Open(out, tagSubItem);
        appendItemFields(out, *child);
        open.push_back({child->subItems, 0});
    }
}

void AppendTreeItemType(std::string& out, KoTreeItemType_C type) {
    static const char* const kDigits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8"};
    SafeNode(out, tagType, type >= 0 && type <= 8 ? kDigits[type] : nullptr);
}

}  // namespace Xml

namespace {

template <typename Record>
std::string serialize(void (*append)(std::string&, Record), Record record) {
    std::string out;
    append(out, record);
    return out;
}

}  // namespace

std::string SerializeKoFile(const KoFile_C* file) { return serialize(&Xml::AppendKoFile, file); }
std::string SerializeIncludedPaths(const KoIncludes_C* includes) {
    return serialize(&Xml::AppendIncludedPaths, includes);
}
std::string SerializeDefines(const KoDefines_C* defines) { return serialize(&Xml::AppendDefines, defines); }
std::string SerializeSourceLanguage(KoSourceLanguage_C language) {
    return serialize(&Xml::AppendSourceLanguage, language);
}
std::string SerializeLanguages(const KoLanguages_C* languages) { return serialize(&Xml::AppendLanguages, languages); }
std::string SerializeLanguage(KoLanguage_C language) { return serialize(&Xml::AppendLanguage, language); }
std::string SerializeTrees(const KoTrees_C* trees) { return serialize(&Xml::AppendTrees, trees); }
std::string SerializeTreesIndividual(const KoTrees_C* trees) { return serialize(&Xml::AppendTreesIndividual, trees); }
std::string SerializeTreeItem(const KoTreeStruct* item) { return serialize(&Xml::AppendTreeItem, item); }
std::string SerializeTreeItemType(KoTreeItemType_C type) { return serialize(&Xml::AppendTreeItemType, type); }

}  // namespace Utils
