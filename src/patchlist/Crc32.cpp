#include "patchlist/Crc32.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

namespace varn {

std::uint32_t Crc32(std::span<const std::uint8_t> bytes)
{
    // zlib takes the length as uInt: long inputs go in pieces.
    constexpr std::size_t kPiece = std::numeric_limits<uInt>::max();
    uLong crc = crc32(0, Z_NULL, 0);
    while (!bytes.empty()) {
        const std::size_t count = std::min(bytes.size(), kPiece);
        crc = crc32(crc, bytes.data(), static_cast<uInt>(count));
        bytes = bytes.subspan(count);
    }
    return static_cast<std::uint32_t>(crc);
}

} // namespace varn
