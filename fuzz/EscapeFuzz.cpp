// Differential fuzzing of the escaping: the one-pass escaper against the five
// ordered replacements it stands for, and the length and search scans against
// the same.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tests/EscapeReference.h"
#include "xml/Escaping.h"
#include "xml/extras/Serialize.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string expected = FiveReplacements(text);
    if (Utils::ValidateForXML(text) != expected) std::abort();
    if (Utils::createSafeXMLNode("N", text) != "<N>" + expected + "</N>") std::abort();
    // The scans the writers size and split text with.
    if (Utils::Xml::EscapedLength(text.data(), text.size()) != expected.size()) std::abort();
    const size_t markup = text.find_first_of("&<>'\"");
    if (Utils::Xml::FindMarkup(text.data(), text.size()) != (markup == std::string::npos ? text.size() : markup))
        std::abort();
    return 0;
}
