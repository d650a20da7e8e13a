#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Any number of digits, for ParseHex.
inline constexpr std::size_t kAnyHexDigits = std::string_view::npos;

// The value of `text` read as hexadecimal: `minDigits` to `maxDigits` digits of either case
// and nothing else (no sign, no "0x", no spaces). Nullopt for other text, and for a value
// above 0xFFFFFFFF (only possible with more than eight digits). Callers that accept spaces or
// a prefix take them away first (DropHexPrefix).
std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t minDigits = 1,
                                      std::size_t maxDigits = kAnyHexDigits);
// The same for text of whole characters: a character outside ASCII is no digit.
std::optional<std::uint32_t> ParseHex(std::u32string_view text, std::size_t minDigits = 1,
                                      std::size_t maxDigits = kAnyHexDigits);

// The value of `text` read as decimal, as ParseHex reads hexadecimal: `minDigits` to
// `maxDigits` ASCII digits and nothing else (no sign, no spaces). Nullopt for other text and
// for a value above 0xFFFFFFFF.
std::optional<std::uint32_t> ParseDecimal(std::string_view text, std::size_t minDigits = 1,
                                          std::size_t maxDigits = kAnyHexDigits);

// `text` without the ASCII spaces and tabs around it, as a number typed in a field may have.
std::string_view TrimSpacesAndTabs(std::string_view text);

// Takes a "0x" or "0X" in front of `text` away; whether there was one.
bool DropHexPrefix(std::string_view& text);

} // namespace varn
