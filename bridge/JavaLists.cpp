#include "bridge/JavaLists.h"

#include <cstring>
#include <utility>

#include "bridge/JniSupport.h"
#include "log/Logger.h"

namespace Utils {

namespace {

char* copyToken(const char* begin, size_t length) {
    char* token = new char[length + 1];
    std::memcpy(token, begin, length);
    token[length] = '\0';
    return token;
}

}  // namespace

char** splitString(const std::string& text, int count, const std::vector<char>& separators, const char* method,
                   const char* list) {
    if (count <= 0) return nullptr;
    const size_t slots = static_cast<size_t>(count);
    char** items = new char*[slots]();
    size_t found = 0;
    try {
        size_t start = 0;
        for (size_t i = 0; i <= text.size(); ++i) {
            const char byte = i < text.size() ? text[i] : '\0';
            for (char separator : separators) {
                if (byte != separator) continue;
                if (found < slots) items[found] = copyToken(text.data() + start, i - start);
                ++found;
                start = i + 1;
                break;  // a byte ends one token, even if it is listed twice
            }
        }
        for (size_t k = found; k < slots; ++k) items[k] = copyToken("", 0);
    } catch (...) {
        freeSplitString(items, count);
        throw;
    }
    if (found != slots)
        Logger::Log(1, "\n%s: %s holds %llu items, %d expected\n", method, list, static_cast<unsigned long long>(found),
                    count);
    return items;
}

void freeSplitString(char** items, int count) {
    if (items == nullptr) return;
    for (int i = 0; i < count; ++i) delete[] items[i];
    delete[] items;
}

}  // namespace Utils

namespace Bridge {

const std::vector<char>& ListSeparators() {
    static const std::vector<char> separators{'\x19', '\0'};
    return separators;
}

namespace {

// A count from Java is trusted no further than the list can hold: n bytes
// hold at most n + 1 items, and a larger count would make the split allocate
// that many slots.
const char* CheckedList(const char* text, int count, const char* method, const char* name, const char* countName) {
    if (count < 0) {
        Utils::Logger::Log(1, "\n%s: argument %s is negative: %d\n", method, countName, count);
        throw ArgumentRefused();
    }
    if (text == nullptr) text = "";
    if (count > 1 && static_cast<size_t>(count) - 1 > std::strlen(text)) {
        Utils::Logger::Log(1, "\n%s: argument %s cannot hold %d items\n", method, name, count);
        throw ArgumentRefused();
    }
    return text;
}

}  // namespace

SplitList::SplitList(const char* text, int count, const char* method, const char* name, const char* countName)
    : m_items(
          Utils::splitString(CheckedList(text, count, method, name, countName), count, ListSeparators(), method, name)),
      m_count(count) {}

SplitList::~SplitList() { Utils::freeSplitString(m_items, m_count); }

SplitList& SplitList::operator=(SplitList&& other) noexcept {
    std::swap(m_items, other.m_items);
    std::swap(m_count, other.m_count);
    return *this;
}

}  // namespace Bridge
