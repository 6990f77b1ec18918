#pragma once

// Escaping: & < > ' " become "&amp;" "&lt;" "&gt;" "&apos;" "&quot;" in one
// pass, with the same bytes as the five replacements applied one after
// another in that order. Escaping.cpp holds the scans that find markup and
// size an escaped text, and Output::Escape, which writes it; each has an SSE2
// path and a portable path side by side (xml/Simd.h chooses).

#include <cstddef>
#include <cstdint>

namespace Utils {
namespace Xml {

// Index of the first of & < > ' " in text[0, length), or `length`.
size_t FindMarkup(const char* text, size_t length);

// Where a field's text first needs more than a copy, or `length`: a control
// other than tab, line feed and carriage return, a byte above 0x7F, or the
// field's markup: & < > ' " in an escaped field, & < > in a verbatim one, >
// in CDATA. FindUnclean stops at the first two only.
size_t FindEscapedStop(const char* text, size_t length);
size_t FindVerbatimStop(const char* text, size_t length);
size_t FindCDataStop(const char* text, size_t length);
size_t FindUnclean(const char* text, size_t length);
// Length of text[0, length) once escaped.
size_t EscapedLength(const char* text, size_t length);

constexpr size_t kLongestEntity = 6;  // "&apos;", "&quot;"
constexpr size_t kEntityStore = 8;    // an entity is copied padded to 8 bytes
// The most Output::Escape stores past its cursor for a block of sixteen bytes
// of text: sixteen markup bytes; behind the first fifteen entities, the last
// one's padded store or its entity and the sixteen-byte store of the rest.
constexpr size_t kEscapedBlockStore =
    15 * kLongestEntity + (kEntityStore > kLongestEntity + 16 ? kEntityStore : kLongestEntity + 16);
static_assert(kEntityStore >= kLongestEntity, "an entity is stored whole");

}  // namespace Xml
}  // namespace Utils
