#pragma once

// Lists from Java: one string whose items are separated by U+0019 (the single
// byte 0x19 in modified UTF-8), handed over together with the item count.

#include <string>
#include <vector>

namespace Utils {

// Splits `text` at every byte of `separators` (the end of the text counts as a
// 0x00 byte) into a heap array of exactly `count` heap strings. Tokens beyond
// `count` are dropped and missing ones become empty strings, so every slot the
// engine reads is set; such a mismatch is logged once at level 1, naming
// `method` and `list`. A count of 0 or less gives a null array. Free the result
// with freeSplitString. Counts from Java go through SplitList, which bounds
// them first.
char** splitString(const std::string& text, int count, const std::vector<char>& separators,
                   const char* method = "splitString", const char* list = "text");

// Frees an array of splitString with its `count` strings; null is allowed.
void freeSplitString(char** items, int count);

}  // namespace Utils

namespace Bridge {

// 0x19 separates the items, 0x00 ends the last one.
const std::vector<char>& ListSeparators();

// The split form of one Java list for the duration of an engine call.
class SplitList {
public:
    // A null array (count 0).
    SplitList() = default;
    // The list `name` of `method` split into `count` items; a null text reads
    // as empty. The one place where a count from Java is refused: a negative
    // one, or one beyond what `text` can hold (its length plus one items),
    // gives one level-1 line naming `countName` or `name`, then ArgumentRefused,
    // so that the native method returns its fallback without calling the engine.
    SplitList(const char* text, int count, const char* method, const char* name, const char* countName);
    ~SplitList();
    SplitList(const SplitList&) = delete;
    SplitList& operator=(const SplitList&) = delete;
    // Takes the other's array; its own is freed.
    SplitList& operator=(SplitList&& other) noexcept;

    char** items() const { return m_items; }

private:
    char** m_items = nullptr;
    int m_count = 0;
};

}  // namespace Bridge
