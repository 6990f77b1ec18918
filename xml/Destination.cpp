#include "xml/Destination.h"

namespace Utils {
namespace Xml {

void ThrowTooLarge() { throw DocumentNotWritten("it passes the largest Java array (2147483647 bytes)"); }

void ThrowLoop() { throw DocumentNotWritten("its records loop (a list is its own ancestor)"); }

bool StringDestination::Begin(size_t bytes) {
    // A fresh document gets exactly its size; repeated appends to one string
    // keep amortised growth.
    const size_t needed = m_out.size() + bytes;
    if (needed > m_out.capacity())
        m_out.reserve(m_out.empty() || needed >= 2 * m_out.capacity() ? needed : 2 * m_out.capacity());
    return true;
}

}  // namespace Xml
}  // namespace Utils
