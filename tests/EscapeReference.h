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

// A field's text as a document carries it, decoded character by character the
// plain way: what XML 1.0 cannot carry becomes U+FFFD (a control other than
// tab, line feed and carriage return, the encoded NUL C0 80, U+FFFE, U+FFFF,
// a lone surrogate, and each byte that starts no valid sequence); a surrogate
// pair in three-byte form becomes its four-byte sequence; every other
// sequence stays as it is.
inline std::string XmlCharacters(const std::string& text) {
    static const char kBad[] = "\xEF\xBF\xBD";
    const size_t n = text.size();
    auto byte = [&](size_t k) { return k < n ? static_cast<unsigned char>(text[k]) : 0u; };
    auto continues = [&](size_t k) { return (byte(k) & 0xC0) == 0x80; };
    // The code point of a two- to four-byte sequence at k, its length in *length; 0 when none.
    auto decode = [&](size_t k, size_t* length) -> unsigned {
        const unsigned c = byte(k);
        if (c >= 0xC2 && c <= 0xDF && continues(k + 1)) {
            *length = 2;
            return (c & 0x1F) << 6 | (byte(k + 1) & 0x3F);
        }
        if (c >= 0xE0 && c <= 0xEF && continues(k + 1) && continues(k + 2)) {
            const unsigned code = (c & 0x0F) << 12 | (byte(k + 1) & 0x3F) << 6 | (byte(k + 2) & 0x3F);
            *length = 3;
            return code >= 0x800 ? code : 0;
        }
        if (c >= 0xF0 && c <= 0xF4 && continues(k + 1) && continues(k + 2) && continues(k + 3)) {
            const unsigned code =
                (c & 0x07) << 18 | (byte(k + 1) & 0x3F) << 12 | (byte(k + 2) & 0x3F) << 6 | (byte(k + 3) & 0x3F);
            *length = 4;
            return code >= 0x10000 && code <= 0x10FFFF ? code : 0;
        }
        return 0;
    };
    std::string out;
    for (size_t i = 0; i < n;) {
        const unsigned c = byte(i);
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
                out += kBad;
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c == 0xC0 && byte(i + 1) == 0x80) {
            out += kBad;
            i += 2;
            continue;
        }
        size_t length = 0;
        const unsigned code = decode(i, &length);
        if (code == 0) {
            out += kBad;
            ++i;
            continue;
        }
        size_t lowLength = 0;
        const unsigned low = code >= 0xD800 && code <= 0xDBFF ? decode(i + 3, &lowLength) : 0;
        if (low >= 0xDC00 && low <= 0xDFFF && lowLength == 3) {
            const unsigned pair = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            out += static_cast<char>(0xF0 | pair >> 18);
            out += static_cast<char>(0x80 | (pair >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (pair >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (pair & 0x3F));
            i += 6;
            continue;
        }
        if ((code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF)
            out += kBad;
        else
            out.append(text, i, length);
        i += length;
    }
    return out;
}

// The content of a verbatim field: & and < as entities, "]]>" as "]]&gt;".
inline std::string VerbatimContent(const std::string& text) {
    std::string out = XmlCharacters(text);
    Utils::replaceSubstring(out, "&", "&amp;");
    Utils::replaceSubstring(out, "<", "&lt;");
    Utils::replaceSubstring(out, "]]>", "]]&gt;");
    return out;
}

// The content of a CDATA field: one section, split inside each "]]>".
inline std::string CDataContent(const std::string& text) {
    std::string out = XmlCharacters(text);
    Utils::replaceSubstring(out, "]]>", "]]]]><![CDATA[>");
    return "<![CDATA[" + out + "]]>";
}

inline std::string EscapedContent(const std::string& text) { return FiveReplacements(XmlCharacters(text)); }
