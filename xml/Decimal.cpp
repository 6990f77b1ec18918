#include "xml/Decimal.h"

#include <cstring>

namespace Utils {
namespace Xml {

char* WriteDecimal(char* at, int32_t value) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    uint32_t magnitude = Magnitude(value);
    if (value < 0) *at++ = '-';
    if (magnitude < 10) {
        *at = static_cast<char>('0' + magnitude);
        return at + 1;
    }
    char* const end = at + DigitCount(magnitude);
    char* p = end;
    while (magnitude >= 100) {
        const uint32_t pair = magnitude % 100;
        magnitude /= 100;
        p -= 2;
        std::memcpy(p, kPairs + 2 * pair, 2);
    }
    if (magnitude >= 10) {
        p -= 2;
        std::memcpy(p, kPairs + 2 * magnitude, 2);
    } else {
        *--p = static_cast<char>('0' + magnitude);
    }
    return end;
}

}  // namespace Xml
}  // namespace Utils
