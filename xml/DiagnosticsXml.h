#pragma once

// The "KOE" document that getDiagnostics hands to Java: every diagnostic in
// "KOD", its message in "KOM", its sub-diagnostics nested in its own "KOD"
// right after its "SD", to any depth.
//
// Records that break the engine's invariants are written without crashing: a
// null text as empty text, a null array as an empty one, a null message as an
// empty "KOM", and a null diagnostic or location inside an array is skipped.

#include "engine/KoDiagnostics.h"
#include "xml/Writing.h"

namespace Utils {
namespace Xml {

// The "KOE" document written into `destination`; nothing for a null array.
// False when the destination could not be begun. Throws DocumentNotWritten,
// before writing, when it passes the largest Java array or its records loop.
// `memoryBound`: the most memory it is written into in one walk (WriteDocument).
bool WriteDiagnosticArray(Destination& destination, const KoDiagnosticArray_C* diagnostics,
                          size_t memoryBound = kOneWalkLargest);

template <typename Sink>
class DiagnosticsWalk {
public:
    explicit DiagnosticsWalk(Sink& sink) : m_sink(sink), m_tags(Elements()) {}

    void Document(const KoDiagnosticArray_C* diagnostics) {
        m_sink.Open(m_tags.entities);
        Diagnostics(diagnostics);
        m_sink.Close(m_tags.entities);
    }

    // Every diagnostic of `list` in "KOD", sub-diagnostics included.
    void Diagnostics(const KoDiagnosticArray_C* list) {
        m_nested.Walk(
            list,
            [this](const DiagnosticStruct& diagnostic, uint32_t) {
                m_sink.Open(m_tags.diagnostic);
                Head(diagnostic);
            },
            [this](const DiagnosticStruct& diagnostic) {
                Tail(diagnostic);
                m_sink.Close(m_tags.diagnostic);
            });
    }

    // The content of one "KOD".
    void Diagnostic(const DiagnosticStruct* diagnostic) {
        if (diagnostic == nullptr) return;
        Head(*diagnostic);
        Diagnostics(diagnostic->subDiagnostics);
        Tail(*diagnostic);
    }

    // The content of one "KOM".
    void Message(const KoMessage_C* message) {
        if (message == nullptr) return;
        Verbatim(m_sink, m_tags.uniqueMessageId, message->uniqueMessageId);
        Verbatim(m_sink, m_tags.helpFileLocation, message->helpFileLocation);
        Integer(m_sink, m_tags.messageLevel, message->level);
        Verbatim(m_sink, m_tags.messageNumber, message->messageNumber);
        Escaped(m_sink, m_tags.messageText, message->messageText);
        Verbatim(m_sink, m_tags.producer, message->producer);
        const KoReferenceArray_C* references = message->references;
        for (uint32_t i = 0, n = CountOf(references); i < n; ++i) CData(m_sink, m_tags.references, references->at(i));
    }

private:
    // What a diagnostic writes before its sub-diagnostics: KOM, then the flags
    // in the order MH, SS, SD (not their order in the record).
    void Head(const DiagnosticStruct& diagnostic) {
        m_sink.Open(m_tags.message);
        Message(diagnostic.message);
        m_sink.Close(m_tags.message);
        Boolean(m_tags.multiHomed, diagnostic.multiHomed);
        Integer(m_sink, m_tags.suppressionState, diagnostic.suppressionState);
        Boolean(m_tags.subDiagnostics, diagnostic.hasSubDiagnostics);
    }

    // What a diagnostic writes after its sub-diagnostics: parameters, locations.
    void Tail(const DiagnosticStruct& diagnostic) {
        const KoParameterArray_C* parameters = diagnostic.parameters;
        for (uint32_t i = 0, n = CountOf(parameters); i < n; ++i)
            CData(m_sink, m_tags.messageParameters, parameters->at(i));

        const KoLocationArray_C* locations = diagnostic.locations;
        for (uint32_t i = 0, n = CountOf(locations); i < n; ++i) {
            const LocationStruct* location = locations->at(i);
            if (location == nullptr) continue;
            m_sink.Open(m_tags.locationInformation);
            Verbatim(m_sink, m_tags.file, location->file);
            Integer(m_sink, m_tags.line, location->line);
            Integer(m_sink, m_tags.column, location->column);
            m_sink.Close(m_tags.locationInformation);
        }
    }

    void Boolean(const ElementTags& tag, uint8_t value) {
        if (value != 0)
            m_sink.Element(tag, "true", 4);
        else
            m_sink.Element(tag, "false", 5);
    }

    Sink& m_sink;
    const ElementTable& m_tags;
    NestedWalk<&DiagnosticStruct::subDiagnostics> m_nested;
};

}  // namespace Xml
}  // namespace Utils
