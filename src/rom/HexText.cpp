#include "rom/HexText.h"

#include <charconv>
#include <system_error>

namespace varn {

namespace {

template <class Char>
std::optional<std::uint32_t> ParseHexText(std::basic_string_view<Char> text,
                                          std::size_t minDigits, std::size_t maxDigits)
{
    if (text.size() < minDigits || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const Char c : text) {
        int digit = -1;
        if constexpr (sizeof(Char) == 1)
            digit = HexDigitValue(c);
        else if (c <= 0x7F)
            digit = HexDigitValue(static_cast<char>(c));
        if (digit < 0 || value > 0x0FFFFFFF)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return value;
}

} // namespace

std::string HexDigits(std::int64_t value, int width)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    auto bits = value < 0 ? static_cast<std::uint64_t>(static_cast<std::uint32_t>(value))
                          : static_cast<std::uint64_t>(value);
    std::string text;
    do {
        text.insert(text.begin(), kDigits[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), '0');
    return text;
}

std::optional<std::uint32_t> ParseHex(std::string_view text, std::size_t minDigits,
                                      std::size_t maxDigits)
{
    return ParseHexText(text, minDigits, maxDigits);
}

std::optional<std::uint32_t> ParseHex(std::u32string_view text, std::size_t minDigits,
                                      std::size_t maxDigits)
{
    return ParseHexText(text, minDigits, maxDigits);
}

std::optional<std::uint32_t> ParseDecimal(std::string_view text, std::size_t minDigits,
                                          std::size_t maxDigits)
{
    if (text.size() < minDigits || text.size() > maxDigits)
        return std::nullopt;
    if (text.empty())
        return 0;
    // from_chars takes no sign for an unsigned value and says when the value does not fit.
    std::uint32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

std::string_view TrimSpacesAndTabs(std::string_view text)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool DropHexPrefix(std::string_view& text)
{
    if (!text.starts_with("0x") && !text.starts_with("0X"))
        return false;
    text.remove_prefix(2);
    return true;
}

} // namespace varn
