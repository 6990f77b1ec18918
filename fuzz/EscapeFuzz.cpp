// Differential fuzzing of the escaping: the one-pass escaper against the five
// ordered replacements it stands for.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "xml/XmlPrimitives.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string expected = text;
    Utils::replaceSubstring(expected, "&", "&amp;");
    Utils::replaceSubstring(expected, "<", "&lt;");
    Utils::replaceSubstring(expected, ">", "&gt;");
    Utils::replaceSubstring(expected, "'", "&apos;");
    Utils::replaceSubstring(expected, "\"", "&quot;");
    if (Utils::ValidateForXML(text) != expected) std::abort();
    if (Utils::createSafeXMLNode("N", text) != "<N>" + expected + "</N>") std::abort();
    return 0;
}
