#include "music/MmlInteger.h"

#include "rom/HexText.h"

namespace varn {

namespace {

} // namespace

std::optional<std::int32_t> MmlInteger(std::string_view text)
{
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        const std::string_view digits = text.substr(2);
        if (digits.size() > 8)
            return std::nullopt;
        std::uint32_t value = 0;
        for (char c : digits) {
            const int digit = HexDigitValue(c);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(digit);
        }
        return static_cast<std::int32_t>(value);
    }

    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty())
        return std::nullopt;
    const std::int64_t limit = negative ? 2147483648LL : 2147483647LL;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

} // namespace varn
