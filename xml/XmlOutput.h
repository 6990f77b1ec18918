#pragma once

// The fast path of the serialisers. A document is walked twice with the same
// code: first with a Meter, which adds up its bytes, then with an Output, which
// writes them. The Output assembles the text in a small buffer on the stack
// (hot in the first-level cache) and hands it to the document's destination a
// few kilobytes at a time: a string reserved once at its exact size, or a Java
// array made at that size, so a document is written once, never copied whole,
// and never exists whole in native memory on its way to Java. Were the two
// walks ever to disagree, a string would only grow once more and a Java array
// would keep what fits: every write is bounds-checked against the small
// buffer, never against the count.
//
// Nothing the engine hands over may drive a walk without bound: the Meter
// stops a document as soon as it passes the largest Java array, and a walk
// whose records loop stops as soon as the loop shows (see Descent).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "xml/Simd.h"

// The element writers are small and run millions of times per document;
// left to itself the compiler keeps some of them out of line.
#if defined(__GNUC__) && !defined(VORLAN_COVERAGE)
#define VORLAN_HOT_INLINE inline __attribute__((always_inline))
#else
#define VORLAN_HOT_INLINE inline
#endif

namespace Utils {
namespace Xml {

// The largest document the bridge hands out: the largest Java array.
constexpr size_t kLargestDocument = 0x7FFFFFFF;

// A document that is not written: it passes kLargestDocument, or its records
// loop, so that it would never end. what() says which.
class DocumentNotWritten : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Where an Output's bytes go, a few kilobytes at a time.
class Destination {
public:
    virtual void Write(const char* bytes, size_t length) = 0;

protected:
    ~Destination() = default;
};

// A destination that learns the exact size of what follows before the first
// Write. Begin answers false when it cannot take the document (its owner
// knows why); nothing is written then.
class Document : public Destination {
public:
    virtual bool Begin(size_t bytes) = 0;
    // Bytes it held before Begin; they count towards the bound.
    virtual size_t Held() const { return 0; }

protected:
    ~Document() = default;
};

// Appends to a string.
class StringDocument final : public Document {
public:
    explicit StringDocument(std::string& out) : m_out(out) {}
    bool Begin(size_t bytes) override {
        // A fresh document gets exactly its size; repeated appends to one
        // string keep amortised growth.
        const size_t needed = m_out.size() + bytes;
        if (needed > m_out.capacity())
            m_out.reserve(m_out.empty() || needed >= 2 * m_out.capacity() ? needed : 2 * m_out.capacity());
        return true;
    }
    size_t Held() const override { return m_out.size(); }
    void Write(const char* bytes, size_t length) override { m_out.append(bytes, length); }

private:
    std::string& m_out;
};

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

[[noreturn]] void ThrowTooLarge();
[[noreturn]] void ThrowLoop();

// Adds up the bytes an Output would write, starting from `held` bytes already
// in the destination; throws DocumentNotWritten as soon as the sum passes
// kLargestDocument, so a document the engine's records make endless is
// abandoned within a bounded time.
class Meter {
public:
    explicit Meter(size_t held = 0) : m_bytes(held) {}

    void Open(const ElementTags& tag) { Add(tag.openLength); }
    void Close(const ElementTags& tag) { Add(tag.closeLength); }
    void Raw(const char*, size_t length) { Add(length); }
    void Escaped(const char* text, size_t length) { Add(EscapedLength(text, length)); }
    void Node(const ElementTags& tag, const char* text) { Add(tag.both() + TextLength(text)); }
    void Node(const ElementTags& tag, const char*, size_t length) { Add(tag.both() + length); }
    void SafeNode(const ElementTags& tag, const char* text) {
        Add(tag.both() + (text != nullptr ? EscapedLength(text, std::strlen(text)) : 0));
    }
    void CDataNode(const ElementTags& tag, const char* text) { Add(tag.both() + 12 + TextLength(text)); }
    void IntNode(const ElementTags& tag, int32_t value) { Add(tag.both() + DecimalLength(value)); }

    size_t bytes() const { return m_bytes; }

private:
    // No single addition comes near overflowing: texts are in memory.
    void Add(size_t bytes) {
        m_bytes += bytes;
        if (m_bytes > kLargestDocument) ThrowTooLarge();
    }

    size_t m_bytes;
};

// Writes to a destination through a small staging buffer. Call Finish() at the
// end; whatever is still staged when an exception leaves is dropped.
class Output {
    // The most a single element writer stores past the cursor. Each reserves
    // this much of the stage before it writes without further checks; tied to
    // what it stores here, so a new element cannot silently outgrow it.
    static constexpr size_t kSlot = ElementTags::kSlot;
    static constexpr size_t kLongestEntity = 6;  // "&apos;", "&quot;"
    static constexpr size_t kEntityStore = 8;    // entities are copied padded
    static constexpr size_t kDecimalMost = 11;   // "-2147483648"
    // A tag is copied as a whole slot, however short its name.
    static constexpr size_t kTagStore = kSlot;
    // Open tag, value, close tag slot.
    static constexpr size_t kIntNodeRoom = 2 * kSlot + 16;
    static_assert(kSlot - 1 + kDecimalMost + kTagStore <= kIntNodeRoom, "IntNode outgrows its room");
    // Open tag, text, close tag slot (text and tags only; the text is counted apart).
    static constexpr size_t kNodeRoom = 2 * kSlot;
    static_assert(kSlot - 1 + kTagStore <= kNodeRoom, "Node outgrows its room");
    // Open tag, "<![CDATA[", text, "]]>", close tag slot.
    static constexpr size_t kCDataRoom = 2 * kSlot + 16;
    static_assert(kSlot - 1 + 9 + 3 + kTagStore <= kCDataRoom, "CDataNode outgrows its room");
    // Sixteen bytes, each possibly an entity: behind the entity of the last
    // one, its padded store and the sixteen-byte store of the rest.
    static constexpr size_t kEscapeBlockRoom = 16 * kLongestEntity + 16;
    static_assert(15 * kLongestEntity + (kEntityStore > kLongestEntity + 16 ? kEntityStore : kLongestEntity + 16) <=
                      kEscapeBlockRoom,
                  "escaped block outgrows its room");
    static_assert(kEntityStore >= kLongestEntity, "an entity is stored whole");

public:
    explicit Output(Destination& out) : m_out(out) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    VORLAN_HOT_INLINE void Open(const ElementTags& tag) {
        Room(kTagStore);
        m_at = Tag(m_at, tag.open, tag.openLength);
    }
    VORLAN_HOT_INLINE void Close(const ElementTags& tag) {
        Room(kTagStore);
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
        if (Fits(length + kNodeRoom)) {
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
        if (Fits(length + kCDataRoom)) {
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
        Room(kIntNodeRoom);
        char* at = Tag(m_at, tag.open, tag.openLength);
        at = WriteDecimal(at, value);
        m_at = Tag(at, tag.close, tag.closeLength);
    }

    // Text with & < > ' " replaced by their entity references.
    void Escaped(const char* text, size_t length);

    // Hands what is staged to the destination.
    void Finish() {
        if (m_at != m_stage) m_out.Write(m_stage, static_cast<size_t>(m_at - m_stage));
        m_at = m_stage;
    }

private:
    static constexpr size_t kStage = 8192;
    static_assert(kStage >= kIntNodeRoom && kStage >= kEscapeBlockRoom && kStage >= kNodeRoom + 16 &&
                      kStage >= kCDataRoom + 16,
                  "every element writer's room fits the stage");

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

    // A text longer than what is left of the stage: the stage is handed on,
    // then the text is staged, or handed on straight away when it would take
    // half the stage or more.
    void Long(const char* text, size_t length);

    Destination& m_out;
    char* m_at = m_stage;
    char m_stage[kStage];
};

// Runs `write(sink)` with a Meter, begins `document` at the size it counted,
// then runs it with an Output writing into the document. False when the
// document could not be begun. Throws DocumentNotWritten, before anything is
// written, for a document that passes kLargestDocument or whose records loop.
template <typename Write>
bool WriteDocument(Document& document, Write write) {
    const size_t held = document.Held();
    Meter meter(held);
    write(meter);
    if (!document.Begin(meter.bytes() - held)) return false;
    Output output(document);
    write(output);
    output.Finish();
    return true;
}

// The same, appending to a string.
template <typename Write>
void Sized(std::string& out, Write write) {
    StringDocument document(out);
    WriteDocument(document, write);
}

// Whether any pointer stands twice in `pointers` (which it reorders).
bool HasRepeat(std::vector<const void*>& pointers);

// The open levels of a depth-first walk over engine records: nesting has no
// bound, so they live on the heap, not on the thread's stack. Level is a
// record with the list being walked in `list`.
//
// A list that stands twice on the path is its own ancestor: the walk would
// never end. The path is searched for a repeat each time it grows past twice
// the depth of the previous search (from 4,096 on), which costs an amortised
// O(log depth) per level and stops a looping walk before its path is more than
// twice as deep as the first repeat, that is, within what the engine's own
// records hold.
template <typename Level>
class Descent {
public:
    bool empty() const { return m_levels.empty(); }
    Level& top() { return m_levels.back(); }
    void pop() { m_levels.pop_back(); }
    void clear() { m_levels.clear(); }
    void push(const Level& level) {
        m_levels.push_back(level);
        if (m_levels.size() >= m_nextSearch) {
            SearchForLoop();
            m_nextSearch = 2 * m_levels.size();
        }
    }

private:
    void SearchForLoop() const {
        std::vector<const void*> lists;
        lists.reserve(m_levels.size());
        for (const Level& level : m_levels) lists.push_back(level.list);
        if (HasRepeat(lists)) ThrowLoop();
    }

    std::vector<Level> m_levels;
    size_t m_nextSearch = 4096;
};

}  // namespace Xml
}  // namespace Utils
