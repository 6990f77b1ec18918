#pragma once

// Memory that a document is written into in one walk (WriteDocument,
// xml/Writing.h) before it is handed to its destination whole. Blocks are
// kept between calls in one pool for the whole process, so that the next
// document, of whichever thread, finds memory whose pages are already there.
//
// Bounds: one call holds at most kOneWalkLargest bytes, whatever its
// document's size (a larger document fills it, is counted to its end and
// written by a second walk: the Output, xml/Output.h); between calls, all
// threads together keep at most kKeptInAll (a block given back beyond that
// is freed), however many threads call the bridge.

#include <cstddef>

namespace Utils {
namespace Xml {

constexpr size_t kOneWalkLargest = size_t{32} << 20;
constexpr size_t kKeptInAll = size_t{16} << 20;

class DocumentMemory {
public:
    // A block from the pool, or none yet. `largest` bounds its size.
    explicit DocumentMemory(size_t largest = kOneWalkLargest);
    // Gives the block back to the pool, or frees it.
    ~DocumentMemory();
    DocumentMemory(const DocumentMemory&) = delete;
    DocumentMemory& operator=(const DocumentMemory&) = delete;

    char* data() const { return m_data; }
    // What may be written at data(): never more than `largest`.
    size_t capacity() const { return m_capacity < m_largest ? m_capacity : m_largest; }

    // Grows the block to hold at least `bytes`, keeping what it holds. False
    // past `largest` or when no memory is to be had; it is unchanged then.
    bool Reserve(size_t bytes);

    // What the pool keeps between calls now.
    static size_t Kept();

private:
    char* m_data = nullptr;
    size_t m_capacity = 0;
    size_t m_largest;
};

}  // namespace Xml
}  // namespace Utils
