#include "xml/DiagnosticsXml.h"

#include <cstring>
#include <vector>

#include "log/Logger.h"
#include "xml/XmlPrimitives.h"

namespace Utils {
namespace Xml {

namespace {

// The walk below hands every element to a sink. Writer appends it with the
// XML primitives; Meter adds up the bytes the Writer would append, so a list
// is first measured and then written into a buffer of exactly that size: for
// results of hundreds of megabytes this saves the copies of a growing buffer
// and halves the peak memory.
class Writer {
public:
    explicit Writer(std::string& out) : m_out(out) {}
    void Open(const std::string& name) { Xml::Open(m_out, name); }
    void Close(const std::string& name) { Xml::Close(m_out, name); }
    void Node(const std::string& name, const char* text) { Xml::Node(m_out, name, text); }
    void SafeNode(const std::string& name, const char* text) { Xml::SafeNode(m_out, name, text); }
    void CDataNode(const std::string& name, const char* text) { Xml::CDataNode(m_out, name, text); }
    void IntNode(const std::string& name, int32_t value) { Xml::IntNode(m_out, name, value); }

private:
    std::string& m_out;
};

class Meter {
public:
    void Open(const std::string& name) { m_bytes += name.size() + 2; }   // <name>
    void Close(const std::string& name) { m_bytes += name.size() + 3; }  // </name>
    void Node(const std::string& name, const char* text) { m_bytes += Element(name) + Length(text); }
    void SafeNode(const std::string& name, const char* text) { m_bytes += Element(name) + EscapedLength(text); }
    void CDataNode(const std::string& name, const char* text) {
        m_bytes += Element(name) + sizeof "<![CDATA[" - 1 + Length(text) + sizeof "]]>" - 1;
    }
    void IntNode(const std::string& name, int32_t value) { m_bytes += Element(name) + Digits(value); }

    size_t bytes() const { return m_bytes; }

private:
    static size_t Element(const std::string& name) { return 2 * name.size() + 5; }
    static size_t Length(const char* text) { return text != nullptr ? std::strlen(text) : 0; }
    // Length after escaping: &amp; &lt; &gt; &apos; &quot;
    static size_t EscapedLength(const char* text) {
        size_t length = 0;
        for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
            const char c = *p;
            if (c == '&')
                length += 5;
            else if (c == '<' || c == '>')
                length += 4;
            else if (c == '\'' || c == '"')
                length += 6;
            else
                length += 1;
        }
        return length;
    }
    static size_t Digits(int32_t value) {
        uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
        size_t digits = value < 0 ? 2 : 1;
        while (magnitude >= 10) {
            magnitude /= 10;
            ++digits;
        }
        return digits;
    }

    size_t m_bytes = 0;
};

template <typename Sink>
void BoolNode(Sink& sink, const std::string& name, uint8_t value) {
    sink.Node(name, value != 0 ? "true" : "false");
}

template <typename Sink>
void Message(Sink& sink, const KoMessage_C* message) {
    if (message == nullptr) return;
    sink.Node(tagUniqueMessageID, message->uniqueMessageId);
    sink.Node(tagHelpFileLocation, message->helpFileLocation);
    sink.IntNode(tagMessageLevel, message->level);
    sink.Node(tagMessageNumber, message->messageNumber);
    sink.SafeNode(tagMessageText, message->messageText);
    sink.Node(tagProducer, message->producer);
    const KoReferenceArray_C* references = message->references;
    for (uint32_t i = 0, n = CountOf(references); i < n; ++i) sink.CDataNode(tagReferences, references->at(i));
}

// What a diagnostic writes before its sub-diagnostics: KOM, then the flags in
// the order MH, SS, SD (not their order in the record).
template <typename Sink>
void Head(Sink& sink, const DiagnosticStruct& diagnostic) {
    sink.Open(tagMessage);
    Message(sink, diagnostic.message);
    sink.Close(tagMessage);
    BoolNode(sink, tagMultiHomed, diagnostic.multiHomed);
    sink.IntNode(tagSuppressionState, diagnostic.suppressionState);
    BoolNode(sink, tagSubDiagnostics, diagnostic.hasSubDiagnostics);
}

// What a diagnostic writes after its sub-diagnostics: parameters, locations.
template <typename Sink>
void Tail(Sink& sink, const DiagnosticStruct& diagnostic) {
    const KoParameterArray_C* parameters = diagnostic.parameters;
    for (uint32_t i = 0, n = CountOf(parameters); i < n; ++i) sink.CDataNode(tagMessageParameters, parameters->at(i));

    const KoLocationArray_C* locations = diagnostic.locations;
    for (uint32_t i = 0, n = CountOf(locations); i < n; ++i) {
        const LocationStruct* location = locations->at(i);
        if (location == nullptr) continue;
        sink.Open(tagLocationInformation);
        sink.Node(tagFile, location->file);
        sink.IntNode(tagLine, location->line);
        sink.IntNode(tagColumn, location->column);
        sink.Close(tagLocationInformation);
    }
}

// Every diagnostic of `list` wrapped in KOD, sub-diagnostics included. The
// engine's nesting has no depth limit, so the walk keeps its own stack on the
// heap: one frame per open diagnostic whose sub-diagnostics are still being
// visited.
template <typename Sink>
void Wrapped(Sink& sink, const KoDiagnosticArray_C* list) {
    struct Frame {
        const KoDiagnosticArray_C* array;
        const DiagnosticStruct* owner;  // null for the outermost list
        uint32_t next;
    };
    std::vector<Frame> stack;
    stack.push_back({list, nullptr, 0});
    while (!stack.empty()) {
        Frame& top = stack.back();
        const uint32_t count = CountOf(top.array);
        const DiagnosticStruct* child = nullptr;
        while (child == nullptr && top.next < count) child = top.array->at(top.next++);

        if (child == nullptr) {
            const DiagnosticStruct* owner = top.owner;
            stack.pop_back();
            if (owner != nullptr) {
                Tail(sink, *owner);
                sink.Close(tagKoDiagnosticList);
            }
            continue;
        }

        sink.Open(tagKoDiagnosticList);
        Head(sink, *child);
        if (CountOf(child->subDiagnostics) == 0) {
            Tail(sink, *child);
            sink.Close(tagKoDiagnosticList);
        } else {
            stack.push_back({child->subDiagnostics, child, 0});
        }
    }
}

template <typename Sink>
void Diagnostic(Sink& sink, const DiagnosticStruct* diagnostic) {
    if (diagnostic == nullptr) return;
    Head(sink, *diagnostic);
    Wrapped(sink, diagnostic->subDiagnostics);
    Tail(sink, *diagnostic);
}

template <typename Sink>
void List(Sink& sink, const KoDiagnosticArray_C* diagnostics) {
    sink.Open(tagKoEntities);
    Wrapped(sink, diagnostics);
    sink.Close(tagKoEntities);
}

}  // namespace

void AppendMessage(std::string& out, const KoMessage_C* message) {
    Writer writer(out);
    Message(writer, message);
}

void AppendDiagnostic(std::string& out, const DiagnosticStruct* diagnostic) {
    Writer writer(out);
    Diagnostic(writer, diagnostic);
}

void AppendDiagnosticArrayIndividual(std::string& out, const KoDiagnosticArray_C* diagnostics) {
    Meter meter;
    Wrapped(meter, diagnostics);
    out.reserve(out.size() + meter.bytes());
    Writer writer(out);
    Wrapped(writer, diagnostics);
}

void AppendDiagnosticArray(std::string& out, const KoDiagnosticArray_C* diagnostics) {
    if (diagnostics == nullptr) return;
    Logger::Log(2, "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : %d\n",
                static_cast<int>(diagnostics->count));
    out.reserve(out.size() + MeasureDiagnosticArray(diagnostics));
    Writer writer(out);
    List(writer, diagnostics);
}

size_t MeasureDiagnosticArray(const KoDiagnosticArray_C* diagnostics) {
    if (diagnostics == nullptr) return 0;
    Meter meter;
    List(meter, diagnostics);
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
