#pragma once

// The writing sink. An Output assembles a document in a small buffer on the
// stack (the stage, hot in the first-level cache) and hands it to its
// destination a few kilobytes at a time, so a document is written once, never
// copied whole, and never exists whole in native memory on its way to Java.
//
// Each element writer first makes sure the stage has room for everything it
// stores past the cursor, then writes without further checks. The Meter
// (xml/Meter.h) has the same writers and counts what these write; were the two
// ever to disagree, a string would only grow once more and a Java array would
// keep what fits: every write is bounded by the stage, never by the count.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "xml/Decimal.h"
#include "xml/Destination.h"
#include "xml/Escaping.h"
#include "xml/Tags.h"

// The element writers are small and run millions of times per document;
// left to itself the compiler keeps some of them out of line.
#if defined(__GNUC__) && !defined(VORLAN_COVERAGE)
#define VORLAN_HOT_INLINE inline __attribute__((always_inline))
#else
#define VORLAN_HOT_INLINE inline
#endif

namespace Utils {
namespace Xml {

class Output {
    static constexpr size_t kSlot = ElementTags::kSlot;       // a tag is copied as a whole slot
    static constexpr size_t kCDataOpen = 9, kCDataClose = 3;  // "<![CDATA[", "]]>"
    // What each element writer stores past the cursor besides its text: the
    // open tag (its length), and the close tag (its whole slot).
    static constexpr size_t kElementRoom = 2 * kSlot;
    static_assert(kSlot - 1 + kSlot <= kElementRoom, "Element outgrows its room");
    static constexpr size_t kCDataRoom = 2 * kSlot + 16;
    static_assert(kSlot - 1 + kCDataOpen + kCDataClose + kSlot <= kCDataRoom, "CDataElement outgrows its room");
    static constexpr size_t kIntegerRoom = 2 * kSlot + 16;
    static_assert(kSlot - 1 + kLongestDecimal + kSlot <= kIntegerRoom, "IntegerElement outgrows its room");

public:
    // `trusted`: a Meter has seen every text of the walk and found each one
    // clean (Meter::allClean), so they are copied without a look.
    explicit Output(Destination& out, bool trusted = false) : m_out(out), m_trusted(trusted) {}
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    VORLAN_HOT_INLINE void Open(const ElementTags& tag) {
        MakeRoom(kSlot);
        m_at = Tag(m_at, tag.open, tag.openLength);
    }
    VORLAN_HOT_INLINE void Close(const ElementTags& tag) {
        MakeRoom(kSlot);
        m_at = Tag(m_at, tag.close, tag.closeLength);
    }

    // Bytes as they are.
    VORLAN_HOT_INLINE void Raw(const char* text, size_t length) {
        if (length <= SpaceLeft()) {
            char* at = m_at;
            Copy(at, text, length);
            m_at = at + length;
        } else {
            RawBeyondStage(text, length);
        }
    }

    // Text with & < > ' " replaced by their entity references.
    void Escape(const char* text, size_t length);

    // <name>text</name>, the text as it is.
    VORLAN_HOT_INLINE void Element(const ElementTags& tag, const char* text, size_t length) {
        if (HasRoomFor(length + kElementRoom)) {
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

    // <name><![CDATA[text]]></name>, the text as it is.
    VORLAN_HOT_INLINE void CDataElement(const ElementTags& tag, const char* text, size_t length) {
        if (HasRoomFor(length + kCDataRoom)) {
            char* at = Tag(m_at, tag.open, tag.openLength);
            std::memcpy(at, "<![CDATA[", kCDataOpen);
            at += kCDataOpen;
            Copy(at, text, length);
            at += length;
            std::memcpy(at, "]]>", kCDataClose);
            m_at = Tag(at + kCDataClose, tag.close, tag.closeLength);
        } else {
            Open(tag);
            Raw("<![CDATA[", kCDataOpen);
            Raw(text, length);
            Raw("]]>", kCDataClose);
            Close(tag);
        }
    }

    // <name>value</name>, the value in signed decimal.
    VORLAN_HOT_INLINE void IntegerElement(const ElementTags& tag, int32_t value) {
        MakeRoom(kIntegerRoom);
        char* at = Tag(m_at, tag.open, tag.openLength);
        at = WriteDecimal(at, value);
        m_at = Tag(at, tag.close, tag.closeLength);
    }

    bool Trusted() const { return m_trusted; }
    void SawCareful() {}

    // Hands what is staged to the destination. Call it at the end; whatever
    // is still staged when an exception leaves is dropped.
    void Flush() {
        if (m_at != m_stage) m_out.Write(m_stage, static_cast<size_t>(m_at - m_stage));
        m_at = m_stage;
    }

private:
    static constexpr size_t kStage = 8192;
    static_assert(kStage >= kIntegerRoom && kStage >= kEscapedBlockStore && kStage >= kElementRoom + 16 &&
                      kStage >= kCDataRoom + 16,
                  "every element writer's room fits the stage");

    size_t SpaceLeft() const { return static_cast<size_t>(m_stage + kStage - m_at); }
    VORLAN_HOT_INLINE void MakeRoom(size_t bytes) {
        if (SpaceLeft() < bytes) Flush();
    }
    // Flushes when that gives the room; false when even an empty stage is too small.
    VORLAN_HOT_INLINE bool HasRoomFor(size_t bytes) {
        MakeRoom(bytes);
        return SpaceLeft() >= bytes;
    }

    // Copies the whole slot and keeps `length` of it: a fixed-size copy is a
    // couple of moves, a variable one a call.
    VORLAN_HOT_INLINE static char* Tag(char* at, const char* slot, uint32_t length) {
        std::memcpy(at, slot, kSlot);
        return at + length;
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

    // A text longer than what is left of the stage: the stage is flushed,
    // then the text is staged, or handed on straight away when it would take
    // half the stage or more.
    void RawBeyondStage(const char* text, size_t length);

    Destination& m_out;
    const bool m_trusted;
    char* m_at = m_stage;
    char m_stage[kStage];
};

}  // namespace Xml
}  // namespace Utils
