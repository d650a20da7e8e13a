#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace varn {

// The integer an MML argument text stands for: decimal with an optional leading "-" within
// 32 bits, or "0x" and one to eight hexadecimal digits (taken as 32 bits, so "0xFFFFFFFF" is
// -1). Anything else ("", "1.5", "0x", "0x2;", a number too large) is no integer.
std::optional<std::int32_t> MmlInteger(std::string_view text);

} // namespace varn
