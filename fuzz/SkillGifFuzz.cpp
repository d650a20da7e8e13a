// GIF files dropped on the write panel of the page "技術グラフィック": Skill::ImportImageBytes,
// then, for an image it accepts, WriteGraphic into an expanded image and ReadGraphic of what
// was written.
//
// An accepted image is 128 x 16 with colours 0 to 7; written and read back it must give the
// same pixels and its first 8 colours (as SNES colours), and the write must touch exactly the
// pointer, the compressed data and the palette. Where the data would pass the end of the image
// the write must be refused with nothing written. The graphic ID, palette ID, copier header
// and write address come from the bytes of the input, so that they vary with it.

#include <cstddef>
#include <cstdint>
#include <numeric>
#include <vector>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "graphics/SnesColor.h"
#include "skill/Skill.h"

namespace varn::fuzz {
namespace {

constexpr std::uint64_t kImageSize = 0x600000;

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    using fuzz::Require;
    const auto input = fuzz::Bytes(data, size);
    Skill skill;
    if (const Status imported = skill.ImportImageBytes(input); !imported) {
        Require(!imported.message().empty() && imported.message() == skill.message,
                "a refused GIF says why");
        Require(!fuzz::HoldsAGiflibMessage(imported.message()),
                "a refused GIF says why in the program's words");
        Require(skill.importedImage.frames.empty(), "a refused GIF is not kept");
        return 0;
    }
    Require(CheckSkillImage(skill.importedImage).ok(), "an accepted GIF passes the checks");

    const std::uint32_t mix = std::accumulate(input.begin(), input.end(), std::uint32_t{0},
                                              [](std::uint32_t a, std::uint8_t b) { return a * 31 + b; });
    skill.graphicCategory = kWritableGraphicCategory;
    skill.paletteCategory = kWritablePaletteCategory;
    skill.graphicId = static_cast<int>(mix & 0xFF);
    skill.paletteId = static_cast<int>((mix >> 8) & 0xFF);
    skill.writePalette = (mix & 0x10000) != 0;
    skill.headerOffset = (mix & 0x20000) ? kSkillCopierHeaderBytes : 0;
    // An address that fits, or one near the end where the data may not.
    const int addresses[] = {0x1F0000, 0x5D0000, 0xC12345,
                             static_cast<int>(fuzz::kImageSize) - 1 - static_cast<int>((mix >> 18) & 0x7FF)};
    skill.writeAddress = addresses[(mix >> 29) & 3];
    const int requested = skill.writeAddress;

    const std::vector<std::uint8_t> compressed =
        CompressSkillTiles(EncodeSkillTiles(skill.importedImage.frames.front()), 24);
    const std::uint64_t header = static_cast<std::uint64_t>(skill.headerOffset);
    const std::uint64_t target = (requested >= 0xC00000 ? requested - 0xC00000 : requested) + header;

    fuzz::SparseRomStream rom(fuzz::kImageSize, {});
    const Status written = skill.WriteGraphic(rom);
    if (target + compressed.size() > fuzz::kImageSize) {
        Require(!written.ok() && written.message() == kSkillOutsideImageMessage,
                "data past the end is refused");
        Require(rom.written().empty(), "a refused write writes nothing");
        Require(skill.writeAddress == requested, "a refused write keeps the address");
        return 0;
    }
    Require(written.ok(), "an accepted GIF is written where it fits");
    Require(skill.writeAddress == static_cast<int>(target + compressed.size() - 1),
            "the address afterwards is the data's last byte");

    // Exactly the pointer, the data and the palette were written.
    const std::uint64_t pointerAt = 0x5BFBC0 + header + 3 * std::uint64_t(skill.graphicId);
    const std::uint64_t paletteAt = 0x5B8100 + header + 16 * std::uint64_t(skill.paletteId);
    const auto covered = [&](std::uint64_t offset) {
        return (offset >= pointerAt && offset < pointerAt + 3) ||
               (offset >= target && offset < target + compressed.size()) ||
               (skill.writePalette && offset >= paletteAt && offset < paletteAt + 16);
    };
    for (const auto& [start, bytes] : rom.written()) {
        for (std::uint64_t offset = start; offset < start + bytes.size(); ++offset)
            Require(covered(offset), "nothing but pointer, data and palette is written");
    }
    for (std::size_t i = 0; i < compressed.size(); ++i) {
        // The pointer or palette, written after the data, may lie over it.
        const std::uint64_t o = target + i;
        if ((o >= pointerAt && o < pointerAt + 3) || (skill.writePalette && o >= paletteAt && o < paletteAt + 16))
            continue;
        Require(rom.at(o) == compressed[i], "the data is the compressed tiles");
    }

    // Reading it back gives the picture (where pointer and palette leave the data intact).
    const bool overlaps = (pointerAt < target + compressed.size() && target < pointerAt + 3) ||
                          (skill.writePalette && paletteAt < target + compressed.size() && target < paletteAt + 16);
    if (overlaps)
        return 0;
    Skill reader;
    reader.graphicCategory = kWritableGraphicCategory;
    reader.graphicId = skill.graphicId;
    reader.paletteCategory = kWritablePaletteCategory;
    reader.paletteId = skill.paletteId;
    reader.headerOffset = skill.headerOffset;
    Require(reader.ReadGraphic(rom).ok(), "the written graphic is read");
    Require(reader.shownImage.frames.front().pixels == skill.importedImage.frames.front().pixels,
            "the written graphic reads back as it was drawn");
    if (skill.writePalette) {
        const auto colours = SkillImageColours(skill.importedImage);
        for (std::size_t i = 0; i < 8; ++i)
            Require(reader.palette[i] == ImageToSnesColor(colours[i]), "the written palette reads back");
    }
    return 0;
}
