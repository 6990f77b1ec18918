#pragma once

// The engine's texts are modified UTF-8, mostly. Both roads to Java read them
// by the sequences below: a Java string (bridge/JniSupport.cpp) and the text
// of a document element (xml/Writing.h).

#include <cstddef>

namespace Utils {
namespace Xml {

// Length of the modified-UTF-8 sequence at s (at most `left` bytes, left > 0),
// or 0 when the bytes there are not one. Surrogates in their three-byte form
// and the encoded NUL C0 80 count as sequences.
size_t ModifiedSequenceLength(const unsigned char* s, size_t left);
// Length of a standard four-byte UTF-8 sequence at s, or 0.
size_t FourByteSequenceLength(const unsigned char* s, size_t left);

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

// The character of a document's text at text[0], a byte that is no printable
// ASCII (a control, or a byte above 0x7F), as the bytes XML 1.0 carries: a
// valid sequence as it is; a surrogate pair in three-byte form as its
// four-byte sequence; U+FFFD for a control other than tab, line feed and
// carriage return, the encoded NUL, U+FFFE, U+FFFF, a lone surrogate, and for
// each byte that starts no valid sequence. Writes at most 4 bytes to `out`,
// sets *written, and returns the bytes of text read (1 to 6).
size_t DocumentCharacter(const char* text, size_t left, char* out, size_t* written);

}  // namespace Xml
}  // namespace Utils
