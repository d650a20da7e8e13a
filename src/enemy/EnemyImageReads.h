#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "enemy/EnemyForm.h"
#include "rom/RomStream.h"
#include "text/ExtensionTable.h"

namespace varn {

// Reading the enemy tables without reading past the end of the image: an entry that does not
// lie wholly inside the image is absent.

// A table read in one piece: `count` entries of `entrySize` bytes from `offset`, as many of
// them as the image holds.
class TableBlock {
public:
    TableBlock(RomStream& image, std::uint64_t offset, int entrySize, int count);

    // Entry i, or nullopt when it lies past the end of the image (or outside the table).
    std::optional<std::span<const std::uint8_t>> entry(int i) const;

private:
    std::vector<std::uint8_t> bytes_;
    int entrySize_;
    int present_ = 0;
};

// `N` bytes at `offset`, or nullopt when they do not lie inside the image.
template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> ReadArray(RomStream& image, std::uint64_t offset)
{
    std::array<std::uint8_t, N> bytes{};
    if (!image.contains(offset, N) || !image.readAt(offset, bytes))
        return std::nullopt;
    return bytes;
}

// The byte at `offset`, or nullopt past the end of the image.
std::optional<std::uint8_t> ReadByte(RomStream& image, std::uint64_t offset);

// A 16-bit little-endian value at `offset`.
std::optional<std::uint16_t> ReadWord(RomStream& image, std::uint64_t offset);

// The text of a fixed game-text field; empty when it does not decode.
std::string DecodeGameName(std::span<const std::uint8_t> field, const ExtensionTable& extensions);

} // namespace varn
