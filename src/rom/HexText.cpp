#include "rom/HexText.h"

namespace varn {

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

} // namespace varn
