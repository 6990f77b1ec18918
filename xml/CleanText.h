#pragma once

// The common case of every text field, in one pass: the length of a C string
// and whether it holds any byte its field kind must look at. It takes the
// place of strlen, at about its cost, so that a clean text costs what it did
// before documents were checked.
//
// The SSE2 path reads the 32 bytes from the text's start when they stay
// within its page, then whole aligned 16-byte blocks up to the one holding the
// terminating zero, as strlen does: nothing is read that could fault, but
// bytes around the text are read (and ignored). The sanitizers are told so;
// the portable path reads the text alone.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "xml/Simd.h"

// Under a sanitizer, which would report the reads around the text, the scan
// is a function of its own that the sanitizer leaves alone; elsewhere it is
// inlined into the walks.
#if defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define VORLAN_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define VORLAN_SANITIZED 1
#endif
#if VORLAN_SSE2 && defined(VORLAN_SANITIZED) && defined(__clang__)
#define VORLAN_WHOLE_BLOCKS __attribute__((no_sanitize("address", "thread"))) inline
#elif VORLAN_SSE2 && defined(VORLAN_SANITIZED)
#define VORLAN_WHOLE_BLOCKS __attribute__((no_sanitize_address, no_sanitize_thread)) inline
#elif defined(__GNUC__) && !defined(VORLAN_COVERAGE)
#define VORLAN_WHOLE_BLOCKS inline __attribute__((always_inline))
#else
#define VORLAN_WHOLE_BLOCKS inline
#endif

namespace Utils {
namespace Xml {

// Which bytes make a text unclean besides every control (tab, line feed and
// carriage return included: the careful path lets them pass) and every byte
// above 0x7F.
enum class CleanFor { Verbatim, Escaped, CData };

#if VORLAN_SSE2
// 0xFF in each lane holding the terminating zero or a byte of `kind`'s concern.
template <CleanFor kind>
inline __m128i ZeroOrStopLanes(__m128i v) {
    // Signed: the controls, the zero and every byte above 0x7F are below 0x20.
    __m128i lanes = _mm_cmplt_epi8(v, _mm_set1_epi8(0x20));
    if (kind == CleanFor::CData) return _mm_or_si128(lanes, _mm_cmpeq_epi8(v, _mm_set1_epi8('>')));
    // '<' and '>' differ only in bit 1.
    lanes = _mm_or_si128(lanes, _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(2)), _mm_set1_epi8('>')));
    if (kind == CleanFor::Verbatim) return _mm_or_si128(lanes, _mm_cmpeq_epi8(v, _mm_set1_epi8('&')));
    // '&' and '\'' differ only in bit 0.
    lanes = _mm_or_si128(lanes, _mm_cmpeq_epi8(_mm_or_si128(v, _mm_set1_epi8(1)), _mm_set1_epi8('\'')));
    return _mm_or_si128(lanes, _mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
}
#endif

// Where a caller passes a literal, GCC sees the reads beyond it and warns.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
#pragma GCC diagnostic ignored "-Wstringop-overread"
#endif

// Sets *length to strlen(text) (0 for null) and returns the index of the
// first byte that is not clean for `kind` (a control, a byte above 0x7F, the
// kind's markup), or *length when there is none.
template <CleanFor kind>
VORLAN_WHOLE_BLOCKS size_t CleanRun(const char* text, size_t* length) {
    if (text == nullptr) {
        *length = 0;
        return 0;
    }
#if VORLAN_SSE2
    // Most texts are short: the 32 bytes from the text's start, when they
    // stay within its page, then aligned blocks from there on.
    const char* from = text;
    if ((reinterpret_cast<uintptr_t>(text) & 4095) <= 4096 - 32) {
        const unsigned low = static_cast<unsigned>(
            _mm_movemask_epi8(ZeroOrStopLanes<kind>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text)))));
        const unsigned high = static_cast<unsigned>(
            _mm_movemask_epi8(ZeroOrStopLanes<kind>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 16)))));
        const unsigned head = low | high << 16;
        if (head != 0) {
            const size_t run = static_cast<size_t>(__builtin_ctz(head));
            *length = text[run] == '\0' ? run : run + std::strlen(text + run);
            return run;
        }
        from = text + 32;
    }
    const size_t skip = reinterpret_cast<uintptr_t>(from) & 15;
    const char* block = from - skip;
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(
                        ZeroOrStopLanes<kind>(_mm_load_si128(reinterpret_cast<const __m128i*>(block))))) >>
                    skip << skip;
    while (mask == 0) {
        block += 16;
        mask = static_cast<unsigned>(
            _mm_movemask_epi8(ZeroOrStopLanes<kind>(_mm_load_si128(reinterpret_cast<const __m128i*>(block)))));
    }
    const char* first = block + __builtin_ctz(mask);
    const size_t run = static_cast<size_t>(first - text);
    *length = *first == '\0' ? run : run + std::strlen(first);
    return run;
#else
    for (const char* at = text;; ++at) {
        const unsigned char c = static_cast<unsigned char>(*at);
        const bool stop = c < 0x20 || c >= 0x80 || c == '>' || (kind != CleanFor::CData && (c == '<' || c == '&')) ||
                          (kind == CleanFor::Escaped && (c == '\'' || c == '"'));
        if (!stop) continue;
        const size_t run = static_cast<size_t>(at - text);
        *length = c == 0 ? run : run + std::strlen(at);
        return run;
    }
#endif
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

}  // namespace Xml
}  // namespace Utils
