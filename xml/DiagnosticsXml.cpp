#include "xml/DiagnosticsXml.h"

#include <vector>

#include "log/Logger.h"
#include "xml/XmlPrimitives.h"

namespace Utils {
namespace Xml {

namespace {

void BoolNode(std::string& out, const std::string& name, uint8_t value) {
    Node(out, name, value != 0 ? "true" : "false");
}

// What a diagnostic writes before its sub-diagnostics: KOM, then the flags in
// the order MH, SS, SD (not their order in the record).
void AppendHead(std::string& out, const DiagnosticStruct& diagnostic) {
    Open(out, tagMessage);
    AppendMessage(out, diagnostic.message);
    Close(out, tagMessage);
    BoolNode(out, tagMultiHomed, diagnostic.multiHomed);
    IntNode(out, tagSuppressionState, diagnostic.suppressionState);
    BoolNode(out, tagSubDiagnostics, diagnostic.hasSubDiagnostics);
}

// What a diagnostic writes after its sub-diagnostics: parameters, locations.
void AppendTail(std::string& out, const DiagnosticStruct& diagnostic) {
    const KoParameterArray_C* parameters = diagnostic.parameters;
    for (uint32_t i = 0, n = CountOf(parameters); i < n; ++i) CDataNode(out, tagMessageParameters, parameters->at(i));

    const KoLocationArray_C* locations = diagnostic.locations;
    for (uint32_t i = 0, n = CountOf(locations); i < n; ++i) {
        const LocationStruct* location = locations->at(i);
        if (location == nullptr) continue;
        Open(out, tagLocationInformation);
        Node(out, tagFile, location->file);
        IntNode(out, tagLine, location->line);
        IntNode(out, tagColumn, location->column);
        Close(out, tagLocationInformation);
    }
}

// Writes every diagnostic of `list` wrapped in KOD, sub-diagnostics included.
// The engine's nesting has no depth limit, so the walk keeps its own stack on
// the heap: one frame per open diagnostic whose sub-diagnostics are still
// being written.
void AppendWrapped(std::string& out, const KoDiagnosticArray_C* list) {
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
                AppendTail(out, *owner);
                Close(out, tagKoDiagnosticList);
            }
            continue;
        }

        Open(out, tagKoDiagnosticList);
        AppendHead(out, *child);
        if (CountOf(child->subDiagnostics) == 0) {
            AppendTail(out, *child);
            Close(out, tagKoDiagnosticList);
        } else {
            stack.push_back({child->subDiagnostics, child, 0});
        }
    }
}

}  // namespace

void AppendMessage(std::string& out, const KoMessage_C* message) {
    if (message == nullptr) return;
    Node(out, tagUniqueMessageID, message->uniqueMessageId);
    Node(out, tagHelpFileLocation, message->helpFileLocation);
    IntNode(out, tagMessageLevel, message->level);
    Node(out, tagMessageNumber, message->messageNumber);
    SafeNode(out, tagMessageText, message->messageText);
    Node(out, tagProducer, message->producer);
    const KoReferenceArray_C* references = message->references;
    for (uint32_t i = 0, n = CountOf(references); i < n; ++i) CDataNode(out, tagReferences, references->at(i));
}

void AppendDiagnostic(std::string& out, const DiagnosticStruct* diagnostic) {
    if (diagnostic == nullptr) return;
    AppendHead(out, *diagnostic);
    AppendWrapped(out, diagnostic->subDiagnostics);
    AppendTail(out, *diagnostic);
}

void AppendDiagnosticArrayIndividual(std::string& out, const KoDiagnosticArray_C* diagnostics) {
    AppendWrapped(out, diagnostics);
}

void AppendDiagnosticArray(std::string& out, const KoDiagnosticArray_C* diagnostics) {
    if (diagnostics == nullptr) return;
    Logger::Log(2, "Utils:SerializeDiagnosticArray - Attempting to serialize diagArray with size : %d\n",
                static_cast<int>(diagnostics->count));
    Open(out, tagKoEntities);
    AppendWrapped(out, diagnostics);
    Close(out, tagKoEntities);
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
