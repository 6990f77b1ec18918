#pragma once

// The bridge's four large documents written by general XML libraries, as
// timing peers: the same elements in the same order with the same texts, each
// library escaping text its own way (tinyxml2 and libxml2 leave quotes alone
// in text and shorten empty elements to <X/>, so their bytes differ a little).
// Every text goes through the library's escaping text call, since neither
// has a call for verbatim element text.

#include <libxml/xmlwriter.h>
#include <tinyxml2.h>

#include <charconv>
#include <string>

#include "engine/KoDiagnostics.h"
#include "engine/KoProject.h"
#include "engine/KoRules.h"
#include "xml/Tags.h"

namespace Peers {

// Both libraries get integers as text from the same fast formatter, so the
// comparison is of the writers, not of snprintf.
struct Digits {
    char text[16];
    explicit Digits(int32_t value) { *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0'; }
};

inline const char* OrEmpty(const char* text) { return text != nullptr ? text : ""; }

class TinyXmlSink {
public:
    void Open(const std::string& tag) { m_printer.OpenElement(tag.c_str(), true); }
    void Close() { m_printer.CloseElement(true); }
    void Text(const std::string& tag, const char* text) {
        Open(tag);
        if (text != nullptr && *text != '\0') m_printer.PushText(text);
        Close();
    }
    void CData(const std::string& tag, const char* text) {
        Open(tag);
        m_printer.PushText(OrEmpty(text), true);
        Close();
    }
    void Int(const std::string& tag, int32_t value) { Text(tag, Digits(value).text); }
    size_t size() const { return static_cast<size_t>(m_printer.CStrSize() - 1); }
    const char* data() const { return m_printer.CStr(); }

private:
    tinyxml2::XMLPrinter m_printer{nullptr, true};
};

class LibXmlSink {
public:
    LibXmlSink() : m_buffer(xmlBufferCreate()) {
        // Doubling, as the other writers grow; the default grows by the amount
        // asked for each time.
        xmlBufferSetAllocationScheme(m_buffer, XML_BUFFER_ALLOC_DOUBLEIT);
        m_writer = xmlNewTextWriterMemory(m_buffer, 0);
    }
    ~LibXmlSink() {
        if (m_writer != nullptr) xmlFreeTextWriter(m_writer);
        xmlBufferFree(m_buffer);
    }
    LibXmlSink(const LibXmlSink&) = delete;
    LibXmlSink& operator=(const LibXmlSink&) = delete;

    void Open(const std::string& tag) { xmlTextWriterStartElement(m_writer, Name(tag)); }
    void Close() { xmlTextWriterEndElement(m_writer); }
    void Text(const std::string& tag, const char* text) {
        xmlTextWriterWriteElement(m_writer, Name(tag), reinterpret_cast<const xmlChar*>(OrEmpty(text)));
    }
    void CData(const std::string& tag, const char* text) {
        Open(tag);
        xmlTextWriterWriteCDATA(m_writer, reinterpret_cast<const xmlChar*>(OrEmpty(text)));
        Close();
    }
    void Int(const std::string& tag, int32_t value) { Text(tag, Digits(value).text); }

    // Flushes the writer; the document is complete after this.
    void Finish() {
        xmlFreeTextWriter(m_writer);
        m_writer = nullptr;
    }
    size_t size() const { return static_cast<size_t>(xmlBufferLength(m_buffer)); }
    const char* data() const { return reinterpret_cast<const char*>(xmlBufferContent(m_buffer)); }

private:
    static const xmlChar* Name(const std::string& tag) { return reinterpret_cast<const xmlChar*>(tag.c_str()); }

    xmlBufferPtr m_buffer;
    xmlTextWriterPtr m_writer = nullptr;
};

// The walks. Benchmark data nests a few levels only, so these recurse.

template <typename Sink>
void Diagnostic(Sink& sink, const DiagnosticStruct& d) {
    using namespace Utils;
    sink.Open(tagMessage);
    if (const KoMessage_C* m = d.message) {
        sink.Text(tagUniqueMessageID, m->uniqueMessageId);
        sink.Text(tagHelpFileLocation, m->helpFileLocation);
        sink.Int(tagMessageLevel, m->level);
        sink.Text(tagMessageNumber, m->messageNumber);
        sink.Text(tagMessageText, m->messageText);
        sink.Text(tagProducer, m->producer);
        for (uint32_t i = 0; i < CountOf(m->references); ++i) sink.CData(tagReferences, m->references->at(i));
    }
    sink.Close();
    sink.Text(tagMultiHomed, d.multiHomed != 0 ? "true" : "false");
    sink.Int(tagSuppressionState, d.suppressionState);
    sink.Text(tagSubDiagnostics, d.hasSubDiagnostics != 0 ? "true" : "false");
    for (uint32_t i = 0; i < CountOf(d.subDiagnostics); ++i) {
        if (const DiagnosticStruct* sub = d.subDiagnostics->at(i)) {
            sink.Open(tagKoDiagnosticList);
            Diagnostic(sink, *sub);
            sink.Close();
        }
    }
    for (uint32_t i = 0; i < CountOf(d.parameters); ++i) sink.CData(tagMessageParameters, d.parameters->at(i));
    for (uint32_t i = 0; i < CountOf(d.locations); ++i) {
        const LocationStruct* l = d.locations->at(i);
        if (l == nullptr) continue;
        sink.Open(tagLocationInformation);
        sink.Text(tagFile, l->file);
        sink.Int(tagLine, l->line);
        sink.Int(tagColumn, l->column);
        sink.Close();
    }
}

template <typename Sink>
void DiagnosticArray(Sink& sink, const KoDiagnosticArray_C* list) {
    sink.Open(Utils::tagKoEntities);
    for (uint32_t i = 0; i < CountOf(list); ++i) {
        if (const DiagnosticStruct* d = list->at(i)) {
            sink.Open(Utils::tagKoDiagnosticList);
            Diagnostic(sink, *d);
            sink.Close();
        }
    }
    sink.Close();
}

template <typename Sink>
void Rule(Sink& sink, const RuleStruct& r) {
    using namespace Utils;
    sink.Text(tagRuleId, r.ruleId);
    sink.Text(tagIsActive, r.isActive != 0 ? "1" : "0");
    sink.Text(tagHelpFileLocation, r.helpFileLocation);
    sink.Text(tagRuleGroupStr, r.ruleGroupStr);
    sink.Text(tagRuleText, r.ruleText);
    sink.Text(tagRuleUID, r.ruleUID);
    for (uint32_t i = 0; i < CountOf(r.categories); ++i)
        if (const char* category = r.categories->at(i)) sink.Text(tagRuleCategory, category);
    for (uint32_t i = 0; i < CountOf(r.childRules); ++i) {
        if (const RuleStruct* child = r.childRules->at(i)) {
            sink.Open(tagRule);
            Rule(sink, *child);
            sink.Close();
        }
    }
}

template <typename Sink>
void RuleGroups(Sink& sink, const KoRuleGroupArray_C* groups) {
    using namespace Utils;
    sink.Open(tagKoRuleGroup);
    for (uint32_t g = 0; g < CountOf(groups); ++g) {
        const RuleGroupStruct* group = groups->at(g);
        if (group == nullptr) continue;
        sink.Open(tagKoRuleGroupEntry);
        sink.Text(tagRuleGroupName, group->name);
        for (uint32_t i = 0; i < CountOf(group->rules); ++i) {
            if (const RuleStruct* rule = group->rules->at(i)) {
                sink.Open(tagRule);
                Rule(sink, *rule);
                sink.Close();
            }
        }
        sink.Close();
    }
    sink.Close();
}

template <typename Sink>
void MessageRuleMap(Sink& sink, const KoMessageRuleMap_C* map) {
    using namespace Utils;
    sink.Open(tagKoMessageRuleMap);
    for (uint32_t i = 0; i < CountOf(map); ++i) {
        sink.Open(tagKoMessageRuleMapEntry);
        if (const KoMessageMapping_C* m = map->at(i)) {
            sink.Text(tagUniqueMessageID, m->uniqueMessageId);
            for (uint32_t k = 0; k < m->count; ++k)
                if (const char* id = m->uniqueRuleIds()[k]) sink.Text(tagUniqueRuleIdList, id);
        }
        sink.Close();
    }
    sink.Close();
}

template <typename Sink>
void TreeItem(Sink& sink, const KoTreeStruct& item) {
    using namespace Utils;
    sink.Int(tagType, item.type);
    sink.Text(tagName, item.name);
    sink.Text(tagData, item.data);
    sink.Int(tagTotal, item.total);
    sink.Int(tagActive, item.active);
    for (uint32_t i = 0; i < CountOf(item.subItems); ++i) {
        if (const KoTreeStruct* sub = item.subItems->at(i)) {
            sink.Open(tagSubItem);
            TreeItem(sink, *sub);
            sink.Close();
        }
    }
}

template <typename Sink>
void Trees(Sink& sink, const KoTrees_C* trees) {
    using namespace Utils;
    sink.Open(tagTrees);
    const std::pair<const std::string*, const KoTreeStruct*> roots[] = {
        {&tagFileTree, trees->fileTree}, {&tagMessageTree, trees->messageTree}, {&tagRuleTree, trees->ruleTree}};
    for (const auto& root : roots) {
        sink.Open(*root.first);
        if (root.second != nullptr) TreeItem(sink, *root.second);
        sink.Close();
    }
    sink.Close();
}

}  // namespace Peers
