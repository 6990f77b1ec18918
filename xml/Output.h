#pragma once

// The writing sink. An Output writes a document in one of two ways:
// - straight into memory (xml/DocumentMemory.h), which grows up to its
//   bound; a document that outgrows it ends the walk with OneWalkOutgrown;
// - through its stage, a small buffer on the stack (hot in the first-level
//   cache), handed to its destination a few kilobytes at a time, so that the
//   document never exists whole in native memory on its way there.
//
// Each element writer first makes sure there is room for everything it
// stores past the cursor, then writes without further checks. The Meter
// (xml/Meter.h) has the same writers and counts what these write; were the
// two ever to disagree, a string would only grow once more and a Java array
// would keep what fits: every write is bounded by its room, never by the
// count.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "xml/Decimal.h"
#include "xml/Destination.h"
#include "xml/DocumentMemory.h"
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

// A document written into memory has outgrown it; nothing was handed on.
struct OneWalkOutgrown {};

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
    // Through the stage into `out`. `trusted`: a Meter has seen every text of
    // the walk and found each one clean (Meter::allClean), so they are copied
    // without a look.
    explicit Output(Destination& out, bool trusted = false) : m_out(&out), m_trusted(trusted) {
        m_end = m_stage + kStage;
    }
    // Straight into `memory`, growing it as the document needs; past its
    // bound, the element writer throws OneWalkOutgrown.
    explicit Output(DocumentMemory& memory) : m_memory(&memory), m_trusted(false) {
        m_begin = m_at = memory.data();
        m_end = m_at + memory.capacity();
    }
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
            RawBeyondRoom(text, length);
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
    // is still staged when an exception leaves is dropped. Into memory: the
    // bytes written are those from memory.data() to here.
    void Flush() {
        if (m_out == nullptr) return;
        if (m_at != m_begin) m_out->Write(m_begin, static_cast<size_t>(m_at - m_begin));
        m_at = m_begin;
    }
    size_t written() const { return static_cast<size_t>(m_at - m_begin); }

private:
    static constexpr size_t kStage = 8192;
    static_assert(kStage >= kIntegerRoom && kStage >= kEscapedBlockStore && kStage >= kElementRoom + 16 &&
                      kStage >= kCDataRoom + 16,
                  "every element writer's room fits the stage");

    size_t SpaceLeft() const { return static_cast<size_t>(m_end - m_at); }
    VORLAN_HOT_INLINE void MakeRoom(size_t bytes) {
        if (SpaceLeft() < bytes) Room(bytes);
    }
    // False when even an empty stage is too small.
    VORLAN_HOT_INLINE bool HasRoomFor(size_t bytes) { return SpaceLeft() >= bytes || Room(bytes); }
    // Where fewer than `bytes` are left: flushes the stage, or grows the
    // memory (throwing OneWalkOutgrown past its bound). True when there now
    // is room.
    bool Room(size_t bytes);

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

    // A text longer than the room that is left: into memory, the memory
    // grows; through the stage, the stage is flushed, then the text is staged,
    // or handed on straight away when it would take half the stage or more.
    void RawBeyondRoom(const char* text, size_t length);

    Destination* m_out = nullptr;
    DocumentMemory* m_memory = nullptr;
    const bool m_trusted;
    char* m_begin = m_stage;
    char* m_at = m_stage;
    char* m_end = m_stage;
    char m_stage[kStage];
};

}  // namespace Xml
}  // namespace Utils
