#include "xml/Utf8.h"

#include <cstring>

namespace Utils {
namespace Xml {

namespace {

inline bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// A three-byte surrogate: ED A0..BF xx. High ones are ED A0..AF.
inline bool IsHighSurrogate(const unsigned char* s) { return s[0] == 0xED && s[1] >= 0xA0 && s[1] <= 0xAF; }
inline bool IsSurrogate(const unsigned char* s) { return s[0] == 0xED && s[1] >= 0xA0; }

}  // namespace

size_t ModifiedSequenceLength(const unsigned char* s, size_t left) {
    const unsigned char c = s[0];
    if (c >= 0x01 && c <= 0x7F) return 1;
    if (c == 0xC0) return left >= 2 && s[1] == 0x80 ? 2 : 0;  // encoded NUL
    if (c >= 0xC2 && c <= 0xDF) return left >= 2 && IsContinuation(s[1]) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (left < 3 || !IsContinuation(s[1]) || !IsContinuation(s[2])) return 0;
        if (c == 0xE0 && s[1] < 0xA0) return 0;  // overlong
        return 3;  // surrogates (ED A0..BF) included: Java strings hold them
    }
    return 0;
}

size_t FourByteSequenceLength(const unsigned char* s, size_t left) {
    const unsigned char c = s[0];
    if (c < 0xF0 || c > 0xF4 || left < 4) return 0;
    if (!IsContinuation(s[1]) || !IsContinuation(s[2]) || !IsContinuation(s[3])) return 0;
    if (c == 0xF0 && s[1] < 0x90) return 0;  // overlong
    if (c == 0xF4 && s[1] > 0x8F) return 0;  // beyond U+10FFFF
    return 4;
}

size_t DocumentCharacter(const char* text, size_t left, char* out, size_t* written) {
    const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
    size_t n = ModifiedSequenceLength(s, left);
    bool passes = n != 0 && s[0] >= 0x20 && !(n == 2 && s[0] == 0xC0) &&
                  !(n == 3 && s[0] == 0xEF && s[1] == 0xBF && s[2] >= 0xBE);
    if (s[0] == '\t' || s[0] == '\n' || s[0] == '\r') passes = true;
    if (passes && n == 3 && IsSurrogate(s)) {
        // A parser reads UTF-8, where surrogates have no place: a pair becomes
        // the character it encodes, a lone one U+FFFD.
        passes = false;
        if (IsHighSurrogate(s) && left >= 6 && ModifiedSequenceLength(s + 3, left - 3) == 3 && IsSurrogate(s + 3) &&
            !IsHighSurrogate(s + 3)) {
            const unsigned code =
                0x10000 + ((((s[1] & 0x0Fu) << 6) | (s[2] & 0x3Fu)) << 10) + (((s[4] & 0x0Fu) << 6) | (s[5] & 0x3Fu));
            out[0] = static_cast<char>(0xF0 | (code >> 18));
            out[1] = static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out[2] = static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out[3] = static_cast<char>(0x80 | (code & 0x3F));
            *written = 4;
            return 6;
        }
    }
    if (n == 0) {
        n = FourByteSequenceLength(s, left);
        passes = n != 0;
    }
    if (passes) {
        std::memcpy(out, text, n);
        *written = n;
        return n;
    }
    std::memcpy(out, kReplacement, 3);
    *written = 3;
    return n != 0 ? n : 1;
}

}  // namespace Xml
}  // namespace Utils
