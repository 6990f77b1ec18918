#include "xml/DiagnosticsXml.h"

#include <type_traits>
#include <vector>

#include "log/Logger.h"
#include "xml/XmlOutput.h"
#include "xml/XmlPrimitives.h"

namespace Utils {
namespace Xml {

namespace {

// The elements of the document, prepared once.
struct Tags {
    ElementTags message{tagMessage};
    ElementTags subDiagnostics{tagSubDiagnostics};
    ElementTags multiHomed{tagMultiHomed};
    ElementTags suppressionState{tagSuppressionState};
    ElementTags messageParameters{tagMessageParameters};
    ElementTags locationInformation{tagLocationInformation};
    ElementTags file{tagFile};
    ElementTags line{tagLine};
    ElementTags column{tagColumn};
    ElementTags uniqueMessageId{tagUniqueMessageID};
    ElementTags helpFileLocation{tagHelpFileLocation};
    ElementTags messageLevel{tagMessageLevel};
    ElementTags messageNumber{tagMessageNumber};
    ElementTags messageText{tagMessageText};
    ElementTags producer{tagProducer};
    ElementTags references{tagReferences};
    ElementTags entities{tagKoEntities};
    ElementTags diagnostic{tagKoDiagnosticList};
};

const Tags& DocumentTags() {
    static const Tags tags;
    return tags;
}

// The walk hands every element to a sink: a Meter adds up the bytes, an
// Output writes them. A list is first measured and then written into a
// buffer of exactly that size: for results of hundreds of megabytes this saves
// the copies of a growing buffer and halves the peak memory.
template <typename Sink>
class Walk {
public:
    explicit Walk(Sink& sink) : m_sink(sink), m_tags(DocumentTags()) {}

    void Message(const KoMessage_C* message) {
        if (message == nullptr) return;
        m_sink.Node(m_tags.uniqueMessageId, message->uniqueMessageId);
        m_sink.Node(m_tags.helpFileLocation, message->helpFileLocation);
        m_sink.IntNode(m_tags.messageLevel, message->level);
        m_sink.Node(m_tags.messageNumber, message->messageNumber);
        m_sink.SafeNode(m_tags.messageText, message->messageText);
        m_sink.Node(m_tags.producer, message->producer);
        const KoReferenceArray_C* references = message->references;
        for (uint32_t i = 0, n = CountOf(references); i < n; ++i)
            m_sink.CDataNode(m_tags.references, references->at(i));
    }

    void Diagnostic(const DiagnosticStruct* diagnostic) {
        if (diagnostic == nullptr) return;
        Head(*diagnostic);
        Wrapped(diagnostic->subDiagnostics);
        Tail(*diagnostic);
    }

    // Every diagnostic of `list` wrapped in KOD, sub-diagnostics included. The
    // engine's nesting has no depth limit, so the walk keeps its own stack on
    // the heap: one level per open diagnostic whose sub-diagnostics are still
    // being visited.
    void Wrapped(const KoDiagnosticArray_C* list) {
        m_open.clear();
        m_open.push({list, nullptr, 0});
        while (!m_open.empty()) {
            Level& top = m_open.top();
            const uint32_t count = CountOf(top.list);
            const DiagnosticStruct* child = nullptr;
            while (child == nullptr && top.next < count) child = top.list->at(top.next++);

            if (child == nullptr) {
                const DiagnosticStruct* owner = top.owner;
                m_open.pop();
                if (owner != nullptr) {
                    Tail(*owner);
                    m_sink.Close(m_tags.diagnostic);
                }
                continue;
            }

            m_sink.Open(m_tags.diagnostic);
            Head(*child);
            if (CountOf(child->subDiagnostics) == 0) {
                Tail(*child);
                m_sink.Close(m_tags.diagnostic);
            } else {
                m_open.push({child->subDiagnostics, child, 0});
            }
        }
    }

    void List(const KoDiagnosticArray_C* diagnostics) {
        m_sink.Open(m_tags.entities);
        Wrapped(diagnostics);
        m_sink.Close(m_tags.entities);
    }

private:
    struct Level {
        const KoDiagnosticArray_C* list;
        const DiagnosticStruct* owner;  // null for the outermost list
        uint32_t next;
    };

    void Bool(const ElementTags& tag, uint8_t value) {
        if (value != 0)
            m_sink.Node(tag, "true", 4);
        else
            m_sink.Node(tag, "false", 5);
    }

    // What a diagnostic writes before its sub-diagnostics: KOM, then the flags
    // in the order MH, SS, SD (not their order in the record).
    void Head(const DiagnosticStruct& diagnostic) {
        m_sink.Open(m_tags.message);
        Message(diagnostic.message);
        m_sink.Close(m_tags.message);
        Bool(m_tags.multiHomed, diagnostic.multiHomed);
        m_sink.IntNode(m_tags.suppressionState, diagnostic.suppressionState);
        Bool(m_tags.subDiagnostics, diagnostic.hasSubDiagnostics);
    }

    // What a diagnostic writes after its sub-diagnostics: parameters, locations.
    void Tail(const DiagnosticStruct& diagnostic) {
        const KoParameterArray_C* parameters = diagnostic.parameters;
        for (uint32_t i = 0, n = CountOf(parameters); i < n; ++i)
            m_sink.CDataNode(m_tags.messageParameters, parameters->at(i));

        const KoLocationArray_C* locations = diagnostic.locations;
        for (uint32_t i = 0, n = CountOf(locations); i < n; ++i) {
            const LocationStruct* location = locations->at(i);
            if (location == nullptr) continue;
            m_sink.Open(m_tags.locationInformation);
            m_sink.Node(m_tags.file, location->file);
            m_sink.IntNode(m_tags.line, location->line);
            m_sink.IntNode(m_tags.column, location->column);
            m_sink.Close(m_tags.locationInformation);
        }
    }

    Sink& m_sink;
    const Tags& m_tags;
    Descent<Level> m_open;
};

}  // namespace

void AppendMessage(std::string& out, const KoMessage_C* message) {
    Sized(out, [&](auto& sink) { Walk<std::decay_t<decltype(sink)>>(sink).Message(message); });
}

void AppendDiagnostic(std::string& out, const DiagnosticStruct* diagnostic) {
    Sized(out, [&](auto& sink) { Walk<std::decay_t<decltype(sink)>>(sink).Diagnostic(diagnostic); });
}

void AppendDiagnosticArrayIndividual(std::string& out, const KoDiagnosticArray_C* diagnostics) {
    Sized(out, [&](auto& sink) { Walk<std::decay_t<decltype(sink)>>(sink).Wrapped(diagnostics); });
}

void AppendDiagnosticArray(std::string& out, const KoDiagnosticArray_C* diagnostics) {
    StringDocument document(out);
    WriteDiagnosticArray(document, diagnostics);
}

bool WriteDiagnosticArray(Document& document, const KoDiagnosticArray_C* diagnostics) {
    if (diagnostics == nullptr) return true;
    Logger::Log(2, "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : %d\n",
                static_cast<int>(diagnostics->count));
    return WriteDocument(document,
                         [&](auto& sink) { Walk<std::decay_t<decltype(sink)>>(sink).List(diagnostics); });
}

size_t MeasureDiagnosticArray(const KoDiagnosticArray_C* diagnostics) {
    if (diagnostics == nullptr) return 0;
    Meter meter;
    Walk<Meter>(meter).List(diagnostics);
    return meter.bytes();
}

}  // namespace Xml

std::string SerializeMessage(const KoMessage_C* message) {
    std::string out;
    Xml::AppendMessage(out, message);
    return out;
}

std::string SerializeDiagnostic(const DiagnosticStruct* diagnostic) {
    std::string out;
    Xml::AppendDiagnostic(out, diagnostic);
    return out;
}

std::string SerializeDiagnosticArrayIndividual(const KoDiagnosticArray_C* diagnostics) {
    std::string out;
    Xml::AppendDiagnosticArrayIndividual(out, diagnostics);
    return out;
}

std::string SerializeDiagnosticArray(const KoDiagnosticArray_C* diagnostics) {
    std::string out;
    Xml::AppendDiagnosticArray(out, diagnostics);
    return out;
}

}  // namespace Utils
