// The list splitter on any text, any separators and any count: the array has
// exactly `count` slots (none for a count of 0 or less), every slot holds a
// NUL-terminated heap string with the token the plain split gives (or empty
// text past the last token), and freeing it leaves nothing behind. The entry
// points' split refuses exactly the counts beyond the text's length plus one.
//
// Input: one byte choosing the separators (and how large a count may be),
// four bytes of count, then the text.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bridge/JavaLists.h"
#include "bridge/JniSupport.h"

namespace {

// Large counts are folded into 0..64, or into 0..1024 when the first byte is
// 0xF0 or more: many empty slots now and then, without making every run slow
// (each slot is a heap block, and a block costs under AddressSanitizer).
constexpr int32_t kUsualCount = 64;
constexpr int32_t kLargeCount = 1 << 10;

std::vector<char> Separators(uint8_t choice) {
    switch (choice % 4) {
        case 0:
            return {'\x19', '\0'};  // what the entry points use
        case 1:
            return {'\x19'};  // the text's end ends no token
        case 2:
            return {'\x19', '\x19', '\0', '\0'};  // listed twice
        default:
            return {static_cast<char>(choice), '\0'};
    }
}

bool IsSeparator(char c, const std::vector<char>& separators) {
    for (char s : separators)
        if (c == s) return true;
    return false;
}

// Tokens of the plain split: the end of the text counts as a 0x00 byte.
std::vector<std::string> Tokens(const std::string& text, const std::vector<char>& separators) {
    std::vector<std::string> tokens;
    size_t start = 0;
    for (size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '\0';
        if (!IsSeparator(c, separators)) continue;
        tokens.push_back(text.substr(start, i - start));
        start = i + 1;
    }
    return tokens;
}

void Check(char** items, int count, const std::vector<std::string>& tokens) {
    if (count <= 0) {
        if (items != nullptr) {
            std::fprintf(stderr, "count %d gave an array\n", count);
            std::abort();
        }
        return;
    }
    if (items == nullptr) std::abort();
    for (int k = 0; k < count; ++k) {
        if (items[k] == nullptr) {
            std::fprintf(stderr, "slot %d of %d is null\n", k, count);
            std::abort();
        }
        // A token may hold 0x00 bytes when 0x00 is no separator; as a C string
        // it ends at the first.
        const std::string expected =
            static_cast<size_t>(k) < tokens.size() ? std::string(tokens[k].c_str()) : std::string();
        if (std::strcmp(items[k], expected.c_str()) != 0) {
            std::fprintf(stderr, "slot %d of %d holds \"%s\", expected \"%s\"\n", k, count, items[k], expected.c_str());
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const std::vector<char> separators = Separators(data[0]);
    int32_t count;
    std::memcpy(&count, data + 1, sizeof count);
    const int32_t bound = data[0] >= 0xF0 ? kLargeCount : kUsualCount;
    if (count > bound) count %= bound + 1;
    const std::string text(reinterpret_cast<const char*>(data + 5), size - 5);

    char** items = Utils::splitString(text, count, separators);
    Check(items, count, Tokens(text, separators));
    Utils::freeSplitString(items, count);

    // The entry points' form: a C string (cut at its first 0x00) and a count
    // that must not be negative nor beyond what the string can hold.
    const bool fits = count >= 0 && static_cast<size_t>(count) <= std::strlen(text.c_str()) + 1;
    try {
        Bridge::SplitList list(text.c_str(), count, "fuzz", "list", "count");
        if (!fits) {
            std::fprintf(stderr, "count %d accepted for %zu bytes\n", count, std::strlen(text.c_str()));
            std::abort();
        }
        Check(list.items(), count, Tokens(text.c_str(), Bridge::ListSeparators()));
    } catch (const Bridge::ArgumentRefused&) {
        if (fits) {
            std::fprintf(stderr, "count %d refused for %zu bytes\n", count, std::strlen(text.c_str()));
            std::abort();
        }
    }
    return 0;
}
