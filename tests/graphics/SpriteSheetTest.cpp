#include <gtest/gtest.h>

#include <random>
#include <set>

#include "graphics/GifCodec.h"
#include "graphics/SnesColor.h"
#include "graphics/SpriteSheet.h"
#include "support/TempDir.h"

namespace varn {
namespace {

SheetPalette RandomPalette(std::mt19937& random)
{
    SheetPalette palette;
    for (std::size_t i = 0; i < 16; ++i) {
        const auto word = static_cast<std::uint16_t>(random() & 0x7FFF);
        palette[2 * i] = static_cast<std::uint8_t>(word);
        palette[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    return palette;
}

// Random tiles; with `usable` set, no pixel uses the forbidden colour 3.
SheetTiles RandomTiles(std::mt19937& random, bool usable)
{
    SheetTiles tiles;
    for (auto& byte : tiles)
        byte = static_cast<std::uint8_t>(random());
    if (!usable)
        return tiles;
    for (int t = 0; t < kSheetTileCount; ++t) {
        const auto span =
            std::span<const std::uint8_t, kTileBytes>(tiles.data() + t * kTileBytes, kTileBytes);
        TilePixels pixels = DecodeTile(span);
        for (auto& index : pixels)
            index = index == 3 ? 4 : index;
        const TileBytes fixed = EncodeTile(pixels);
        std::copy(fixed.begin(), fixed.end(), tiles.begin() + t * kTileBytes);
    }
    return tiles;
}

GifImage BuildSheet(const SheetPalette& palette, const SheetTiles& tiles)
{
    GifImage image;
    BuildSheetImage(palette, tiles, image);
    return image;
}

TEST(SheetLayoutTest, SlotOrigins)
{
    struct Case {
        int slot;
        SheetPoint origin;
    };
    const Case cases[] = {
        {0, {1, 1}},       {100, {9, 1}},      {200, {17, 1}},   {300, {26, 1}},
        {301, {26, 9}},    {3, {1, 25}},       {4, {1, 34}},     {1804, {151, 34}},
        {812, {67, 100}},  {912, {75, 100}},   {913, {75, 108}}, {1012, {84, 100}},
        {2011, {167, 91}}, {1515, {126, 124}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SlotOrigin(c.slot), c.origin) << c.slot;
}

TEST(SheetLayoutTest, TilesAndMarksEachHaveTheirOwnPixels)
{
    // Every pixel of the sheet belongs to at most one tile or mark, and all lie inside it.
    std::vector<int> owner(kSheetWidth * kSheetHeight, -1);
    const auto claim = [&](int who, int x, int y, int width, int height) {
        for (int row = y; row < y + height; ++row) {
            for (int column = x; column < x + width; ++column) {
                ASSERT_TRUE(column >= 0 && column < kSheetWidth && row >= 0 && row < kSheetHeight)
                    << who;
                int& cell = owner[static_cast<std::size_t>(row * kSheetWidth + column)];
                ASSERT_EQ(cell, -1)
                    << who << " overlaps " << cell << " at " << column << "," << row;
                cell = who;
            }
        }
    };
    std::set<int> slots(SheetTileSlots.begin(), SheetTileSlots.end());
    EXPECT_EQ(slots.size(), 222u);
    for (int t = 0; t < kSheetTileCount; ++t) {
        const SheetPoint origin = SlotOrigin(SheetTileSlots[static_cast<std::size_t>(t)]);
        claim(t, origin.x, origin.y, 8, 8);
    }
    for (std::size_t m = 0; m < kEmptySlotMarks.size(); ++m) {
        const SheetRect& mark = kEmptySlotMarks[m];
        claim(1000 + static_cast<int>(m), mark.x, mark.y, mark.width, mark.height);
    }
}

TEST(BuildSheetImageTest, DrawsTilesMarksAndFixedColours)
{
    std::mt19937 random(1);
    const SheetPalette palette = RandomPalette(random);
    const SheetTiles tiles = RandomTiles(random, false);
    const GifImage image = BuildSheet(palette, tiles);

    EXPECT_EQ(image.width, 176);
    EXPECT_EQ(image.height, 133);
    ASSERT_EQ(image.frames.size(), 1u);
    const GifFrame& frame = image.frames[0];
    EXPECT_EQ(frame.width, 176);
    EXPECT_EQ(frame.height, 133);
    EXPECT_EQ(frame.control, (GifControl{.transparentIndex = 0, .transparent = false}));

    ASSERT_EQ(image.frameColors(0).size(), 17u);
    EXPECT_EQ(image.colors[0],
              SnesToImageColor(static_cast<std::uint16_t>(palette[0] | palette[1] << 8)));
    EXPECT_EQ(image.colors[1], (GifColor{240, 240, 208}));
    EXPECT_EQ(image.colors[2], (GifColor{48, 48, 48}));
    EXPECT_EQ(image.colors[3], (GifColor{0, 0, 0}));
    EXPECT_EQ(image.colors[15],
              SnesToImageColor(static_cast<std::uint16_t>(palette[30] | palette[31] << 8)));
    EXPECT_EQ(image.colors[16], (GifColor{255, 255, 255}));

    EXPECT_EQ(frame.pixel(0, 0), 16);   // border
    EXPECT_EQ(frame.pixel(25, 20), 16); // gutter between frames
    EXPECT_EQ(frame.pixel(175, 132), 16);
    for (const SheetRect& mark : kEmptySlotMarks) {
        EXPECT_EQ(frame.pixel(mark.x, mark.y), 3);
        EXPECT_EQ(frame.pixel(mark.x + mark.width - 1, mark.y + mark.height - 1), 3);
    }
    // Tile 175 lies in slot 912, one pixel left of its column.
    const TilePixels last =
        DecodeTile(std::span<const std::uint8_t, 32>(tiles.data() + 175 * 32, 32));
    for (int i = 0; i < 64; ++i)
        EXPECT_EQ(frame.pixel(75 + i % 8, 100 + i / 8), last[static_cast<std::size_t>(i)]) << i;
}

TEST(BuildSheetImageTest, RandomSheetsReadBackToTheSameBytes)
{
    std::mt19937 random(2024);
    test::TempDir dir;
    for (int round = 0; round < 5; ++round) {
        const SheetPalette palette = RandomPalette(random);
        const SheetTiles tiles = RandomTiles(random, round % 2 == 0);
        SheetPalette expectedPalette = palette;
        for (std::size_t i = 0; i < 3; ++i) {
            expectedPalette[2 + 2 * i] = static_cast<std::uint8_t>(kFixedSheetColours[i]);
            expectedPalette[3 + 2 * i] = static_cast<std::uint8_t>(kFixedSheetColours[i] >> 8);
        }

        const GifImage built = BuildSheet(palette, tiles);
        EXPECT_EQ(TilesFromImage(built), tiles);
        EXPECT_EQ(PaletteFromImage(built), expectedPalette);

        // The same through a GIF file.
        const auto path = dir.path() / "sheet.gif";
        ASSERT_TRUE(SaveGifFile(built, path).ok());
        const auto loaded = LoadGifFile(path);
        ASSERT_TRUE(loaded.ok()) << loaded.message();
        EXPECT_EQ(TilesFromImage(loaded.value()), tiles);
        EXPECT_EQ(PaletteFromImage(loaded.value()), expectedPalette);

        if (round % 2 == 0) {
            const auto sheet = LoadSheetImage(path);
            ASSERT_TRUE(sheet.ok()) << sheet.message();
            EXPECT_EQ(TilesFromImage(sheet.value()), tiles);
            EXPECT_EQ(PaletteFromImage(sheet.value()), expectedPalette);
        }
    }
}

TEST(SheetImageTest, TileFromImageReadsTheGridWithoutGutters)
{
    GifImage image;
    image.width = 32;
    image.height = 16;
    image.colors.assign(16, GifColor{});
    image.frames.emplace_back(32, 16);
    image.frames[0].setPixel(24, 8, 9); // top-left of the tile at column 3, row 1
    image.frames[0].setPixel(31, 15, 1);
    TilePixels expected{};
    expected[0] = 9;
    expected[63] = 1;
    EXPECT_EQ(TileFromImage(image, 3, 1), EncodeTile(expected));
    EXPECT_EQ(TileFromImage(image, 0, 0), TileBytes{});
    // Past the frame reads as colour 0 instead of outside the pixels.
    EXPECT_EQ(TileFromImage(image, 9, 9), TileBytes{});

    // A tile over the frame's right edge: the columns inside are read, the rest are colour 0.
    GifImage narrow = image;
    narrow.width = 28;
    narrow.frames[0] = GifFrame(28, 16);
    narrow.frames[0].setPixel(27, 8, 5);
    narrow.frames[0].setPixel(24, 15, 7);
    TilePixels cut{};
    cut[3] = 5;
    cut[56] = 7;
    EXPECT_EQ(TileFromImage(narrow, 3, 1), EncodeTile(cut));
}

TEST(SheetImageTest, FillFrameRectIsClippedToTheFrame)
{
    GifFrame frame(4, 3);
    FillFrameRect(frame, 7, 2, 1, 10, 10);
    FillFrameRect(frame, 5, -3, -3, 4, 4);
    const std::vector<std::uint8_t> expected = {5, 0, 0, 0, //
                                                0, 0, 7, 7, //
                                                0, 0, 7, 7};
    EXPECT_EQ(frame.pixels, expected);

    // Nothing for an empty or inverted rectangle; a frame whose pixels fall short of its size
    // is filled as far as they go.
    FillFrameRect(frame, 9, 1, 1, 0, 2);
    FillFrameRect(frame, 9, 3, 2, -2, -2);
    EXPECT_EQ(frame.pixels, expected);
    frame.pixels.resize(6);
    FillFrameRect(frame, 3, 1, 0, 3, 3);
    EXPECT_EQ(frame.pixels, (std::vector<std::uint8_t>{5, 3, 3, 3, 0, 3}));
}

// A sheet whose tiles use only the usable colours.
GifImage UsableSheet()
{
    std::mt19937 random(5);
    return BuildSheet(RandomPalette(random), RandomTiles(random, true));
}

TEST(CheckSheetColoursTest, ReportsTheFirstForbiddenTilePixelInBlockOrder)
{
    struct Case {
        const char* name;
        std::vector<std::tuple<int, int, std::uint8_t>> paint;
        SheetColourCheck expected;
    };
    const Case cases[] = {
        {"Clean", {}, {true, 0, 0}},
        {"GuttersBorderAndMarksMayHoldAnything",
         {{0, 0, 3}, {25, 5, 200}, {30, 3, 17}},
         {true, 0, 0}},
        {"ColourThreeAtTileZero", {{1, 1, 3}}, {false, 1, 1}},
        {"ColourThreeInShiftedSlot", {{75, 100, 3}}, {false, 75, 100}},
        {"AboveFifteen", {{82, 107, 16}}, {false, 82, 107}},
        // Tile 1 (slot 100, at 9,1) comes after tile 0 in block order, though its pixel comes
        // first row by row.
        {"BlockOrderNotRasterOrder", {{9, 1, 3}, {8, 8, 200}}, {false, 8, 8}},
        {"RowsBeforeColumnsWithinATile", {{8, 2, 3}, {2, 8, 3}}, {false, 8, 2}},
    };
    for (const Case& c : cases) {
        GifImage image = UsableSheet();
        for (const auto& [x, y, index] : c.paint)
            image.frames[0].setPixel(x, y, index);
        const SheetColourCheck check = CheckSheetColours(image);
        EXPECT_EQ(check.ok, c.expected.ok) << c.name;
        EXPECT_EQ(check.x, c.expected.x) << c.name;
        EXPECT_EQ(check.y, c.expected.y) << c.name;
    }
}

TEST(LoadSheetImageTest, RefusesWrongSizesAndForbiddenColoursWithTheirMessages)
{
    test::TempDir dir;
    GifImage forbidden = UsableSheet();
    forbidden.frames[0].setPixel(1, 1, 3);
    ASSERT_TRUE(SaveGifFile(forbidden, dir.path() / "forbidden.gif").ok());
    auto sheet = LoadSheetImage(dir.path() / "forbidden.gif");
    EXPECT_FALSE(sheet.ok());
    EXPECT_EQ(sheet.message(), "使用できない色が検出されました。\nx:1  y:1");

    // Too wide: refused before any pixel is looked at, whatever the pixels hold.
    GifImage wide;
    wide.width = 177;
    wide.height = 133;
    wide.colors.assign(4, GifColor{});
    wide.frames.emplace_back(177, 133);
    wide.frames[0].pixels.assign(wide.frames[0].pixels.size(), 3);
    ASSERT_TRUE(SaveGifFile(wide, dir.path() / "wide.gif").ok());
    sheet = LoadSheetImage(dir.path() / "wide.gif");
    EXPECT_EQ(sheet.message(), "不正な画像です。");

    sheet = LoadSheetImage(dir.write("text.gif", "not a picture"));
    EXPECT_FALSE(sheet.ok());
    EXPECT_EQ(sheet.message(), "ファイルの読み出しに失敗しました。");

    sheet = LoadSheetImage(dir.path() / "missing.gif");
    EXPECT_EQ(sheet.message(), "ファイルが開けません。");
}

TEST(LoadSheetImageTest, PreparesTheSheetForEditing)
{
    // A sheet drawn elsewhere: its colours in the first frame's own table, fewer than 16 of
    // them, with odd colours 1 and 2 and transparency on.
    GifImage image = UsableSheet();
    for (auto& index : image.frames[0].pixels)
        index = index > 7 ? 0 : index;
    image.frames[0].colors = {{1, 2, 3}, {9, 9, 9}, {8, 8, 8}, {0, 0, 0},
                              {4, 4, 4}, {5, 5, 5}, {6, 6, 6}, {7, 7, 7}};
    image.colors = {{200, 0, 0}, {200, 0, 0}};
    image.frames[0].control = GifControl{.transparentIndex = 0, .transparent = true};

    ASSERT_TRUE(PrepareSheetImage(image).ok());
    EXPECT_TRUE(image.frames[0].colors.empty());
    ASSERT_EQ(image.colors.size(), 16u);
    EXPECT_EQ(image.colors[0], (GifColor{1, 2, 3}));
    EXPECT_EQ(image.colors[1], (GifColor{240, 240, 208}));
    EXPECT_EQ(image.colors[2], (GifColor{48, 48, 48}));
    EXPECT_EQ(image.colors[7], (GifColor{7, 7, 7}));
    EXPECT_EQ(image.colors[15], (GifColor{0, 0, 0}));
    ASSERT_TRUE(image.frames[0].control);
    EXPECT_FALSE(image.frames[0].control->transparent);
}

} // namespace
} // namespace varn
