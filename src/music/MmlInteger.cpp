#include "music/MmlInteger.h"

#include "rom/HexText.h"

namespace varn {

std::optional<std::int32_t> MmlInteger(std::string_view text)
{
    if (std::string_view digits = text; text.size() > 2 && DropHexPrefix(digits)) {
        const std::optional<std::uint32_t> value = ParseHex(digits, 1, 8);
        if (!value)
            return std::nullopt;
        return static_cast<std::int32_t>(*value);
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
