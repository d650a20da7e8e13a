#pragma once

#include <cstdint>
#include <span>

namespace varn {

// The CRC-32 of `bytes` (the checksum of zip files and of BPS patches: polynomial 0xEDB88320,
// starting from and finished with all bits inverted), computed with zlib.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

} // namespace varn
