#pragma once

// The fast path of the serialisers. A document is walked twice with the same
// code: first with a Meter, which adds up its bytes, then with an Output, which
// writes it. The Output assembles the text in a small buffer on the stack (hot
// in the first-level cache) and moves it into the result string a few
// kilobytes at a time, so the result is reserved once at its exact size and
// written once, with no zero-filling and no per-element string calls. Were the
// two walks ever to disagree, the result would only grow once more: every
// write is bounds-checked against the small buffer, never against the count.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The element writers are small and run millions of times per document;
// left to itself the compiler keeps some of them out of line.
#if defined(__GNUC__) && !defined(VORLAN_COVERAGE)
#define VORLAN_HOT_INLINE inline __attribute__((always_inline))
#else
#define VORLAN_HOT_INLINE inline
#endif

namespace Utils {
namespace Xml {

// "<name>" and "</name>" in fixed slots, so they are copied as one block of
// known size whatever the name.
struct ElementTags {
    static constexpr size_t kSlot = 32;

    char open[kSlot];
    char close[kSlot];
    uint32_t openLength;
    uint32_t closeLength;

    explicit ElementTags(const std::string& name);
    size_t both() const { return openLength + closeLength; }
};

// Index of the first of & < > ' " in text[0, length), or `length`.
size_t FindMarkup(const char* text, size_t length);
// Length of text[0, length) once escaped.
size_t EscapedLength(const char* text, size_t length);

inline uint32_t Magnitude(int32_t value) {
    // Unsigned arithmetic, so INT32_MIN has one too.
    return value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
}

inline size_t DigitCount(uint32_t n) {
    // Most values written are small: line numbers, counts, enumerations.
    if (n < 10u) return 1;
    if (n < 100u) return 2;
    if (n < 1000u) return 3;
    if (n < 10000u) return 4;
    size_t digits = 5;
    for (n /= 100000u; n != 0; n /= 10u) ++digits;
    return digits;
}

// Bytes of a signed 32-bit value in decimal, with its sign.
inline size_t DecimalLength(int32_t value) { return (value < 0 ? 1 : 0) + DigitCount(Magnitude(value)); }

// Writes `value` in decimal at `at` (at most 11 bytes); returns the end.
char* WriteDecimal(char* at, int32_t value);

inline size_t TextLength(const char* text) { return text != nullptr ? std::strlen(text) : 0; }

// Adds up the bytes an Output would write.
class Meter {
public:
    void Open(const ElementTags& tag) { m_bytes += tag.openLength; }
    void Close(const ElementTags& tag) { m_bytes += tag.closeLength; }
    void Raw(const char*, size_t length) { m_bytes += length; }
    void Node(const ElementTags& tag, const char* text) { m_bytes += tag.both() + TextLength(text); }
    void Node(const ElementTags& tag, const char*, size_t length) { m_bytes += tag.both() + length; }
    void SafeNode(const ElementTags& tag, const char* text) {
        m_bytes += tag.both() + (text != nullptr ? EscapedLength(text, std::strlen(text)) : 0);
    }
    void CDataNode(const ElementTags& tag, const char* text) { m_bytes += tag.both() + 12 + TextLength(text); }
    void IntNode(const ElementTags& tag, int32_t value) { m_bytes += tag.both() + DecimalLength(value); }

    size_t bytes() const { return m_bytes; }

private:
    size_t m_bytes = 0;
};

// Appends to a string through a small staging buffer. Call Finish() at the end;
// whatever is still staged when an exception leaves is dropped.
class Output {
public:
    explicit Output(std::string& out) : m_out(out) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    // Makes room for `bytes` more in the result, keeping amortised growth for
    // repeated appends to one string.
    void Reserve(size_t bytes) {
        const size_t held = m_out.size() + static_cast<size_t>(m_at - m_stage);
        const size_t needed = held + bytes;
        if (needed <= m_out.capacity()) return;
        // A fresh document gets exactly its size.
        m_out.reserve(held == 0 || needed >= 2 * m_out.capacity() ? needed : 2 * m_out.capacity());
    }

    VORLAN_HOT_INLINE void Open(const ElementTags& tag) {
        Room(ElementTags::kSlot);
        m_at = Tag(m_at, tag.open, tag.openLength);
    }
    VORLAN_HOT_INLINE void Close(const ElementTags& tag) {
        Room(ElementTags::kSlot);
        m_at = Tag(m_at, tag.close, tag.closeLength);
    }

    // Bytes as they are.
    VORLAN_HOT_INLINE void Raw(const char* text, size_t length) {
        if (length <= Left()) {
            char* at = m_at;
            Copy(at, text, length);
            m_at = at + length;
        } else {
            Long(text, length);
        }
    }

    // <name>text</name>, the text verbatim; null text is empty.
    VORLAN_HOT_INLINE void Node(const ElementTags& tag, const char* text) { Node(tag, text, TextLength(text)); }
    VORLAN_HOT_INLINE void Node(const ElementTags& tag, const char* text, size_t length) {
        if (Fits(length + 2 * ElementTags::kSlot)) {
            // The cursor stays in a register: every store through it could
            // otherwise change the member as far as the compiler knows.
            char* at = Tag(m_at, tag.open, tag.openLength);
            Copy(at, text, length);
            m_at = Tag(at + length, tag.close, tag.closeLength);
        } else {
            Open(tag);
            Raw(text, length);
            Close(tag);
        }
    }

    // <name>text</name>, the text escaped.
    VORLAN_HOT_INLINE void SafeNode(const ElementTags& tag, const char* text) {
        const size_t length = TextLength(text);
        const size_t run = FindMarkup(text, length);
        if (run == length) {
            Node(tag, text, length);
            return;
        }
        Open(tag);
        Raw(text, run);
        Escaped(text + run, length - run);
        Close(tag);
    }

    // <name><![CDATA[text]]></name>
    VORLAN_HOT_INLINE void CDataNode(const ElementTags& tag, const char* text) {
        const size_t length = TextLength(text);
        if (Fits(length + 2 * ElementTags::kSlot + 16)) {
            char* at = Tag(m_at, tag.open, tag.openLength);
            std::memcpy(at, "<![CDATA[", 9);
            at += 9;
            Copy(at, text, length);
            at += length;
            std::memcpy(at, "]]>", 3);
            m_at = Tag(at + 3, tag.close, tag.closeLength);
        } else {
            Open(tag);
            Raw("<![CDATA[", 9);
            Raw(text, length);
            Raw("]]>", 3);
            Close(tag);
        }
    }

    // <name>value</name>, the value in signed decimal.
    VORLAN_HOT_INLINE void IntNode(const ElementTags& tag, int32_t value) {
        Room(2 * ElementTags::kSlot + 16);
        char* at = Tag(m_at, tag.open, tag.openLength);
        at = WriteDecimal(at, value);
        m_at = Tag(at, tag.close, tag.closeLength);
    }

    // Text with & < > ' " replaced by their entity references.
    void Escaped(const char* text, size_t length);

    // Moves what is staged into the result.
    void Finish() {
        m_out.append(m_stage, static_cast<size_t>(m_at - m_stage));
        m_at = m_stage;
    }

private:
    static constexpr size_t kStage = 8192;

    size_t Left() const { return static_cast<size_t>(m_stage + kStage - m_at); }
    VORLAN_HOT_INLINE void Room(size_t bytes) {
        if (Left() < bytes) Finish();
    }
    VORLAN_HOT_INLINE bool Fits(size_t bytes) {
        Room(bytes);
        return Left() >= bytes;
    }

    // Copies the whole slot and keeps `length` of it: a fixed-size copy is a
    // couple of moves, a variable one a call.
    VORLAN_HOT_INLINE static char* Tag(char* at, const char* slot, uint32_t length) {
        std::memcpy(at, slot, ElementTags::kSlot);
        return at + length;
    }

    VORLAN_HOT_INLINE static char* Entity(char* at, char c) {
        // Each entity padded to 8 bytes, copied whole, its length kept.
        static constexpr char kEntities[5][8] = {"&amp;", "&lt;", "&gt;", "&apos;", "&quot;"};
        static constexpr uint8_t kLengths[5] = {5, 4, 4, 6, 6};
        const int i = c == '&' ? 0 : c == '<' ? 1 : c == '>' ? 2 : c == '\'' ? 3 : 4;
        std::memcpy(at, kEntities[i], 8);
        return at + kLengths[i];
    }

    // Short copies without a call; neither side is touched outside its range.
    // Where a caller passes a literal, GCC also looks at the branches for
    // other lengths and warns about them, though they cannot run.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wnonnull"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif
    VORLAN_HOT_INLINE static void Copy(char* to, const char* from, size_t length) {
        if (length <= 16) {
            if (length >= 8) {
                uint64_t head, tail;
                std::memcpy(&head, from, 8);
                std::memcpy(&tail, from + length - 8, 8);
                std::memcpy(to, &head, 8);
                std::memcpy(to + length - 8, &tail, 8);
            } else if (length >= 4) {
                uint32_t head, tail;
                std::memcpy(&head, from, 4);
                std::memcpy(&tail, from + length - 4, 4);
                std::memcpy(to, &head, 4);
                std::memcpy(to + length - 4, &tail, 4);
            } else if (length > 0) {
                to[0] = from[0];
                to[length / 2] = from[length / 2];
                to[length - 1] = from[length - 1];
            }
        } else if (length <= 32) {
            char head[16], tail[16];
            std::memcpy(head, from, 16);
            std::memcpy(tail, from + length - 16, 16);
            std::memcpy(to, head, 16);
            std::memcpy(to + length - 16, tail, 16);
        } else {
            std::memcpy(to, from, length);
        }
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

    // A text longer than what is left of the stage: the stage is moved into
    // the result, then the text is staged, or appended straight away when it
    // would take half the stage or more.
    void Long(const char* text, size_t length);

    std::string& m_out;
    char* m_at = m_stage;
    char m_stage[kStage];
};

// Runs `write(sink)` with a Meter, reserves what it counted, then runs it with
// an Output appending to `out`.
template <typename Write>
void Sized(std::string& out, Write write) {
    Meter meter;
    write(meter);
    Output output(out);
    output.Reserve(meter.bytes());
    write(output);
    output.Finish();
}

}  // namespace Xml
}  // namespace Utils
