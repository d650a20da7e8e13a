#pragma once

#include <cstdint>
#include <string>

namespace varn {

// `value` in upper-case hexadecimal with at least `width` digits ("0A", "5A4440"); a negative
// value shows its 32-bit two's complement.
std::string HexDigits(std::int64_t value, int width);

} // namespace varn
