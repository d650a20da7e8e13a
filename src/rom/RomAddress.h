#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace varn {

class RomStream;

// The image is high-mapped and has no copier header: every table lies at a raw file offset.
// Pointers stored in the image are three bytes, low, high, bank.

// An image larger than 4 MiB has the expanded area above 0x400000 (4 MiB exactly has not).
inline constexpr std::uint64_t kExpandedImageThreshold = 0x400000;

// A stored pointer (low | high << 8 | bank << 16) as a file offset: banks from 0xC0 address
// (bank - 0xC0) * 0x10000 + low 16 bits; lower banks bank * 0x10000 + low 16 bits, so banks
// 0x40 to 0x7F reach the expanded area.
constexpr std::uint32_t PointerToOffset(std::uint32_t pointer)
{
    const std::uint32_t bank = (pointer >> 16) & 0xFF;
    const std::uint32_t low = pointer & 0xFFFF;
    return bank >= 0xC0 ? (bank - 0xC0) * 0x10000 + low : bank * 0x10000 + low;
}

// A file offset as the pointer the game stores for it: below 0x400000 in the 0xC0 banks,
// above it as the offset itself.
constexpr std::uint32_t OffsetToPointer(std::uint32_t offset)
{
    return offset < 0x400000 ? offset + 0xC00000 : offset;
}

// The three stored bytes of a pointer and back.
constexpr std::uint32_t PointerFromBytes(std::span<const std::uint8_t, 3> bytes)
{
    return bytes[0] | (bytes[1] << 8) | (std::uint32_t{bytes[2]} << 16);
}

constexpr std::array<std::uint8_t, 3> PointerBytes(std::uint32_t pointer)
{
    return {static_cast<std::uint8_t>(pointer), static_cast<std::uint8_t>(pointer >> 8),
            static_cast<std::uint8_t>(pointer >> 16)};
}

constexpr bool IsExpandedImageSize(std::uint64_t size)
{
    return size > kExpandedImageThreshold;
}

// Whether the image has the expanded area, measured from its size.
bool IsExpandedImage(const RomStream& stream);

} // namespace varn
