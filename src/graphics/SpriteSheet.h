#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

#include "graphics/GifCodec.h"
#include "graphics/GifImage.h"
#include "graphics/SnesTile.h"
#include "rom/Result.h"

namespace varn {

// A playable character's field graphics: 222 tiles with one 16-colour palette. The user
// edits them as one indexed image, the sprite sheet, 176 x 133 pixels: a grid of 7 x 4
// frames of 24 x 32 pixels with a one-pixel border on the top and left and one-pixel gutters
// between frames.

inline constexpr int kSheetWidth = 176;
inline constexpr int kSheetHeight = 133;
inline constexpr int kSheetTileCount = 222;

// 16 SNES colours, 32 bytes, colour 0 first. Colours 1 to 3 are the same for every character.
using SheetPalette = std::array<std::uint8_t, 32>;
// The 222 tiles in block order, 7104 bytes.
using SheetTiles = std::array<std::uint8_t, kSheetTileCount * kTileBytes>;

inline constexpr std::array<std::uint16_t, 3> kFixedSheetColours{0x6BDE, 0x18C6, 0x0000};
// Colour index 3 may not be used by any tile pixel; the sheet paints empty slots with it.
inline constexpr std::uint8_t kForbiddenSheetIndex = 3;
// Everything outside the tiles and marks is colour 16, white.
inline constexpr std::uint8_t kSheetBackgroundIndex = 16;

// The slot of each tile in block order, as 100 * column + row.
inline constexpr std::array<int, kSheetTileCount> SheetTileSlots{
    0,    100,  200,  301,  401,  501,  601,  701,  801,  900,  1000, 1100, 1201, 1301, 1401, 1801,
    1,    101,  201,  302,  402,  502,  602,  702,  802,  901,  1001, 1101, 1202, 1302, 1402, 1802,
    2,    102,  202,  303,  403,  503,  603,  703,  803,  902,  1002, 1102, 1203, 1303, 1403, 1803,
    3,    103,  203,  305,  405,  505,  904,  1004, 1104, 903,  1003, 1103, 1501, 1601, 1701, 1901,
    4,    104,  204,  306,  406,  506,  905,  1005, 1105, 1204, 1304, 1404, 1502, 1602, 1702, 1902,
    5,    105,  205,  307,  407,  507,  906,  1006, 1106, 1205, 1305, 1405, 1503, 1603, 1703, 1903,
    6,    106,  206,  606,  706,  806,  907,  1007, 1107, 1206, 1306, 1406, 1505, 1605, 1705, 1009,
    7,    107,  207,  607,  707,  807,  1507, 1607, 1707, 1207, 1307, 1407, 1506, 1606, 1706, 1811,
    1508, 1608, 1708, 8,    108,  208,  608,  708,  808,  308,  408,  508,  1809, 1909, 2009, 1911,
    1509, 1609, 1709, 9,    109,  209,  609,  709,  809,  309,  409,  509,  1810, 1910, 2010, 2011,
    1510, 1610, 1710, 10,   110,  210,  610,  710,  810,  310,  410,  510,  612,  712,  812,  912,
    1511, 1611, 1711, 11,   111,  211,  611,  711,  811,  311,  411,  511,  613,  713,  813,  913,
    605,  705,  805,  1208, 1308, 1408, 1209, 1309, 1409, 1210, 1310, 1410, 1211, 1311, 1411, 14,
    114,  214,  15,   115,  215,  314,  414,  514,  315,  415,  515,  909,  910,  1010,
};

struct SheetPoint {
    int x;
    int y;
    friend bool operator==(const SheetPoint&, const SheetPoint&) = default;
};

struct SheetRect {
    int x;
    int y;
    int width;
    int height;
};

// The fourteen areas of the sheet that hold no tile and are painted with colour 3.
inline constexpr std::array<SheetRect, 14> kEmptySlotMarks{{
    {26, 1, 24, 8},
    {51, 1, 24, 8},
    {101, 1, 24, 8},
    {126, 1, 24, 8},
    {151, 1, 24, 8},
    {167, 9, 8, 24},
    {26, 34, 24, 8},
    {51, 34, 24, 8},
    {126, 34, 24, 8},
    {76, 67, 24, 8},
    {92, 75, 8, 16},
    {76, 91, 24, 8},
    {1, 100, 24, 16},
    {26, 100, 24, 16},
}};

// The top-left pixel of a slot: x = 8c + c/3 + 1, y = 8r + r/4 + 1 for column c and row r;
// slots 912 and 913 are drawn one pixel further left.
constexpr SheetPoint SlotOrigin(int slot)
{
    const int column = slot / 100;
    const int row = slot % 100;
    const int shift = (slot == 912 || slot == 913) ? 1 : 0;
    return {8 * column + column / 3 + 1 - shift, 8 * row + row / 4 + 1};
}

// Sets every pixel of the rectangle to one colour index (clipped to the frame).
void FillFrameRect(GifFrame& frame, std::uint8_t index, int x, int y, int width, int height);

// Appends a frame holding the sheet drawn from a palette and a tile block and makes its
// colours (the palette with colours 1 to 3 fixed, then white as colour 16) the image's
// global colour table. The frame's graphic control extension has transparent index 0 with
// the flag off; the screen is set to the sheet's size when the image has no frames yet.
void BuildSheetImage(const SheetPalette& palette, const SheetTiles& tiles, GifImage& image);

// The palette from the colours of the first frame (its own table, else the global one),
// with colours 1 to 3 set to the fixed words. Colours past the end of the table are black.
SheetPalette PaletteFromImage(const GifImage& image);

// The tile block from the first frame's pixels at the slots, bits 0-3 of each index.
SheetTiles TilesFromImage(const GifImage& image);

// One tile from the 8 x 8 pixels at (8 * column, 8 * row) of the first frame, without gutters.
TileBytes TileFromImage(const GifImage& image, int column, int row);

struct SheetColourCheck {
    bool ok = true;
    int x = 0; // the first pixel that failed, in image coordinates
    int y = 0;
};

// Checks the tile pixels of the first frame, tile by tile in block order and row by row:
// an index above 15 or equal to 3 fails. Gutters, border and marks are not examined.
SheetColourCheck CheckSheetColours(const GifImage& image);

inline constexpr const char* kInvalidImageMessage = "不正な画像です。";

// "使用できない色が検出されました。\nx:" x "  y:" y, for an unusable colour index at (x, y).
std::string UnusableColourMessage(int x, int y);

// Checks an image chosen as a character's sheet and prepares it for editing: it must be
// 176 x 133 and pass CheckSheetColours. The first frame's colours become the global colour
// table (at least 16 colours), colours 1 and 2 are set to the fixed colours, and the first
// frame's transparency flag is switched off.
Status PrepareSheetImage(GifImage& image);

// What the sheet loader decodes of a GIF: the sheet's screen, and frames enough for any
// drawing program's output without letting a hostile file cost more than a few megabytes.
inline constexpr GifLimits kSheetGifLimits{kSheetWidth, kSheetHeight, 256,
                                           std::int64_t{kSheetWidth} * kSheetHeight * 256};

// Loads a GIF file as a character's sheet: a GIF whose header declares another screen size
// fails with "不正な画像です。" before anything is decoded; a file the GIF codec cannot read
// (or beyond kSheetGifLimits) fails with the codec's message; then PrepareSheetImage.
Result<GifImage> LoadSheetImage(const std::filesystem::path& path);

} // namespace varn
