#include "xml/DocumentMemory.h"

#include <cstdlib>
#include <mutex>
#include <vector>

namespace Utils {
namespace Xml {

namespace {

struct Block {
    char* data;
    size_t capacity;
};

// Never destroyed: a thread may still return a block while the process ends.
struct Pool {
    // A block holds 64 KiB or more (unless its bound is smaller): room for
    // all that may be kept is reserved once, so that giving a block back never
    // allocates; a block beyond that room is freed.
    Pool() { blocks.reserve(kKeptInAll / 65536); }
    std::mutex lock;
    std::vector<Block> blocks;  // the last given back first: its pages are the warmest
    size_t kept = 0;
};

Pool& ThePool() {
    static Pool* const pool = new Pool();
    return *pool;
}

}  // namespace

DocumentMemory::DocumentMemory(size_t largest) : m_largest(largest) {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> hold(pool.lock);
    if (pool.blocks.empty()) return;
    m_data = pool.blocks.back().data;
    m_capacity = pool.blocks.back().capacity;
    pool.blocks.pop_back();
    pool.kept -= m_capacity;
}

DocumentMemory::~DocumentMemory() {
    if (m_data == nullptr) return;
    Pool& pool = ThePool();
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        if (m_capacity <= kKeptInAll - pool.kept && pool.blocks.size() < pool.blocks.capacity()) {
            pool.blocks.push_back({m_data, m_capacity});
            pool.kept += m_capacity;
            return;
        }
    }
    std::free(m_data);
}

size_t DocumentMemory::Kept() {
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> hold(pool.lock);
    return pool.kept;
}

bool DocumentMemory::Reserve(size_t bytes) {
    if (bytes > m_largest) return false;
    if (bytes <= m_capacity) return true;
    size_t grown = m_capacity < 65536 ? 65536 : m_capacity;
    while (grown < bytes) grown *= 2;
    if (grown > m_largest) grown = m_largest;
    char* data = static_cast<char*>(std::realloc(m_data, grown));
    if (data == nullptr) return false;
    m_data = data;
    m_capacity = grown;
    return true;
}

}  // namespace Xml
}  // namespace Utils
