// Technique and spell graphics as the page "技術グラフィック" reads them: Skill::ReadGraphic on
// an image whose pointer, palette and compressed data come from the input, for every
// category, with and without a copier header, and with the image ending anywhere around what
// is read.
//
// Input: graphic category, graphic ID, palette category, palette ID (each taken modulo what
// the page offers), a flag byte (bit 0: copier header; bits 1-2: where the image ends), three
// bytes for the size, three pointer bytes, 32 palette bytes, then the compressed data.
//
// The graphic read must be what a plain reading of the format gives, with every byte past
// the end of the image taken as zero and the expansion ending with the image; the stream
// itself breaks the run when anything outside the image is asked for. The compressed data is
// also expanded on its own, and the decoded data compressed and expanded again.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "graphics/GifCodec.h"
#include "graphics/SnesColor.h"
#include "skill/Skill.h"

namespace varn::fuzz {
namespace {

constexpr std::size_t kHeadBytes = 11 + 32;

// The expansion as the format describes it, written out separately from the one under test.
SkillTiles PlainExpansion(std::span<const std::uint8_t> data, int tileBytes)
{
    std::vector<std::uint8_t> out;
    std::size_t i = 0;
    while (out.size() < kSkillTileDataBytes && i < data.size()) {
        if (data[i] != 0) {
            out.push_back(data[i++]);
        } else if (i + 1 < data.size()) {
            const std::size_t run = data[i + 1] == 0 ? static_cast<std::size_t>(tileBytes) : data[i + 1];
            out.insert(out.end(), run, 0);
            i += 2;
        } else {
            break;
        }
    }
    SkillTiles tiles{};
    std::copy_n(out.begin(), std::min(out.size(), tiles.size()), tiles.begin());
    return tiles;
}

void CheckCompression(const SkillTiles& tiles)
{
    for (const int tileBytes : {16, 24}) {
        const std::vector<std::uint8_t> data = CompressSkillTiles(tiles, tileBytes);
        Require(data.size() <= kMaxSkillCompressedBytes, "compressed data fits what is read");
        Require(ExpandSkillGraphic(data, tileBytes) == tiles, "compressing and expanding keep the tiles");
    }
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    using fuzz::Require;
    if (size < fuzz::kHeadBytes)
        return 0;
    const auto input = fuzz::Bytes(data, size);
    const auto compressed = input.subspan(fuzz::kHeadBytes);

    // The compressed data on its own.
    for (const int tileBytes : {16, 24}) {
        const SkillTiles expanded = ExpandSkillGraphic(compressed, tileBytes);
        Require(expanded == fuzz::PlainExpansion(compressed, tileBytes), "the expansion follows the format");
        fuzz::CheckCompression(expanded);
    }

    Skill skill;
    skill.graphicCategory = input[0] % static_cast<int>(kSkillGraphicCategories.size());
    const SkillGraphicCategory& graphics = kSkillGraphicCategories[static_cast<std::size_t>(skill.graphicCategory)];
    skill.graphicId = input[1] % graphics.idCount;
    skill.paletteCategory = input[2] % static_cast<int>(kSkillPaletteCategories.size());
    const SkillPaletteCategory& palettes = kSkillPaletteCategories[static_cast<std::size_t>(skill.paletteCategory)];
    skill.paletteId = input[3] % palettes.idCount;
    skill.headerOffset = (input[4] & 1) ? kSkillCopierHeaderBytes : 0;
    const std::uint32_t parameter = input[5] | (input[6] << 8) | (std::uint32_t{input[7]} << 16);

    const std::uint64_t header = static_cast<std::uint64_t>(skill.headerOffset);
    const std::uint64_t pointerAt = graphics.pointerTable + header +
                                    std::uint64_t(skill.graphicId) * static_cast<std::uint64_t>(graphics.pointerSize);
    std::uint32_t value = 0;
    for (int i = 0; i < graphics.pointerSize; ++i)
        value |= std::uint32_t{input[8 + static_cast<std::size_t>(i)]} << (8 * i);
    const std::uint64_t dataAt = SkillPointerOffset(graphics, value) + header;
    const std::uint64_t paletteAt = palettes.table + header +
                                    std::uint64_t(skill.paletteId) * static_cast<std::uint64_t>(palettes.paletteBytes());
    std::uint64_t imageSize = 0;
    switch ((input[4] >> 1) & 3) {
    case 0:
        imageSize = parameter;
        break;
    case 1:
        imageSize = pointerAt + parameter % 8;
        break;
    case 2:
        imageSize = dataAt + parameter % (2 * kMaxSkillCompressedBytes);
        break;
    default:
        imageSize = paletteAt + parameter % 40;
        break;
    }
    imageSize = std::max<std::uint64_t>(imageSize, 1);

    // Data first, so the pointer and palette win where they overlap it, as in a real image.
    fuzz::SparseRomStream rom(imageSize, {}, false);
    rom.place(dataAt, compressed);
    rom.place(paletteAt, input.subspan(11, static_cast<std::size_t>(palettes.paletteBytes())));
    rom.place(pointerAt, input.subspan(8, static_cast<std::size_t>(graphics.pointerSize)));
    const auto byteAt = [&](std::uint64_t offset) -> std::uint8_t {
        return offset < imageSize ? rom.at(offset) : 0;
    };

    Require(skill.ReadGraphic(rom).ok(), "a selection the page offers is read");

    // What a plain reading gives.
    SkillPalette palette{};
    if (palettes.fixed) {
        palette = FixedSkillPalette(skill.paletteId);
    } else {
        for (int i = 0; i < palettes.colours; ++i)
            palette[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(
                byteAt(paletteAt + 2 * std::uint64_t(i)) | (byteAt(paletteAt + 2 * std::uint64_t(i) + 1) << 8));
    }
    Require(skill.palette == palette, "the palette is the bytes there, zero past the end");
    std::uint32_t stored = 0;
    for (int i = 0; i < graphics.pointerSize; ++i)
        stored |= std::uint32_t{byteAt(pointerAt + std::uint64_t(i))} << (8 * i);
    SkillTiles tiles{};
    if (graphics.pointerSize == 2 || stored != 0) {
        const std::uint64_t start = SkillPointerOffset(graphics, stored) + header;
        std::vector<std::uint8_t> visible(
            start < imageSize ? std::min<std::uint64_t>(imageSize - start, kMaxSkillCompressedBytes)
                              : 0);
        rom.peek(start, visible);
        tiles = fuzz::PlainExpansion(visible, graphics.tileBytes());
    }
    Require(skill.tiles == tiles, "the graphic is the data there, ending with the image");

    const GifImage& image = skill.shownImage;
    Require(ValidateGifImage(image).ok() && image.width == 128 && image.height == 16 &&
                image.frames.size() == 1 && image.colors.size() == 16,
            "the shown graphic is one 128 x 16 frame of 16 colours");
    for (std::size_t i = 0; i < 16; ++i)
        Require(image.colors[i] == SnesToImageColor(palette[i]), "the colours are the palette's");
    const GifFrame& frame = image.frames.front();
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 128; ++x) {
            const int tile = (y / 8) * 16 + x / 8;
            int index = 0;
            for (int plane = 0; plane < graphics.bitsPerPixel; ++plane) {
                const std::uint8_t bits =
                    tiles[static_cast<std::size_t>(tile * graphics.tileBytes() + 8 * plane + y % 8)];
                index |= ((bits >> (7 - x % 8)) & 1) << plane;
            }
            Require(frame.pixel(x, y) == index, "the pixels are the tiles' in the category's format");
        }
    }
    fuzz::CheckCompression(skill.tiles);
    Require(EncodeGif(image).ok(), "the shown graphic can be saved");
    return 0;
}
