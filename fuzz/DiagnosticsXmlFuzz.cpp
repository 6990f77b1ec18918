// The diagnostics writer on record trees built from the input: null pointers
// anywhere, empty, long and non-ASCII texts, deep nesting. Every document must
// equal the one a plain recursive writer gives (so verbatim fields come out
// byte for byte), the measured size must be the written size, and documents
// of markup-free inputs must have balanced tags, and libxml2 must read every
// element back as the engine's text (fuzz/XmlOracle.h).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/KoDiagnostics.h"
#include "fuzz/RecordProgram.h"
#include "tests/MeasuredDocument.h"
#include "xml/DiagnosticsXml.h"
#include "xml/extras/Serialize.h"

using namespace FuzzRecords;

namespace {

class Builder {
public:
    explicit Builder(Program& program) : p(program) {}

    KoDiagnosticArray_C* List(size_t depth) {
        if (depth >= kMaxDepth) return nullptr;
        return p.List<KoDiagnosticArray_C>([&]() -> DiagnosticStruct* {
            const uint8_t op = p.Byte();
            if (op % 6 == 0) return nullptr;
            if (op == kChain) return Chain(depth);
            return Diagnostic(depth);
        });
    }

private:
    KoMessage_C* Message() {
        if (p.Byte() % 5 == 0) return nullptr;
        auto* m = p.New<KoMessage_C>();
        m->uniqueMessageId = p.Text(TextKind::Verbatim);
        m->helpFileLocation = p.Text(TextKind::Verbatim);
        m->level = p.Int();
        m->messageNumber = p.Text(TextKind::Verbatim);
        m->messageText = p.Text(TextKind::Escaped);
        m->producer = p.Text(TextKind::Verbatim);
        m->references = p.List<KoReferenceArray_C>([&] { return p.Text(TextKind::CData); });
        return m;
    }

    LocationStruct* Location() {
        if (p.Byte() % 6 == 0) return nullptr;
        auto* l = p.New<LocationStruct>();
        l->file = p.Text(TextKind::Verbatim);
        l->line = p.Int();
        l->column = p.Int();
        return l;
    }

    DiagnosticStruct* Diagnostic(size_t depth) {
        auto* d = p.New<DiagnosticStruct>();
        d->message = Message();
        // Raw flag bytes: any non-zero value is true, and the sub-diagnostics
        // flag need not agree with the list.
        d->hasSubDiagnostics = p.Byte();
        d->multiHomed = p.Byte();
        d->suppressionState = p.Int();
        d->parameters = p.List<KoParameterArray_C>([&] { return p.Text(TextKind::CData); });
        d->locations = p.List<KoLocationArray_C>([&] { return Location(); });
        d->subDiagnostics = List(depth + 1);
        return d;
    }

    // A chain of diagnostics, each the only sub-diagnostic of the one above,
    // ending in an ordinary one. The links share no texts or lists with it, so
    // a few bytes of input cannot ask for a document of gigabytes.
    DiagnosticStruct* Chain(size_t depth) {
        const size_t length = p.ChainLength(depth);
        DiagnosticStruct* below = Diagnostic(depth + length);
        for (size_t i = 0; i < length; ++i) {
            auto* d = p.New<DiagnosticStruct>();
            d->multiHomed = below->multiHomed;
            d->suppressionState = below->suppressionState;
            auto* only = static_cast<KoDiagnosticArray_C*>(p.Block(KoDiagnosticArray_C::BlockSize(1)));
            only->count = 1;
            only->items()[0] = below;
            d->subDiagnostics = only;
            d->hasSubDiagnostics = 1;
            below = d;
        }
        return below;
    }

    Program& p;
};

// The expected documents, written the plain way.
VORLAN_FUZZ_REFERENCE_BEGIN

void Message(std::string& out, const KoMessage_C* m) {
    if (m == nullptr) return;
    Element(out, "UMID", m->uniqueMessageId);
    Element(out, "HFL", m->helpFileLocation);
    Element(out, "ML", m->level);
    Element(out, "MN", m->messageNumber);
    Element(out, "MT", m->messageText, TextKind::Escaped);
    Element(out, "P", m->producer);
    for (uint32_t i = 0; i < CountOf(m->references); ++i) Element(out, "R", m->references->at(i), TextKind::CData);
}

void Wrapped(std::string& out, const KoDiagnosticArray_C* list);

void Diagnostic(std::string& out, const DiagnosticStruct* d) {
    if (d == nullptr) return;
    out += "<KOM>";
    Message(out, d->message);
    out += "</KOM>";
    Element(out, "MH", d->multiHomed != 0 ? "true" : "false");
    Element(out, "SS", d->suppressionState);
    Element(out, "SD", d->hasSubDiagnostics != 0 ? "true" : "false");
    Wrapped(out, d->subDiagnostics);
    for (uint32_t i = 0; i < CountOf(d->parameters); ++i) Element(out, "MP", d->parameters->at(i), TextKind::CData);
    for (uint32_t i = 0; i < CountOf(d->locations); ++i) {
        const LocationStruct* l = d->locations->at(i);
        if (l == nullptr) continue;
        out += "<LI>";
        Element(out, "F", l->file);
        Element(out, "L", l->line);
        Element(out, "C", l->column);
        out += "</LI>";
    }
}

void Wrapped(std::string& out, const KoDiagnosticArray_C* list) {
    for (uint32_t i = 0; i < CountOf(list); ++i) {
        if (list->at(i) == nullptr) continue;
        out += "<KOD>";
        Diagnostic(out, list->at(i));
        out += "</KOD>";
    }
}

VORLAN_FUZZ_REFERENCE_END

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Program program(data, size);
    const KoDiagnosticArray_C* list = Builder(program).List(0);

    ExpectedLeaves().clear();
    std::string document;
    if (list != nullptr) document = "<KOE>";
    Wrapped(document, list);
    const Leaves leaves = ExpectedLeaves();
    if (list != nullptr) document += "</KOE>";
    // The list alone: the document without its KOE tags.
    const std::string_view wrapped =
        list != nullptr ? std::string_view(document).substr(5, document.size() - 11) : std::string_view();

    const std::string written = Utils::SerializeDiagnosticArray(list);
    ExpectSame("KOE document", written, document);
    ExpectBalanced("KOE document", program, written);
    ExpectReadBack("KOE document", written, leaves, {"KOE", "KOD", "KOM", "LI"});
    const MeasuredDocument measured = MeasuredFirst(Utils::Xml::WriteDiagnosticArray, list);
    ExpectSame("KOE document measured first", measured.written, written);
    ExpectSame("KOE document's measure", std::to_string(measured.measured), std::to_string(written.size()));
    ExpectSame("KOD list", Utils::SerializeDiagnosticArrayIndividual(list), wrapped);

    // Appending keeps what the string held.
    std::string appended = "<KOE>";
    Utils::Xml::StringDestination destination(appended);
    Utils::Xml::WriteDiagnosticArray(destination, list);
    ExpectSame("appended KOE document", appended, "<KOE>" + document);

    for (uint32_t i = 0; i < CountOf(list); ++i) {
        const DiagnosticStruct* d = list->at(i);
        if (d == nullptr) continue;
        std::string one, message;
        Diagnostic(one, d);
        Message(message, d->message);
        ExpectSame("one diagnostic", Utils::SerializeDiagnostic(d), one);
        ExpectSame("one message", Utils::SerializeMessage(d->message), message);
        break;
    }
    return 0;
}
