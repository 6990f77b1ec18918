#include "xml/ProjectXml.h"

#include <cstring>
#include <type_traits>
#include <vector>

#include "xml/XmlOutput.h"
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

// The elements of the trees document, prepared once.
struct TreeTags {
    ElementTags trees{tagTrees};
    ElementTags fileTree{tagFileTree};
    ElementTags messageTree{tagMessageTree};
    ElementTags ruleTree{tagRuleTree};
    ElementTags type{tagType};
    ElementTags name{tagName};
    ElementTags data{tagData};
    ElementTags total{tagTotal};
    ElementTags active{tagActive};
    ElementTags subItem{tagSubItem};
};

const TreeTags& Tags() {
    static const TreeTags tags;
    return tags;
}

// Writes tree items through a sink (a Meter, then an Output).
template <typename Sink>
class TreeWalk {
public:
    explicit TreeWalk(Sink& sink) : m_sink(sink), m_tags(Tags()) {}

    void Item(const KoTreeStruct* item) {
        if (item == nullptr) return;
        // Depth is unbounded, so the descent keeps its own stack: per open
        // level, the sub-item list and the index of the next sub-item to write.
        Fields(*item);
        m_open.clear();
        m_open.push_back({item->subItems, 0});
        while (!m_open.empty()) {
            Level& level = m_open.back();
            if (level.next >= CountOf(level.subItems)) {
                m_open.pop_back();
                // Every level but the first stands inside an "SI" of its parent.
                if (!m_open.empty()) m_sink.Close(m_tags.subItem);
                continue;
            }
            const KoTreeStruct* child = level.subItems->at(level.next++);
            if (child == nullptr) continue;
            m_sink.Open(m_tags.subItem);
            Fields(*child);
            // `level` may dangle after this push; it is not used again.
            m_open.push_back({child->subItems, 0});
        }
    }

    void Individual(const KoTrees_C* trees) {
        if (trees == nullptr) return;
        Element(m_tags.fileTree, trees->fileTree);
        Element(m_tags.messageTree, trees->messageTree);
        Element(m_tags.ruleTree, trees->ruleTree);
    }

    void Trees(const KoTrees_C* trees) {
        m_sink.Open(m_tags.trees);
        Individual(trees);
        m_sink.Close(m_tags.trees);
    }

    // "Ty" with the digit 0 to 8, or empty for any other value.
    void Type(KoTreeItemType_C type) {
        static const char kDigits[] = "012345678";
        if (type >= 0 && type <= 8)
            m_sink.Node(m_tags.type, kDigits + type, 1);
        else
            m_sink.Node(m_tags.type, "", 0);
    }

private:
    struct Level {
        const KoTreeItemList_C* subItems;
        uint32_t next;
    };

    // Type, name, data, total and active of one item: everything but its sub-items.
    void Fields(const KoTreeStruct& item) {
        Type(item.type);
        m_sink.SafeNode(m_tags.name, item.name);
        m_sink.SafeNode(m_tags.data, item.data);
        m_sink.IntNode(m_tags.total, item.total);
        m_sink.IntNode(m_tags.active, item.active);
    }

    void Element(const ElementTags& tag, const KoTreeStruct* root) {
        m_sink.Open(tag);
        Item(root);
        m_sink.Close(tag);
    }

    Sink& m_sink;
    const TreeTags& m_tags;
    std::vector<Level> m_open;
};

template <typename Walk>
void SizedTrees(std::string& out, Walk walk) {
    Sized(out, [&](auto& sink) {
        TreeWalk<std::decay_t<decltype(sink)>> trees(sink);
        walk(trees);
    });
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
    SizedTrees(out, [&](auto& walk) { walk.Trees(trees); });
}

void AppendTreesIndividual(std::string& out, const KoTrees_C* trees) {
    SizedTrees(out, [&](auto& walk) { walk.Individual(trees); });
}

void AppendTreeItem(std::string& out, const KoTreeStruct* item) {
    SizedTrees(out, [&](auto& walk) { walk.Item(item); });
}

void AppendTreeItemType(std::string& out, KoTreeItemType_C type) {
    SizedTrees(out, [&](auto& walk) { walk.Type(type); });
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
