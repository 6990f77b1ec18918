#include "xml/ProjectXml.h"

#include <cstring>
#include <type_traits>
#include <vector>

#include "xml/XmlOutput.h"
#include "xml/XmlPrimitives.h"

namespace Utils {
namespace Xml {

namespace {

// The elements of the project documents, prepared once.
struct TreeTags {
    ElementTags koFile{tagKoFile};
    ElementTags includedPaths{tagIncludedPaths};
    ElementTags definitions{tagDefinitions};
    ElementTags sourceLanguage{tagSourceLanguage};
    ElementTags languages{tagLanguages};
    ElementTags language{tagLanguage};
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
        m_open.push({item->subItems, 0});
        while (!m_open.empty()) {
            Level& level = m_open.top();
            if (level.next >= CountOf(level.list)) {
                m_open.pop();
                // Every level but the first stands inside an "SI" of its parent.
                if (!m_open.empty()) m_sink.Close(m_tags.subItem);
                continue;
            }
            const KoTreeStruct* child = level.list->at(level.next++);
            if (child == nullptr) continue;
            m_sink.Open(m_tags.subItem);
            Fields(*child);
            // `level` may dangle after this push; it is not used again.
            m_open.push({child->subItems, 0});
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
        const KoTreeItemList_C* list;  // sub-items
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
    Descent<Level> m_open;
};

template <typename Walk>
void SizedTrees(std::string& out, Walk walk) {
    Sized(out, [&](auto& sink) {
        TreeWalk<std::decay_t<decltype(sink)>> trees(sink);
        walk(trees);
    });
}

// Items joined with ";", each escaped or not. The separator is no markup
// character, so escaping item by item gives the same bytes as escaping the
// joined text.
template <typename Sink, typename TextOf>
void Joined(Sink& sink, uint32_t count, TextOf textOf, bool escaped) {
    for (uint32_t i = 0; i < count; ++i) {
        if (i > 0) sink.Raw(";", 1);
        const char* text = textOf(i);
        if (text == nullptr) continue;
        if (escaped)
            sink.Escaped(text, std::strlen(text));
        else
            sink.Raw(text, std::strlen(text));
    }
}

template <typename Sink>
void IncludedPaths(Sink& sink, const KoIncludes_C* includes) {
    sink.Open(Tags().includedPaths);
    Joined(sink, CountOf(includes), [includes](uint32_t i) { return includes->at(i).path; }, true);
    sink.Close(Tags().includedPaths);
}

template <typename Sink>
void Defines(Sink& sink, const KoDefines_C* defines) {
    sink.Open(Tags().definitions);
    Joined(sink, CountOf(defines), [defines](uint32_t i) { return defines->at(i); }, true);
    sink.Close(Tags().definitions);
}

template <typename Sink>
void SourceLanguage(Sink& sink, KoSourceLanguage_C language) {
    static const char* const kNames[] = {"C", "C++", "C#"};
    sink.SafeNode(Tags().sourceLanguage, language >= 0 && language <= 2 ? kNames[language] : nullptr);
}

template <typename Sink>
void Language(Sink& sink, KoLanguage_C language) {
    static const char* const kCodes[] = {"0", "1", "2"};
    if (language >= 0 && language <= 2) sink.SafeNode(Tags().language, kCodes[language]);
}

}  // namespace

void AppendJoined(std::string& out, const KoCountedArray<char*>* list) {
    Sized(out, [&](auto& sink) { Joined(sink, CountOf(list), [list](uint32_t i) { return list->at(i); }, false); });
}

void AppendKoFile(std::string& out, const KoFile_C* file) {
    if (file == nullptr) return;
    Sized(out, [&](auto& sink) {
        sink.Open(Tags().koFile);
        IncludedPaths(sink, file->includes);
        Defines(sink, file->defines);
        SourceLanguage(sink, file->language);
        sink.Close(Tags().koFile);
    });
}

void AppendIncludedPaths(std::string& out, const KoIncludes_C* includes) {
    Sized(out, [&](auto& sink) { IncludedPaths(sink, includes); });
}

void AppendDefines(std::string& out, const KoDefines_C* defines) {
    Sized(out, [&](auto& sink) { Defines(sink, defines); });
}

void AppendSourceLanguage(std::string& out, KoSourceLanguage_C language) {
    Sized(out, [&](auto& sink) { SourceLanguage(sink, language); });
}

void AppendLanguages(std::string& out, const KoLanguages_C* languages) {
    if (languages == nullptr) return;
    Sized(out, [&](auto& sink) {
        sink.Open(Tags().languages);
        for (uint32_t i = 0; i < languages->count; ++i) Language(sink, languages->at(i));
        sink.Close(Tags().languages);
    });
}

void AppendLanguage(std::string& out, KoLanguage_C language) {
    Sized(out, [&](auto& sink) { Language(sink, language); });
}

bool WriteTrees(Document& document, const KoTrees_C* trees) {
    return WriteDocument(document, [&](auto& sink) { TreeWalk<std::decay_t<decltype(sink)>>(sink).Trees(trees); });
}

void AppendTrees(std::string& out, const KoTrees_C* trees) {
    StringDocument document(out);
    WriteTrees(document, trees);
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
