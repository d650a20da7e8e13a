#include <gtest/gtest.h>

#include <random>

#include "SkillTestSupport.h"
#include "graphics/SnesColor.h"
#include "skill/Skill.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

// The colour index of pixel (x, y) of a graphic, straight from the format: tile t at
// (8 (t mod 16), 8 (t / 16)), plane p of row y at byte 8p + y of the tile, pixel x bit 7 - x.
std::uint8_t ReferencePixel(const SkillTiles& tiles, int bits, int x, int y)
{
    const int tile = (y / 8) * 16 + x / 8;
    int index = 0;
    for (int plane = 0; plane < bits; ++plane) {
        const std::uint8_t byte = tiles[static_cast<std::size_t>(tile * 8 * bits + 8 * plane + y % 8)];
        index |= ((byte >> (7 - x % 8)) & 1) << plane;
    }
    return static_cast<std::uint8_t>(index);
}

Bytes PaletteBytes(std::initializer_list<std::uint16_t> words)
{
    Bytes bytes;
    for (std::uint16_t word : words) {
        bytes.push_back(static_cast<std::uint8_t>(word));
        bytes.push_back(static_cast<std::uint8_t>(word >> 8));
    }
    return bytes;
}

// Decoded data for a graphic: random bytes, with whole empty tiles and short zero runs.
SkillTiles RandomTiles(unsigned seed, int bits)
{
    std::mt19937 random(seed);
    SkillTiles tiles{};
    const std::size_t used = static_cast<std::size_t>(kSkillTileCount * 8 * bits);
    for (std::size_t i = 0; i < used; ++i)
        tiles[i] = random() % 3 == 0 ? 0 : static_cast<std::uint8_t>(random());
    for (std::size_t i = 0; i < static_cast<std::size_t>(8 * bits); ++i)
        tiles[5 * 8 * bits + i] = 0;
    return tiles;
}

void ExpectPicture(const Skill& skill, const SkillTiles& tiles, int bits)
{
    const GifImage& image = skill.shownImage;
    ASSERT_EQ(image.width, 128);
    ASSERT_EQ(image.height, 16);
    ASSERT_EQ(image.frames.size(), 1u);
    const GifFrame& frame = image.frames.front();
    EXPECT_TRUE(frame.colors.empty()) << "the colours are the image's global table";
    ASSERT_TRUE(frame.control.has_value());
    EXPECT_EQ(frame.control->transparentIndex, 0);
    EXPECT_FALSE(frame.control->transparent);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 128; ++x)
            ASSERT_EQ(frame.pixel(x, y), ReferencePixel(tiles, bits, x, y)) << "x " << x << " y " << y;
    }
}

void ExpectColours(const Skill& skill, const std::vector<std::uint16_t>& words)
{
    ASSERT_EQ(skill.shownImage.colors.size(), 16u);
    for (std::size_t i = 0; i < 16; ++i) {
        const std::uint16_t word = i < words.size() ? words[i] : 0;
        EXPECT_EQ(skill.palette[i], word) << "entry " << i;
        EXPECT_EQ(skill.shownImage.colors[i], SnesToImageColor(word)) << "colour " << i;
    }
}

TEST(SkillReadTest, ReadsAGraphicThroughItsPointerWithItsPalette)
{
    // Category 1, ID 5: pointer at 0x2280C0 + 15, stored in the 0xC0 banks; palette category
    // 1, ID 3: 8 colours at 0x227380 + 48.
    const SkillTiles tiles = RandomTiles(1, 3);
    const std::vector<std::uint16_t> words{0x0000, 0x7FFF, 0x001F, 0x03E0, 0x7C00, 0x1234, 0x4321, 0x5555};
    GuardedRomStream rom(RomImageBuilder(RomImageBuilder::kPlainSize)
                             .bytes(0x2280CF, {0x00, 0x00, 0xE3})
                             .bytes(0x230000, CompressSkillTiles(tiles, 24))
                             .bytes(0x2273B0, PaletteBytes({0x0000, 0x7FFF, 0x001F, 0x03E0, 0x7C00,
                                                            0x1234, 0x4321, 0x5555}))
                             .build());
    Skill skill;
    skill.graphicCategory = 1;
    skill.graphicId = 5;
    skill.paletteCategory = 1;
    skill.paletteId = 3;
    ASSERT_TRUE(skill.ReadGraphic(rom).ok());
    EXPECT_EQ(skill.tiles, tiles);
    ExpectPicture(skill, tiles, 3);
    ExpectColours(skill, words);
}

TEST(SkillReadTest, ReadsEveryFormatAndPaletteKind)
{
    struct Case {
        const char* what;
        int graphicCategory, graphicId, paletteCategory, paletteId;
        std::size_t pointerAt;
        Bytes pointer;
        std::size_t dataAt;
        std::size_t paletteAt;
        std::vector<std::uint16_t> colours; // as stored; the shown palette has these only
    };
    const std::vector<std::uint16_t> sixteen{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0x7FFF};
    const Case cases[] = {
        {"2 bits, 4 colours", 0, 63, 0, 255, 0x228000 + 3 * 63, {0x00, 0x10, 0xE5}, 0x251000,
         0x227200 + 8 * 255, {0x1111, 0x2222, 0x3333, 0x4444}},
        {"category 2, 16 colours", 2, 1, 2, 39, 0x228240 + 3, {0x34, 0x12, 0x5C}, 0x5C1234,
         0x227B00 + 32 * 39, sixteen},
        {"reserved categories", 3, 255, 4, 255, 0x5BFBC0 + 3 * 255, {0x00, 0x00, 0x5D},
         0x5D0000, 0x5B8100 + 16 * 255, {9, 8, 7, 6, 5, 4, 3, 2}},
        {"second game", 4, 7, 5, 2, 0x130000 + 2 * 7, {0x00, 0x40}, 0x134000, 0x10C00 + 32,
         {0x7FFF, 0, 0x7FFF, 0, 0x7FFF, 0, 0x7FFF, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int bits = kSkillGraphicCategories[static_cast<std::size_t>(c.graphicCategory)].bitsPerPixel;
        const SkillTiles tiles = RandomTiles(static_cast<unsigned>(c.graphicId), bits);
        Bytes palette;
        for (std::uint16_t word : c.colours)
            palette.insert(palette.end(), {static_cast<std::uint8_t>(word), static_cast<std::uint8_t>(word >> 8)});
        // The bytes after the palette belong to the next one and are not read.
        palette.insert(palette.end(), {0xEE, 0xEE});
        GuardedRomStream rom(RomImageBuilder(RomImageBuilder::kExpandedSize)
                                 .bytes(c.pointerAt, c.pointer)
                                 .bytes(c.dataAt, CompressSkillTiles(tiles, 8 * bits))
                                 .bytes(c.paletteAt, palette)
                                 .build());
        Skill skill;
        skill.graphicCategory = c.graphicCategory;
        skill.graphicId = c.graphicId;
        skill.paletteCategory = c.paletteCategory;
        skill.paletteId = c.paletteId;
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        ExpectPicture(skill, tiles, bits);
        ExpectColours(skill, c.colours);
    }
}

TEST(SkillReadTest, BuiltInPalettesNeedNoTable)
{
    GuardedRomStream rom(RomImageBuilder(RomImageBuilder::kSmallSize).build());
    Skill skill;
    skill.graphicCategory = 0;
    skill.paletteCategory = 3;
    for (int id = 0; id < 5; ++id) {
        skill.paletteId = id;
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        ExpectColours(skill, {0x0000, 0x6BDE, 0x18C6,
                              std::array<std::uint16_t, 5>{0x02B7, 0x52D6, 0x1195, 0x68C0, 0x001F}
                                  [static_cast<std::size_t>(id)]});
    }
}

TEST(SkillReadTest, AnEmptyPointerShowsAnEmptyStripWithItsPalette)
{
    GuardedRomStream rom(RomImageBuilder(RomImageBuilder::kPlainSize)
                             .bytes(0x2280C0 + 3 * 2, {0x00, 0x00, 0x00})
                             .bytes(0x227380, PaletteBytes({0x0001, 0x0002, 0x0003, 0x0004, 0x0005,
                                                            0x0006, 0x0007, 0x0008}))
                             .build());
    Skill skill;
    skill.tiles.fill(0x99); // what an earlier graphic left
    skill.graphicId = 2;
    ASSERT_TRUE(skill.ReadGraphic(rom).ok());
    EXPECT_EQ(skill.tiles, SkillTiles{});
    ExpectPicture(skill, SkillTiles{}, 3);
    ExpectColours(skill, {1, 2, 3, 4, 5, 6, 7, 8});
}

TEST(SkillReadTest, ACopierHeaderMovesEveryTableButNotThePointerValue)
{
    const SkillTiles tiles = RandomTiles(7, 3);
    const auto build = [&](bool header) {
        return RomImageBuilder(RomImageBuilder::kExpandedSize)
            .copierHeader(header)
            .bytes(0x5BFBC0 + 3 * 9, {0x00, 0x80, 0x5D})
            .bytes(0x5D8000, CompressSkillTiles(tiles, 24))
            .bytes(0x5B8100 + 16 * 4, PaletteBytes({1, 2, 3, 4, 5, 6, 7, 8}))
            .build();
    };
    Skill plain;
    plain.graphicCategory = 3;
    plain.graphicId = 9;
    plain.paletteCategory = 4;
    plain.paletteId = 4;
    Skill behindHeader = plain;
    behindHeader.headerOffset = 512;

    GuardedRomStream plainRom(build(false));
    GuardedRomStream headerRom(build(true));
    ASSERT_TRUE(plain.ReadGraphic(plainRom).ok());
    ASSERT_TRUE(behindHeader.ReadGraphic(headerRom).ok());
    EXPECT_EQ(plain.tiles, tiles);
    EXPECT_EQ(behindHeader.tiles, tiles);
    EXPECT_EQ(behindHeader.palette, plain.palette);
    EXPECT_EQ(behindHeader.shownImage.frames.front().pixels, plain.shownImage.frames.front().pixels);
}

TEST(SkillReadTest, NothingIsReadPastTheEndOfTheImage)
{
    const SkillTiles tiles = RandomTiles(3, 3);
    const Bytes data = CompressSkillTiles(tiles, 24);
    Skill skill;
    skill.graphicCategory = 1;
    skill.paletteCategory = 1;

    // The pointer table and the palette table lie past the end: an empty strip, black.
    {
        GuardedRomStream rom(RomImageBuilder(RomImageBuilder::kSmallSize).build());
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        EXPECT_EQ(skill.tiles, SkillTiles{});
        ExpectColours(skill, {});
    }
    // The data is cut by the end of the image: what is there, then zeros.
    {
        Bytes image = RomImageBuilder(RomImageBuilder::kPlainSize)
                          .bytes(0x2280C0, {0xF0, 0xFF, 0xFF})
                          .build();
        const std::size_t at = 0x3FFFF0;
        std::copy_n(data.begin(), 16, image.begin() + static_cast<std::ptrdiff_t>(at));
        GuardedRomStream rom(image);
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        const SkillTiles expected = ExpandSkillGraphic(std::span(data).first(16), 24);
        EXPECT_EQ(skill.tiles, expected);
        EXPECT_NE(skill.tiles, SkillTiles{});
    }
    // A pointer beyond the image.
    {
        GuardedRomStream rom(
            RomImageBuilder(RomImageBuilder::kPlainSize).bytes(0x2280C0, {0x00, 0x00, 0x7F}).build());
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        EXPECT_EQ(skill.tiles, SkillTiles{});
    }
    // A palette cut in its third colour (the pointer table lies further on, past the end).
    {
        GuardedRomStream rom(
            RomImageBuilder(0x227380 + 5).bytes(0x227380, {0x11, 0x01, 0x22, 0x02, 0x33}).build());
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        EXPECT_EQ(skill.tiles, SkillTiles{});
        ExpectColours(skill, {0x0111, 0x0222, 0x0033});
    }
    // A copier header offset that takes the tables past the end.
    {
        GuardedRomStream rom(RomImageBuilder(0x2280C0 + 2).build());
        skill.headerOffset = 512;
        ASSERT_TRUE(skill.ReadGraphic(rom).ok());
        EXPECT_EQ(skill.tiles, SkillTiles{});
    }
}

TEST(SkillReadTest, ASelectionOutsideTheTablesIsRefusedAndKeepsTheGraphic)
{
    GuardedRomStream rom(RomImageBuilder(RomImageBuilder::kPlainSize).build());
    Skill skill;
    ASSERT_TRUE(skill.ReadGraphic(rom).ok());
    const GifImage before = skill.shownImage;
    struct Case {
        int graphicCategory, graphicId, paletteCategory, paletteId;
    };
    const Case cases[] = {{5, 0, 1, 0},  {-1, 0, 1, 0}, {1, 0, 6, 0},  {0, 64, 1, 0},
                          {1, 128, 1, 0}, {1, -1, 1, 0}, {1, 0, 3, 5}, {1, 0, 1, 120}};
    for (const Case& c : cases) {
        skill.graphicCategory = c.graphicCategory;
        skill.graphicId = c.graphicId;
        skill.paletteCategory = c.paletteCategory;
        skill.paletteId = c.paletteId;
        const Status read = skill.ReadGraphic(rom);
        EXPECT_FALSE(read.ok());
        EXPECT_EQ(read.message(), kSkillNoSuchGraphicMessage);
        EXPECT_EQ(skill.message, kSkillNoSuchGraphicMessage);
        EXPECT_EQ(skill.shownImage.frames.size(), 1u);
        EXPECT_EQ(skill.shownImage.frames.front().pixels, before.frames.front().pixels);
    }
}

TEST(SkillReadTest, ReadsTheImageFileAndKeepsTheGraphicWhenItCannot)
{
    TempDir dir;
    const SkillTiles tiles = RandomTiles(11, 3);
    const auto path = dir.write("rom.smc", RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                                               .bytes(0x2280C0, {0x00, 0x00, 0xE3})
                                               .bytes(0x230000, CompressSkillTiles(tiles, 24))
                                               .build());
    Skill skill;
    skill.romPath = path.string();
    ASSERT_TRUE(skill.ReadGraphic().ok());
    EXPECT_EQ(skill.tiles, tiles);

    skill.romPath = (dir.path() / "missing.smc").string();
    skill.graphicId = 1;
    const Status missing = skill.ReadGraphic();
    EXPECT_FALSE(missing.ok());
    EXPECT_EQ(missing.message(), kCannotOpenFileMessage);
    ExpectPicture(skill, tiles, 3);
}

} // namespace
} // namespace varn::test
