#pragma once

// Shared by the serialiser fuzz targets. The fuzz input is read as a little
// program that builds engine records: every byte decides one thing (a null
// pointer, a count, a text, a number), and an input that runs out reads as
// zeros, which always ends the records being built. Every block gets exactly
// its size from the heap, so AddressSanitizer sees any read behind a record.
//
// Also here: the expected field contents (tests/EscapeReference.h, written the
// plain way), the leaves a parser must read back (fuzz/XmlOracle.h), and a
// check that a document's tags are balanced.
//
// Speed: an execution should take well under a millisecond, so that a run of
// minutes explores millions of inputs. What costs under AddressSanitizer is
// heap blocks (each one records its stack) and large documents (a block above
// 128 KiB is mapped and unmapped afresh, page by page); hence the budgets
// below. The writers' structure shows well below them: texts up to twice
// their 8 KiB staging buffer, lists up to 64 entries, chains some hundred
// levels deep (the walks keep their own stack; depths of 100,000 are the
// unit tests' business).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/XmlOracle.h"

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
constexpr size_t kRecordBudget = 600;
constexpr size_t kTextBudget = 1 << 15;

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
        size_t length = 0;
        char* text = nullptr;
        switch (op % 8) {
            case 0:
                return nullptr;
            case 1:
                text = Chars(0);
                break;
            case 2: {
                // Up to 1 KiB, or up to 16 KiB for the two highest codes.
                char c = static_cast<char>(Byte());
                const size_t n = Byte();
                length = 1 + (op >= 0xF0 ? (n << 6 | Byte() % 64) : 4 * n);
                if (length > kTextBudget - m_textBytes) length = kTextBudget - m_textBytes;
                text = Chars(length);
                std::memset(text, c != '\0' ? c : '\xE9', length);
                break;
            }
            default: {
                length = Byte() % 24;
                text = Chars(length);
                for (size_t i = 0; i < length; ++i) text[i] = static_cast<char>(Byte());
            }
        }
        if (m_clean && kind != TextKind::Escaped)
            for (size_t i = 0; i < length; ++i)
                if (text[i] == '<' || text[i] == '>' || text[i] == '&' || text[i] == ']') text[i] = '_';
        m_textBytes += length;
        return text;
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
    // up to 512 after the byte kLongChain; never past kMaxDepth nor the record
    // budget. (Not 0xFF: mutations write runs of it, and every run would then
    // be slow.)
    size_t ChainLength(size_t depth) {
        const size_t first = Byte();
        size_t length = 1 + (first == kLongChain ? ((static_cast<size_t>(Byte()) << 8) | Byte()) % 512 : first % 64);
        if (depth + length + 1 >= kMaxDepth) length = kMaxDepth > depth + 2 ? kMaxDepth - depth - 2 : 0;
        if (length > kRecordBudget - m_records) length = kRecordBudget - m_records;
        m_records += length;
        return length;
    }

private:
    // `length` bytes and a terminating zero, as one exact block.
    char* Chars(size_t length) {
        char* text = static_cast<char*>(std::malloc(length + 1));
        if (text == nullptr) std::abort();
        m_blocks.push_back(text);
        text[length] = '\0';
        return text;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
    bool m_clean = false;
    size_t m_textBytes = 0;
    size_t m_records = 0;
    std::vector<void*> m_blocks;
};

// The reference writers and the checks below, and those of the targets
// between VORLAN_FUZZ_REFERENCE_BEGIN and _END, are left out of the coverage
// instrumentation: their branches are not what the fuzzer should explore, and
// tracing every comparison of a byte loop would cost more than the loop.
#define VORLAN_FUZZ_REFERENCE_BEGIN \
    _Pragma("clang attribute push(__attribute__((no_sanitize(\"coverage\"))), apply_to = function)")
#define VORLAN_FUZZ_REFERENCE_END _Pragma("clang attribute pop")

VORLAN_FUZZ_REFERENCE_BEGIN

// Expected-document helpers. Null text is empty text everywhere. Element also
// notes what a parser must read back from it (xml/XmlOracle.h).
inline void Escaped(std::string& out, const char* text) { out += EscapedContent(text != nullptr ? text : ""); }

inline void Element(std::string& out, const char* tag, const char* text, TextKind kind = TextKind::Verbatim) {
    const std::string value = text != nullptr ? text : "";
    out += '<';
    out += tag;
    out += '>';
    if (kind == TextKind::Escaped)
        out += EscapedContent(value);
    else if (kind == TextKind::CData)
        out += CDataContent(value);
    else
        out += VerbatimContent(value);
    out += "</";
    out += tag;
    out += '>';
    ExpectLeaf(tag, value.c_str());
}

inline void Element(std::string& out, const char* tag, int32_t value) {
    Element(out, tag, std::to_string(value).c_str());
}

// Whether [p, end) starts with `prefix`.
inline bool StartsWith(const char* p, const char* end, const char* prefix) {
    for (; *prefix != '\0'; ++p, ++prefix)
        if (p == end || *p != *prefix) return false;
    return true;
}

inline std::string Where(const char* what, ptrdiff_t at) { return what + (" at " + std::to_string(at)); }

// A sequence of balanced elements: every "<name>" closed by its "</name>" in
// order, CDATA sections complete, no '>' in text, and every '&' the start of
// one of the five entities. Empty text passes. (Plain loops: every call into
// the library here would be traced.)
inline bool Balanced(std::string_view xml, std::string* why) {
    static const char* const kEntities[] = {"&amp;", "&lt;", "&gt;", "&apos;", "&quot;"};
    const char* const begin = xml.data();
    const char* const end = begin + xml.size();
    std::vector<std::string_view> open;
    for (const char* p = begin; p != end;) {
        if (*p == '&') {
            const char* entity = nullptr;
            for (const char* known : kEntities)
                if (StartsWith(p, end, known)) entity = known;
            if (entity == nullptr) return *why = Where("bare &", p - begin), false;
            p += std::strlen(entity);
        } else if (*p == '>') {
            return *why = Where("stray >", p - begin), false;
        } else if (*p != '<') {
            ++p;
        } else if (StartsWith(p, end, "<![CDATA[")) {
            const char* close = p + 9;
            while (close != end && !StartsWith(close, end, "]]>")) ++close;
            if (close == end) return *why = Where("CDATA not closed", p - begin), false;
            p = close + 3;
        } else {
            const bool closing = p + 1 != end && p[1] == '/';
            const char* const name = p + (closing ? 2 : 1);
            const char* q = name;
            while (q != end && *q != '>' && *q != '<' && *q != '/' && *q != '&') ++q;
            if (q == end || *q != '>' || q == name) return *why = Where("broken tag", p - begin), false;
            const std::string_view tag(name, static_cast<size_t>(q - name));
            if (!closing) {
                open.push_back(tag);
            } else {
                if (open.empty() || open.back() != tag)
                    return *why = "</" + std::string(tag) + "> does not close " +
                                  (open.empty() ? "anything" : std::string(open.back())),
                           false;
                open.pop_back();
            }
            p = q + 1;
        }
    }
    if (!open.empty()) return *why = "<" + std::string(open.back()) + "> never closed", false;
    return true;
}

// Ends the run with the first difference when `actual` is not `expected`.
inline void ExpectSame(const char* what, std::string_view actual, std::string_view expected) {
    if (actual == expected) return;
    size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) ++at;
    const size_t from = at > 40 ? at - 40 : 0;
    std::fprintf(stderr, "%s differs at byte %zu of %zu (expected %zu)\n  actual:   %s\n  expected: %s\n", what, at,
                 actual.size(), expected.size(), std::string(actual.substr(from, 120)).c_str(),
                 std::string(expected.substr(from, 120)).c_str());
    std::abort();
}

inline void ExpectBalanced(const char* what, const Program& program, std::string_view xml) {
    if (!program.clean()) return;
    std::string why;
    if (Balanced(xml, &why)) return;
    std::fprintf(stderr, "%s is not balanced: %s\n", what, why.c_str());
    std::abort();
}

VORLAN_FUZZ_REFERENCE_END

}  // namespace FuzzRecords
