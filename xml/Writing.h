#pragma once

// What every serialiser is made of. A document is one walk over the engine's
// records with an Output, which writes it into memory and then hands it to a
// destination begun at exactly its size; a document too large for the memory
// is walked twice: first with a Meter, which counts the bytes, then with an
// Output writing into the destination begun at that size (WriteDocument, at
// the end). The walk hands each field to the function of its kind below;
// these are the only place where a kind of field turns into bytes, and both
// sinks run them, so the Meter counts exactly what the Output writes.
//
// A null text is written as empty text. Texts the bridge makes itself
// ("true", "1", a type digit) go straight to sink.Element.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "xml/CleanText.h"
#include "xml/Destination.h"
#include "xml/DocumentMemory.h"
#include "xml/Escaping.h"
#include "xml/Meter.h"
#include "xml/NestedWalk.h"
#include "xml/Output.h"
#include "xml/Tags.h"
#include "xml/Utf8.h"

// The careful paths stay out of the walks: they run for few texts.
#if defined(__GNUC__)
#define VORLAN_OUT_OF_LINE __attribute__((noinline))
#else
#define VORLAN_OUT_OF_LINE
#endif

namespace Utils {
namespace Xml {

// Every field kind writes the engine's text as it is when that is well-formed
// XML reading back to the text, which it nearly always is: the scan that finds
// its length finds nothing else (CleanRun, xml/CleanText.h), and the
// element is copied in one piece. When the Meter found every text of a
// document clean, the Output copies them without looking again. Otherwise
// the text is written piece by piece: what XML 1.0 cannot carry becomes U+FFFD (DocumentCharacter,
// xml/Utf8.h), and the field's markup is escaped as its kind says.

// A character at a stop that is no markup: a control or a byte above 0x7F.
// Returns the bytes of text read.
template <typename Sink>
size_t Character(Sink& sink, const char* text, size_t length) {
    sink.SawCareful();
    char bytes[4];
    size_t written;
    const size_t read = DocumentCharacter(text, length, bytes, &written);
    sink.Raw(bytes, written);
    return read;
}

// Whether text[at] closes a "]]>" that began in the same text.
inline bool EndsCDataClose(const char* text, size_t at) {
    return at >= 2 && text[at - 1] == ']' && text[at - 2] == ']';
}

// The rest of a field's text from its first stop on; `field` is the whole
// text, [from, length) what is left. Verbatim: & and < as entities, the > of a
// "]]>" as "&gt;". CDATA: each "]]>" splits the section between "]]" and ">".
template <typename Sink>
void VerbatimRest(Sink& sink, const char* field, size_t from, size_t length) {
    for (;;) {
        const char c = field[from];
        if (c == '&') {
            sink.Raw("&amp;", 5);
            ++from;
        } else if (c == '<') {
            sink.Raw("&lt;", 4);
            ++from;
        } else if (c == '>') {
            if (EndsCDataClose(field, from))
                sink.Raw("&gt;", 4);
            else
                sink.Raw(">", 1);
            ++from;
        } else {
            from += Character(sink, field + from, length - from);
        }
        const size_t run = FindVerbatimStop(field + from, length - from);
        sink.Raw(field + from, run);
        from += run;
        if (from == length) return;
    }
}

template <typename Sink>
void CDataRest(Sink& sink, const char* field, size_t from, size_t length) {
    for (;;) {
        if (field[from] == '>') {
            if (EndsCDataClose(field, from))
                sink.Raw("]]><![CDATA[>", 13);
            else
                sink.Raw(">", 1);
            ++from;
        } else {
            from += Character(sink, field + from, length - from);
        }
        const size_t run = FindCDataStop(field + from, length - from);
        sink.Raw(field + from, run);
        from += run;
        if (from == length) return;
    }
}

// An escaped text from its first stop on: what has no control and no byte
// above 0x7F goes to the sink's escaper whole.
template <typename Sink>
void EscapedRest(Sink& sink, const char* text, size_t length) {
    for (;;) {
        const size_t clean = FindUnclean(text, length);
        sink.Escape(text, clean);
        if (clean == length) return;
        const size_t read = clean + Character(sink, text + clean, length - clean);
        text += read;
        length -= read;
        if (length == 0) return;
    }
}

// Verbatim of a text from `run`, its first byte that needs a look.
template <typename Sink>
VORLAN_OUT_OF_LINE void CarefulVerbatim(Sink& sink, const ElementTags& tag, const char* text, size_t run,
                                        size_t length) {
    sink.Open(tag);
    sink.Raw(text, run);
    VerbatimRest(sink, text, run, length);
    sink.Close(tag);
}

// <name>text</name>: the engine's text as it is, but for & < and "]]>".
template <typename Sink>
VORLAN_HOT_INLINE void Verbatim(Sink& sink, const ElementTags& tag, const char* text) {
    size_t length;
    if (sink.Trusted()) {
        length = text != nullptr ? std::strlen(text) : 0;
        sink.Element(tag, text, length);
        return;
    }
    const size_t run = CleanRun<CleanFor::Verbatim>(text, &length);
    if (run == length) {
        sink.Element(tag, text, length);
        return;
    }
    sink.SawCareful();
    CarefulVerbatim(sink, tag, text, run, length);
}

// The content of an escaped field: & < > ' " replaced by their entity
// references. Most texts have none: they are copied in one piece.
template <typename Sink>
VORLAN_HOT_INLINE void EscapedText(Sink& sink, const char* text, size_t length) {
    const size_t run = FindEscapedStop(text, length);
    sink.Raw(text, run);
    if (run != length) EscapedRest(sink, text + run, length - run);
}

// Escaped of a text from `run`, its first byte that needs a look.
template <typename Sink>
VORLAN_OUT_OF_LINE void CarefulEscaped(Sink& sink, const ElementTags& tag, const char* text, size_t run,
                                       size_t length) {
    sink.Open(tag);
    sink.Raw(text, run);
    EscapedRest(sink, text + run, length - run);
    sink.Close(tag);
}

// <name>text</name>, the text escaped.
template <typename Sink>
VORLAN_HOT_INLINE void Escaped(Sink& sink, const ElementTags& tag, const char* text) {
    size_t length;
    if (sink.Trusted()) {
        // No control and no byte above 0x7F: markup is all there is to escape.
        length = text != nullptr ? std::strlen(text) : 0;
        const size_t run = FindMarkup(text, length);
        if (run == length) {
            sink.Element(tag, text, length);
            return;
        }
        sink.Open(tag);
        sink.Raw(text, run);
        sink.Escape(text + run, length - run);
        sink.Close(tag);
        return;
    }
    const size_t run = CleanRun<CleanFor::Escaped>(text, &length);
    if (run == length) {
        sink.Element(tag, text, length);
        return;
    }
    // Escaping alone leaves the Output's trust; Character ends it.
    CarefulEscaped(sink, tag, text, run, length);
}

// CData of a text from `run`, its first byte that needs a look.
template <typename Sink>
VORLAN_OUT_OF_LINE void CarefulCData(Sink& sink, const ElementTags& tag, const char* text, size_t run, size_t length) {
    sink.Open(tag);
    sink.Raw("<![CDATA[", 9);
    sink.Raw(text, run);
    CDataRest(sink, text, run, length);
    sink.Raw("]]>", 3);
    sink.Close(tag);
}

// <name><![CDATA[text]]></name>, the text as it is, but for "]]>".
template <typename Sink>
VORLAN_HOT_INLINE void CData(Sink& sink, const ElementTags& tag, const char* text) {
    size_t length;
    if (sink.Trusted()) {
        length = text != nullptr ? std::strlen(text) : 0;
        sink.CDataElement(tag, text, length);
        return;
    }
    const size_t run = CleanRun<CleanFor::CData>(text, &length);
    if (run == length) {
        sink.CDataElement(tag, text, length);
        return;
    }
    sink.SawCareful();
    CarefulCData(sink, tag, text, run, length);
}

// <name>value</name>, the value in signed decimal.
template <typename Sink>
VORLAN_HOT_INLINE void Integer(Sink& sink, const ElementTags& tag, int32_t value) {
    sink.IntegerElement(tag, value);
}

// Runs `walk` with an Output into `memory`; false when the document outgrew it.
template <typename Walk>
bool WroteIntoMemory(DocumentMemory& memory, Walk& walk, size_t* written) {
    try {
        Output output(memory);
        walk(output);
        *written = output.written();
        return true;
    } catch (const OneWalkOutgrown&) {
        return false;
    }
}

// A document as every serialiser writes it: in one walk into memory
// (xml/DocumentMemory.h), then handed to `destination` whole, begun at its
// exact size. A document that outgrows `memoryBound` is walked twice: with a
// Meter, then, `destination` begun at the size it counted, with an Output
// writing into it. So is the next document of the same kind (the same
// `Walk`), until one would fill at most half the memory: a client that
// fetches a large document again and again walks into memory in vain once.
// False when the destination could not be begun. Throws DocumentNotWritten,
// before anything is handed on, for a document that passes kLargestDocument
// or whose records loop.
template <typename Walk>
bool WriteDocument(Destination& destination, Walk walk, size_t memoryBound = kOneWalkLargest) {
    static std::atomic<bool> large{false};
    const size_t held = destination.HeldBefore();
    if (!large.load(std::memory_order_relaxed)) {
        DocumentMemory memory(memoryBound);
        size_t written;
        if (WroteIntoMemory(memory, walk, &written)) {
            if (held > kLargestDocument || written > kLargestDocument - held) ThrowTooLarge();
            if (!destination.Begin(written)) return false;
            if (written != 0) destination.Write(memory.data(), written);
            return true;
        }
        large.store(true, std::memory_order_relaxed);
    }
    Meter meter(held);
    walk(meter);
    const size_t bytes = meter.bytes() - held;
    if (bytes <= memoryBound / 2) large.store(false, std::memory_order_relaxed);
    if (!destination.Begin(bytes)) return false;
    Output output(destination, meter.allClean());
    walk(output);
    output.Flush();
    return true;
}

}  // namespace Xml
}  // namespace Utils
