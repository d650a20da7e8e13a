#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "graphics/GifImage.h"

namespace varn {

// The small graphics the game draws for techniques and spells: a strip of 32 tiles, 128 x 16
// pixels, with a palette of 4, 8 or 16 colours. Graphics are found through pointer tables and
// stored in a zero-run compression; palettes lie in tables of their own or are built into the
// game. The tables below are raw file offsets of an image without a copier header.

inline constexpr int kSkillGraphicWidth = 128;
inline constexpr int kSkillGraphicHeight = 16;
inline constexpr int kSkillTileCount = 32;
// The decoded data of a graphic: 32 tiles of at most 24 bytes.
inline constexpr std::size_t kSkillTileDataBytes = 768;
inline constexpr int kSkillPaletteColours = 16;

using SkillTiles = std::array<std::uint8_t, kSkillTileDataBytes>;
// SNES colour words; unread entries are 0.
using SkillPalette = std::array<std::uint16_t, kSkillPaletteColours>;

// A graphic category of the selection list "グラフィック分類": its item text, the file offset
// of its pointer table, the size of a pointer (3: low, high, bank; 2: low, high inside the
// second game's graphics bank), the tile format and how many IDs the list offers.
struct SkillGraphicCategory {
    std::string_view itemText;
    std::uint32_t pointerTable;
    int pointerSize;
    int bitsPerPixel; // 2: 16 bytes a tile; 3: 24 bytes a tile
    int idCount;

    constexpr int tileBytes() const { return bitsPerPixel * 8; }
};

inline constexpr std::array<SkillGraphicCategory, 5> kSkillGraphicCategories{{
    {"【00】4色パレット、オフセットE28000、4F,53,56で読み出し", 0x228000, 3, 2, 64},
    {"【01】8色パレット、オフセットE280C0、50,51,57で読み出し", 0x2280C0, 3, 3, 128},
    {"【02】8色パレット、オフセットE28240、4D,4E,52,54,55,58,59で読み出し", 0x228240, 3, 3, 64},
    {"【03】8色パレット、オフセット5BFBC0、術閃きパッチ専用", 0x5BFBC0, 3, 3, 256},
    {"【FF】Varnhold Epics 2、オフセットD30000", 0x130000, 2, 3, 256},
}};

// A palette category of the selection list "パレット分類": its item text, the file offset of
// its table (palettes of 2 bytes a colour, one after another), the colours of a palette, how
// many IDs the list offers, and whether the colours are built into the game instead.
struct SkillPaletteCategory {
    std::string_view itemText;
    std::uint32_t table;
    int colours;
    int idCount;
    bool fixed;

    constexpr int paletteBytes() const { return 2 * colours; }
};

inline constexpr std::array<SkillPaletteCategory, 6> kSkillPaletteCategories{{
    {"【00】4色パレット、アドレスE27300、3Eで読み出し", 0x227200, 4, 256, false},
    {"【01】8色パレット、アドレスE27380、3Fで読み出し", 0x227380, 8, 120, false},
    {"【02】16色パレット、アドレスE27B00、40で読み出し", 0x227B00, 16, 40, false},
    {"【03】4色パレット、ハードコーディング", 0, 4, 5, true},
    {"【04】8色パレット、アドレス5B8100、術閃きパッチ専用", 0x5B8100, 8, 256, false},
    {"【FF】Varnhold Epics 2、アドレスC10C00", 0x10C00, 8, 256, false},
}};

// The categories a new graphic may be written into: the reserved graphic category and, with
// its palette, the reserved palette category.
inline constexpr int kWritableGraphicCategory = 3;
inline constexpr int kWritablePaletteCategory = 4;
// The categories of the series' second game, whose graphics are only read.
inline constexpr int kPredecessorGraphicCategory = 4;
inline constexpr int kPredecessorPaletteCategory = 5;

// The fourth colour of the palettes built into the game, by ID; IDs beyond them take the
// first. Colours 0 to 2 are the same for all of them.
inline constexpr std::array<std::uint16_t, 5> kFixedSkillColour3{0x02B7, 0x52D6, 0x1195, 0x68C0,
                                                                  0x001F};
inline constexpr std::array<std::uint16_t, 3> kFixedSkillColours{0x0000, 0x6BDE, 0x18C6};

// The palette built into the game for `id`: 0x0000, 0x6BDE, 0x18C6, the ID's fourth colour,
// then twelve zero entries.
SkillPalette FixedSkillPalette(int id);

// The file offset a pointer of the category leads to, from its stored value (low | high << 8
// | bank << 16). A 3-byte value of 0xC00000 or more addresses value - 0xC00000, a smaller one
// itself; a 2-byte value lies in the second game's graphics bank at 0x130000.
std::uint32_t SkillPointerOffset(const SkillGraphicCategory& category, std::uint32_t value);

// Expands compressed graphic data into the 768 decoded bytes: a byte other than 0 stands for
// itself; 0x00 n for n zero bytes; 0x00 0x00 for one tile of zero bytes (`tileBytes`: 16 for
// the 2-bit format, 24 for the 3-bit one). The expansion stops at 768 bytes, cutting a run
// that would pass them; data that ends first (the end of the image) leaves the rest zero.
// Never reads outside `data`.
SkillTiles ExpandSkillGraphic(std::span<const std::uint8_t> data, int tileBytes);

// The most compressed data ExpandSkillGraphic can take to fill 768 bytes: two bytes for
// each of them.
inline constexpr std::size_t kMaxSkillCompressedBytes = 2 * kSkillTileDataBytes;

// Compresses decoded data tile by tile, as the game reads it: within each tile of
// `tileBytes` bytes, a non-zero byte stands for itself and a run of zero bytes is written as
// 0x00 and the run's length; a run ends at a non-zero byte or at the end of the tile, so no
// run crosses a tile and the length 0 is never written. An all-zero tile of 24 bytes becomes
// 00 18. `tiles` holds whole tiles.
std::vector<std::uint8_t> CompressSkillTiles(std::span<const std::uint8_t> tiles, int tileBytes);

// The 64 colour indices of one tile in the graphic format, row by row: plane p of row y is
// byte 8p + y, pixel x its bit 7 - x.
std::array<std::uint8_t, 64> DecodeSkillTile(std::span<const std::uint8_t> tile, int bitsPerPixel);

// Draws the 32 tiles into a 128 x 16 frame: tile t at x = 8 (t mod 16), y = 8 (t / 16).
void DrawSkillTiles(const SkillTiles& tiles, int bitsPerPixel, GifFrame& frame);

// The reverse for the 3-bit format: bits 0 to 2 of each pixel of the frame's 128 x 16 pixels
// into planes 0 to 2 of the tiles (higher bits are not stored).
SkillTiles EncodeSkillTiles(const GifFrame& frame);

} // namespace varn
