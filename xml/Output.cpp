#include "xml/Output.h"

namespace Utils {
namespace Xml {

bool Output::Room(size_t bytes) {
    if (m_memory == nullptr) {
        Flush();
        return SpaceLeft() >= bytes;
    }
    const size_t used = written();
    if (!m_memory->Reserve(used + bytes)) throw OneWalkOutgrown();
    m_begin = m_memory->data();
    m_at = m_begin + used;
    m_end = m_begin + m_memory->capacity();
    return true;
}

void Output::RawBeyondRoom(const char* text, size_t length) {
    if (m_memory != nullptr) {
        Room(length);
    } else {
        Flush();
        if (length >= kStage / 2) {
            m_out->Write(text, length);
            return;
        }
    }
    std::memcpy(m_at, text, length);
    m_at += length;
}

}  // namespace Xml
}  // namespace Utils
