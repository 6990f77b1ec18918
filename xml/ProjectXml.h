#pragma once

// The project documents: the settings of one project file ("KOF", getKoFile),
// the available languages ("KOL", getAvailableLanguages), the file, message
// and rule trees ("Tr", getTrees), and the ";"-joined lists that go to Java as
// plain text (getFiles, getFileExtensions, getCMAProjectList, getReportTools).
//
// Records are read, never changed. Broken records do not crash the writer: a
// null list is written as an empty one, a null text as empty text, a null tree
// root as its element with no content, and a null sub-item is skipped.

#include "engine/KoProject.h"
#include "xml/Writing.h"

namespace Utils {
namespace Xml {

// Each document written into `destination`. False when the destination could
// not be begun. Throw DocumentNotWritten, before writing, when a document
// passes the largest Java array or its records loop. A null file or language
// list writes nothing.
// `memoryBound`: the most memory a document is written into in one walk
// (WriteDocument).
bool WriteKoFile(Destination& destination, const KoFile_C* file, size_t memoryBound = kOneWalkLargest);
bool WriteLanguages(Destination& destination, const KoLanguages_C* languages, size_t memoryBound = kOneWalkLargest);
bool WriteTrees(Destination& destination, const KoTrees_C* trees, size_t memoryBound = kOneWalkLargest);
// Items joined with ";", nothing after the last; a null item counts as empty
// text. Not escaped: the list goes to Java as plain text.
bool WriteJoined(Destination& destination, const KoCountedArray<char*>* list, size_t memoryBound = kOneWalkLargest);

template <typename Sink>
class ProjectWalk {
public:
    explicit ProjectWalk(Sink& sink) : m_sink(sink), m_tags(Elements()) {}

    void KoFile(const KoFile_C& file) {
        m_sink.Open(m_tags.koFile);
        IncludedPaths(file.includes);
        Defines(file.defines);
        SourceLanguage(file.language);
        m_sink.Close(m_tags.koFile);
    }

    // "IP": the include paths joined with ";", escaped.
    void IncludedPaths(const KoIncludes_C* includes) {
        m_sink.Open(m_tags.includedPaths);
        Joined(CountOf(includes), [includes](uint32_t i) { return includes->at(i).path; }, true);
        m_sink.Close(m_tags.includedPaths);
    }

    // "DEF": the macro definitions joined with ";", escaped.
    void Defines(const KoDefines_C* defines) {
        m_sink.Open(m_tags.definitions);
        Joined(CountOf(defines), [defines](uint32_t i) { return defines->at(i); }, true);
        m_sink.Close(m_tags.definitions);
    }

    // "SL" with "C", "C++", "C#", or empty for any other value.
    void SourceLanguage(KoSourceLanguage_C language) {
        static const char* const kNames[] = {"C", "C++", "C#"};
        Escaped(m_sink, m_tags.sourceLanguage, language >= 0 && language <= 2 ? kNames[language] : nullptr);
    }

    void Languages(const KoLanguages_C& languages) {
        m_sink.Open(m_tags.languages);
        for (uint32_t i = 0; i < languages.count; ++i) Language(languages.at(i));
        m_sink.Close(m_tags.languages);
    }

    // "L" with "0", "1" or "2"; nothing for any other code.
    void Language(KoLanguage_C language) {
        static const char* const kCodes[] = {"0", "1", "2"};
        if (language >= 0 && language <= 2) Escaped(m_sink, m_tags.language, kCodes[language]);
    }

    void Trees(const KoTrees_C* trees) {
        m_sink.Open(m_tags.trees);
        TreesIndividual(trees);
        m_sink.Close(m_tags.trees);
    }

    // "FT", "MT", "RT" (file, message, rule tree: not their order in the record).
    void TreesIndividual(const KoTrees_C* trees) {
        if (trees == nullptr) return;
        Tree(m_tags.fileTree, trees->fileTree);
        Tree(m_tags.messageTree, trees->messageTree);
        Tree(m_tags.ruleTree, trees->ruleTree);
    }

    // The content of one item: its fields, then one "SI" per sub-item, nested
    // to any depth.
    void Item(const KoTreeStruct* item) {
        if (item == nullptr) return;
        Fields(*item);
        m_nested.Walk(
            item->subItems,
            [this](const KoTreeStruct& sub, uint32_t) {
                m_sink.Open(m_tags.subItem);
                Fields(sub);
            },
            [this](const KoTreeStruct&) { m_sink.Close(m_tags.subItem); });
    }

    // "Ty" with the digit 0 to 8, or empty for any other value.
    void Type(KoTreeItemType_C type) {
        static const char kDigits[] = "012345678";
        if (type >= 0 && type <= 8)
            m_sink.Element(m_tags.type, kDigits + type, 1);
        else
            m_sink.Element(m_tags.type, "", 0);
    }

    // Items joined with ";", each escaped or not. The separator is no markup
    // character, so escaping item by item gives the same bytes as escaping
    // the joined text.
    template <typename TextOf>
    void Joined(uint32_t count, TextOf textOf, bool escaped) {
        for (uint32_t i = 0; i < count; ++i) {
            if (i > 0) m_sink.Raw(";", 1);
            const char* text = textOf(i);
            if (text == nullptr) continue;
            if (escaped)
                EscapedText(m_sink, text, std::strlen(text));
            else
                m_sink.Raw(text, std::strlen(text));
        }
    }

private:
    // Type, name, data, total and active of one item: everything but its sub-items.
    void Fields(const KoTreeStruct& item) {
        Type(item.type);
        Escaped(m_sink, m_tags.name, item.name);
        Escaped(m_sink, m_tags.data, item.data);
        Integer(m_sink, m_tags.total, item.total);
        Integer(m_sink, m_tags.active, item.active);
    }

    void Tree(const ElementTags& tag, const KoTreeStruct* root) {
        m_sink.Open(tag);
        Item(root);
        m_sink.Close(tag);
    }

    Sink& m_sink;
    const ElementTable& m_tags;
    NestedWalk<&KoTreeStruct::subItems> m_nested;
};

}  // namespace Xml
}  // namespace Utils
