#pragma once

// The measuring sink: the same element writers as the Output, adding up the
// bytes the Output would write instead of writing them. It starts from the
// bytes its destination already holds and throws DocumentNotWritten as soon as
// the sum passes kLargestDocument, so a document that the engine's records
// make endless is abandoned within a bounded time.

#include <cstddef>
#include <cstdint>

#include "xml/Decimal.h"
#include "xml/Destination.h"
#include "xml/Escaping.h"
#include "xml/Tags.h"

namespace Utils {
namespace Xml {

class Meter {
public:
    explicit Meter(size_t heldBefore = 0) : m_bytes(heldBefore) {}

    void Open(const ElementTags& tag) { Add(tag.openLength); }
    void Close(const ElementTags& tag) { Add(tag.closeLength); }
    void Raw(const char*, size_t length) { Add(length); }
    void Escape(const char* text, size_t length) { Add(EscapedLength(text, length)); }
    void Element(const ElementTags& tag, const char*, size_t length) { Add(tag.tagsLength() + length); }
    void CDataElement(const ElementTags& tag, const char*, size_t length) { Add(tag.tagsLength() + 12 + length); }
    void IntegerElement(const ElementTags& tag, int32_t value) { Add(tag.tagsLength() + DecimalLength(value)); }

    size_t bytes() const { return m_bytes; }

    // Whether every text it saw could be written as it is (an escaped one
    // escaped); then the Output need not look at them again.
    bool Trusted() const { return false; }
    void SawCareful() { m_allClean = false; }
    bool allClean() const { return m_allClean; }

private:
    // No single addition comes near overflowing: texts are in memory.
    void Add(size_t bytes) {
        m_bytes += bytes;
        if (m_bytes > kLargestDocument) ThrowTooLarge();
    }

    size_t m_bytes;
    bool m_allClean = true;
};

}  // namespace Xml
}  // namespace Utils
