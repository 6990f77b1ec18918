#pragma once

// Reads "KOM" message elements back from XML text into message records of the
// bridge's own. The system's design names it; no native method calls it (the
// message filter of getDiagnostics is never read). Everything it builds lives
// on the run-time heap and is released with xml/extras/MessageFree.h.
//
// The reader is deliberately simple: levels are read by name, references are
// not read, values are taken verbatim (no entity decoding, CDATA kept), and only
// the text from the first "KOM" opening tag to the first "KOE" closing tag is
// looked at. It walks its input once and never reads past the terminating NUL.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "engine/KoDiagnostics.h"

namespace Utils {

// The messages of `input`: a counted array block holding one new record per
// "KOM" element, in document order. Null when the text holds no complete "KOM"
// element (nothing is allocated then) or `input` is null. Release the result
// with DeleteMessageArray.
KoMessageArray_C* DeserializeMessageArray(const char* input);

// Number of opening tags of `tag` in `text`, nested ones included.
int getTagOccurrences(std::string_view text, const std::string& tag);

// Reads at most `count` "KOM" elements of `text` into new records. Returns the
// list (a malloc block of record pointers, to be freed by the caller), or null
// when nothing was read. The list can be shorter than `count`: openings inside
// another element and an element without its closing tag give no record, so
// the number read is stored in `messagesRead` when it is given.
KoMessage_C** createMessageArray(std::string_view text, int count, size_t* messagesRead = nullptr);

// Fills every field of `message` from the content of one "KOM" element; a
// missing element gives an empty string (level 0 for "ML"), references stay
// null. A string that cannot be allocated is left null.
void createMessage(KoMessage_C* message, std::string_view content);

// The text between the first opening tag of `tag` and the first closing tag
// after it; empty when either is missing.
std::string getTagValue(const std::string& tag, std::string_view text);

// "KO_DEBUG" 1, "KO_ERROR" 2, "KO_USERMESSAGE" 3, anything else 0.
int getMessageLevelFromString(std::string_view text);

// A malloc copy of `text` (null reads as empty text); null only when the heap
// is exhausted.
char* getCharFromConstChar(const char* text);

// References are not read from the text: always null.
KoReferenceArray_C* getMessageReferences(std::string_view content);

// Per-message hook; does nothing.
void printMessageInformation(KoMessage_C* message);

// Appends the pieces of `text` between `delimiter`s to `pieces`: consecutive
// delimiters give empty pieces, a trailing delimiter no empty last piece, an
// empty text no pieces.
std::vector<std::string>& split(const std::string& text, char delimiter, std::vector<std::string>& pieces);
std::vector<std::string> split(const std::string& text, char delimiter);

}  // namespace Utils
