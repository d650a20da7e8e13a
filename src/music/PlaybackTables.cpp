#include "music/PlaybackTables.h"

namespace varn {

void PackMusicNumber(std::span<std::uint8_t, kPackedMusicNumberSize> bytes,
                     std::uint8_t musicNumber)
{
    bytes[0] = static_cast<std::uint8_t>(bytes[0] | 0x04);
    bytes[2] = static_cast<std::uint8_t>((bytes[2] & 0x03) | ((musicNumber & 0x3F) << 2));
    bytes[3] = static_cast<std::uint8_t>((bytes[3] & 0x7F) | (musicNumber & 0x80));
    bytes[4] = static_cast<std::uint8_t>((bytes[4] & 0x7F) | ((musicNumber & 0x40) << 1));
}

std::uint8_t UnpackMusicNumber(std::span<const std::uint8_t, kPackedMusicNumberSize> bytes)
{
    return static_cast<std::uint8_t>(((bytes[2] >> 2) & 0x3F) | (bytes[3] & 0x80) |
                                     ((bytes[4] & 0x80) >> 1));
}

} // namespace varn
