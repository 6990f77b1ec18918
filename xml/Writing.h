#pragma once

// What every serialiser is made of. A document is one walk over the engine's
// records, run twice: first with a Meter, which counts the bytes, then with
// an Output, which writes them into a destination begun at exactly that size
// (MeasureThenWrite). The walk hands each field to the function of its kind
// below; these are the only place where a kind of field turns into bytes, and
// both sinks run them, so the Meter counts exactly what the Output writes.
//
// A null text is written as empty text. Texts the bridge makes itself
// ("true", "1", a type digit) go straight to sink.Element.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "xml/Destination.h"
#include "xml/Escaping.h"
#include "xml/Meter.h"
#include "xml/NestedWalk.h"
#include "xml/Output.h"
#include "xml/Tags.h"

namespace Utils {
namespace Xml {

inline size_t TextLength(const char* text) { return text != nullptr ? std::strlen(text) : 0; }

// <name>text</name>: the engine's text as it is.
template <typename Sink>
VORLAN_HOT_INLINE void Verbatim(Sink& sink, const ElementTags& tag, const char* text) {
    sink.Element(tag, text, TextLength(text));
}

// The content of an escaped field: & < > ' " replaced by their entity
// references. Most texts have none: the run before the first markup
// character is copied in one piece.
template <typename Sink>
VORLAN_HOT_INLINE void EscapedText(Sink& sink, const char* text, size_t length) {
    const size_t run = sink.VerbatimRun(text, length);
    sink.Raw(text, run);
    if (run != length) sink.Escape(text + run, length - run);
}

// <name>text</name>, the text escaped.
template <typename Sink>
VORLAN_HOT_INLINE void Escaped(Sink& sink, const ElementTags& tag, const char* text) {
    const size_t length = TextLength(text);
    const size_t run = sink.VerbatimRun(text, length);
    if (run == length) {
        sink.Element(tag, text, length);
        return;
    }
    sink.Open(tag);
    sink.Raw(text, run);
    sink.Escape(text + run, length - run);
    sink.Close(tag);
}

// <name><![CDATA[text]]></name>, the text as it is.
template <typename Sink>
VORLAN_HOT_INLINE void CData(Sink& sink, const ElementTags& tag, const char* text) {
    sink.CDataElement(tag, text, TextLength(text));
}

// <name>value</name>, the value in signed decimal.
template <typename Sink>
VORLAN_HOT_INLINE void Integer(Sink& sink, const ElementTags& tag, int32_t value) {
    sink.IntegerElement(tag, value);
}

// Runs `walk(sink)` with a Meter, begins `destination` at the size it counted,
// then runs it with an Output writing into the destination. False when the
// destination could not be begun. Throws DocumentNotWritten, before anything
// is written, for a document that passes kLargestDocument or whose records
// loop.
template <typename Walk>
bool MeasureThenWrite(Destination& destination, Walk walk) {
    const size_t held = destination.HeldBefore();
    Meter meter(held);
    walk(meter);
    if (!destination.Begin(meter.bytes() - held)) return false;
    Output output(destination);
    walk(output);
    output.Flush();
    return true;
}

}  // namespace Xml
}  // namespace Utils
