#pragma once

// Escaping as it is defined: the five replacements applied one after another
// over the whole text. The one-pass escaper must give the same bytes.

#include <string>

#include "xml/extras/Serialize.h"

inline std::string FiveReplacements(std::string text) {
    Utils::replaceSubstring(text, "&", "&amp;");
    Utils::replaceSubstring(text, "<", "&lt;");
    Utils::replaceSubstring(text, ">", "&gt;");
    Utils::replaceSubstring(text, "'", "&apos;");
    Utils::replaceSubstring(text, "\"", "&quot;");
    return text;
}
