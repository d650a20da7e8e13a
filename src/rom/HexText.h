#pragma once

#include <cstdint>
#include <string>

namespace varn {

// `value` in upper-case hexadecimal with at least `width` digits ("0A", "5A4440"); a negative
// value shows its 32-bit two's complement.
std::string HexDigits(std::int64_t value, int width);

// The value of a hexadecimal digit of either case, or -1.
constexpr int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace varn
