#pragma once

// Shared by the serialiser fuzz targets. The fuzz input is read as a little
// program that builds engine records: every byte decides one thing (a null
// pointer, a count, a text, a number), and an input that runs out reads as
// zeros, which always ends the records being built. Every block gets exactly
// its size from the heap, so AddressSanitizer sees any read behind a record.
//
// Also here: a one-pass escaper to write expected documents with (the product's
// escaper has its own differential target), and a check that a document's tags
// are balanced.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace FuzzRecords {

// The byte that starts a chain of single children where a list element is
// expected, and the byte that makes a chain long.
constexpr uint8_t kChain = 0xCB;
constexpr uint8_t kLongChain = 0xD1;

// Deepest nesting a program may build: the expected documents are written by
// plain recursion, which must fit the fuzzer's stack.
constexpr size_t kMaxDepth = 3000;
// Records and text bytes one input may ask for: a few bytes can ask for long
// chains and long texts, and each run must stay fast.
constexpr size_t kRecordBudget = 4000;
constexpr size_t kTextBudget = 1 << 18;

// How a serialiser writes a text: verbatim, escaped, or inside CDATA.
enum class TextKind { Verbatim, Escaped, CData };

class Program {
public:
    Program(const uint8_t* data, size_t size) : m_data(data), m_size(size) {
        // Clean inputs keep markup out of verbatim and CDATA texts, so that the
        // tag check applies to their documents; escaped texts keep everything.
        m_clean = (Byte() & 1) != 0;
    }
    ~Program() {
        for (void* block : m_blocks) std::free(block);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool clean() const { return m_clean; }

    uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }

    // Mostly small numbers, sometimes the extremes or four raw bytes.
    int32_t Int() {
        const uint8_t b = Byte();
        switch (b % 8) {
            case 5:
                return INT32_MIN;
            case 6:
                return INT32_MAX;
            case 7: {
                uint32_t raw = 0;
                for (int i = 0; i < 4; ++i) raw = raw << 8 | Byte();
                int32_t value;
                std::memcpy(&value, &raw, sizeof value);
                return value;
            }
            default:
                return static_cast<int32_t>(b >> 3) - 8;
        }
    }

    // Zeroed, exactly `bytes` long (at least one).
    void* Block(size_t bytes) {
        void* block = std::calloc(1, bytes != 0 ? bytes : 1);
        if (block == nullptr) std::abort();
        m_blocks.push_back(block);
        return block;
    }

    template <typename T>
    T* New() {
        return static_cast<T*>(Block(sizeof(T)));
    }

    // Null, empty, a run of one byte, or up to 23 bytes of the input (any
    // byte value; a zero byte ends the text early).
    char* Text(TextKind kind) {
        const uint8_t op = Byte();
        std::string text;
        switch (op % 8) {
            case 0:
                return nullptr;
            case 1:
                break;
            case 2: {
                // Up to 1 KiB, or up to 64 KiB for the two highest codes.
                char c = static_cast<char>(Byte());
                const size_t n = Byte();
                size_t length = 1 + (op >= 0xF0 ? (n << 8 | Byte()) : 4 * n);
                if (length > kTextBudget - m_textBytes) length = kTextBudget - m_textBytes;
                text.assign(length, c != '\0' ? c : '\xE9');
                break;
            }
            default: {
                const size_t length = Byte() % 24;
                for (size_t i = 0; i < length; ++i) text += static_cast<char>(Byte());
            }
        }
        if (m_clean && kind != TextKind::Escaped)
            for (char& c : text)
                if (c == '<' || c == '>' || c == '&' || c == ']') c = '_';
        m_textBytes += text.size();
        char* copy = static_cast<char*>(Block(text.size() + 1));
        std::memcpy(copy, text.data(), text.size());
        return copy;
    }

    // Null, or a counted array (`A` is one of the engine's KoCountedArray
    // types) of mostly 0 to 4 elements, sometimes up to 64, each from `make`.
    template <typename A, typename Make>
    A* List(Make make) {
        const uint8_t head = Byte();
        if (head % 8 == 7) return nullptr;
        uint32_t count = head >= 200 ? 5 + Byte() % 60 : head % 5;
        if (count > kRecordBudget - m_records) count = static_cast<uint32_t>(kRecordBudget - m_records);
        m_records += count;
        A* array = static_cast<A*>(Block(A::BlockSize(count)));
        array->count = count;
        for (uint32_t i = 0; i < count; ++i) array->items()[i] = make();
        return array;
    }

    // Length of a chain of single children below `depth`: 1 to 64 levels, or
    // up to 2,048 after the byte kLongChain; never past kMaxDepth nor the
    // record budget. (Not 0xFF: mutations write runs of it, and every run would
    // then be slow.)
    size_t ChainLength(size_t depth) {
        const size_t first = Byte();
        size_t length = 1 + (first == kLongChain ? ((static_cast<size_t>(Byte()) << 8) | Byte()) % 2048 : first % 64);
        if (depth + length + 1 >= kMaxDepth) length = kMaxDepth > depth + 2 ? kMaxDepth - depth - 2 : 0;
        if (length > kRecordBudget - m_records) length = kRecordBudget - m_records;
        m_records += length;
        return length;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_clean = false;
    size_t m_textBytes = 0;
    size_t m_records = 0;
    std::vector<void*> m_blocks;
};

// Expected-document helpers. Null text is empty text everywhere.
inline void Escaped(std::string& out, const char* text) {
    for (const char* p = text; p != nullptr && *p != '\0'; ++p) {
        switch (*p) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '\'':
                out += "&apos;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += *p;
        }
    }
}

inline void Element(std::string& out, const char* tag, const char* text, TextKind kind = TextKind::Verbatim) {
    out += '<';
    out += tag;
    out += '>';
    if (kind == TextKind::Escaped)
        Escaped(out, text);
    else if (kind == TextKind::CData)
        out += "<![CDATA[" + std::string(text != nullptr ? text : "") + "]]>";
    else if (text != nullptr)
        out += text;
    out += "</";
    out += tag;
    out += '>';
}

inline void Element(std::string& out, const char* tag, int32_t value) {
    Element(out, tag, std::to_string(value).c_str());
}

// A sequence of balanced elements: every "<name>" closed by its "</name>" in
// order, CDATA sections complete, no '>' in text, and every '&' the start of
// one of the five entities. Empty text passes.
inline bool Balanced(const std::string& xml, std::string* why) {
    std::vector<std::string> open;
    static const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&apos;", "&quot;"};
    for (size_t i = 0; i < xml.size();) {
        const char c = xml[i];
        if (c == '&') {
            bool known = false;
            for (const char* entity : kEntities)
                if (xml.compare(i, std::strlen(entity), entity) == 0) {
                    i += std::strlen(entity);
                    known = true;
                    break;
                }
            if (!known) return *why = "bare & at " + std::to_string(i), false;
            continue;
        }
        if (c == '>') return *why = "stray > at " + std::to_string(i), false;
        if (c != '<') {
            ++i;
            continue;
        }
        if (xml.compare(i, 9, "<![CDATA[") == 0) {
            const size_t end = xml.find("]]>", i + 9);
            if (end == std::string::npos) return *why = "CDATA not closed at " + std::to_string(i), false;
            i = end + 3;
            continue;
        }
        const bool closing = i + 1 < xml.size() && xml[i + 1] == '/';
        const size_t nameStart = i + (closing ? 2 : 1);
        const size_t end = xml.find('>', nameStart);
        if (end == std::string::npos || end == nameStart) return *why = "broken tag at " + std::to_string(i), false;
        const std::string name = xml.substr(nameStart, end - nameStart);
        if (name.find_first_of("</&") != std::string::npos) return *why = "broken tag at " + std::to_string(i), false;
        if (!closing) {
            open.push_back(name);
        } else {
            if (open.empty() || open.back() != name)
                return *why = "</" + name + "> does not close " + (open.empty() ? "anything" : open.back()), false;
            open.pop_back();
        }
        i = end + 1;
    }
    if (!open.empty()) return *why = "<" + open.back() + "> never closed", false;
    return true;
}

// Ends the run with the first difference when `actual` is not `expected`.
inline void ExpectSame(const char* what, const std::string& actual, const std::string& expected) {
    if (actual == expected) return;
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const size_t from = at > 40 ? at - 40 : 0;
    std::fprintf(stderr, "%s differs at byte %zu of %zu (expected %zu)\n  actual:   %s\n  expected: %s\n", what, at,
                 actual.size(), expected.size(), actual.substr(from, 120).c_str(), expected.substr(from, 120).c_str());
    std::abort();
}

inline void ExpectBalanced(const char* what, const Program& program, const std::string& xml) {
    if (!program.clean()) return;
    std::string why;
    if (Balanced(xml, &why)) return;
    std::fprintf(stderr, "%s is not balanced: %s\n", what, why.c_str());
    std::abort();
}

}  // namespace FuzzRecords
