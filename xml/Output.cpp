#include "xml/Output.h"

namespace Utils {
namespace Xml {

void Output::RawBeyondStage(const char* text, size_t length) {
    Flush();
    if (length >= kStage / 2) {
        m_out.Write(text, length);
        return;
    }
    std::memcpy(m_at, text, length);
    m_at += length;
}

}  // namespace Xml
}  // namespace Utils
