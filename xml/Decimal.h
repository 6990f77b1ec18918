#pragma once

// Signed 32-bit values in decimal, as "%d" writes them: a "-" for negative
// values, no padding.

#include <cstddef>
#include <cstdint>

namespace Utils {
namespace Xml {

constexpr size_t kLongestDecimal = 11;  // "-2147483648"

inline uint32_t Magnitude(int32_t value) {
    // Unsigned arithmetic, so INT32_MIN has one too.
    return value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
}

inline size_t DigitCount(uint32_t n) {
    // Most values written are small: line numbers, counts, enumerations.
    if (n < 10u) return 1;
    if (n < 100u) return 2;
    if (n < 1000u) return 3;
    if (n < 10000u) return 4;
    size_t digits = 5;
    for (n /= 100000u; n != 0; n /= 10u) ++digits;
    return digits;
}

inline size_t DecimalLength(int32_t value) { return (value < 0 ? 1 : 0) + DigitCount(Magnitude(value)); }

// Writes `value` at `at` (at most kLongestDecimal bytes); returns the end.
char* WriteDecimal(char* at, int32_t value);

}  // namespace Xml
}  // namespace Utils
