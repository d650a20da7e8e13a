#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "enemy/EnemyForm.h"
#include "graphics/GifCodec.h"
#include "graphics/GifImage.h"
#include "graphics/SnesTile.h"
#include "rom/Result.h"

namespace varn {

class RomStream;

// An enemy's battle graphic: 4-bit tiles packed with a per-tile zero-run code at any address
// of the image, a 16-colour palette, a size code, and a 6-byte graphic record that ties the
// enemy to a graphic number, its place in its box and the way it enters.

// --- The picture a user gives --------------------------------------------------------------

inline constexpr int kMaxEnemyPictureWidth = 128;
inline constexpr int kMaxEnemyPictureHeight = 160;

inline constexpr const char* kEnemyPictureTooLargeMessage =
    "画像のサイズが128×160を超えています。";
inline constexpr const char* kEnemyPictureNotTileSizedMessage =
    "画像の縦横幅が8の倍数になっていません。";

// What the enemy picture reader decodes of a GIF: at most 128 × 160, and frames enough for any
// drawing program's output without letting a hostile file cost more than a few megabytes.
inline constexpr GifLimits kEnemyGifLimits{
    kMaxEnemyPictureWidth, kMaxEnemyPictureHeight, 256,
    std::int64_t{kMaxEnemyPictureWidth} * kMaxEnemyPictureHeight * 256};

// The picture rules, in order: at most 128 × 160 ("画像のサイズが128×160を超えています。"),
// width and height multiples of 8 ("画像の縦横幅が8の倍数になっていません。"), and no pixel of
// the first frame with a colour index above 15 (the first one, row by row, is named:
// "使用できない色が検出されました。\nx:" x "  y:" y). A picture that passes has the first
// frame's transparency switched off, so that colour 0 shows in the preview.
Status CheckEnemyPicture(GifImage& picture);

// Reads a GIF as an enemy picture: a GIF whose header declares a screen larger than 128 × 160
// is refused with the size message before anything is decoded; a GIF the codec cannot read
// (or beyond kEnemyGifLimits) fails with the codec's message; then CheckEnemyPicture.
Result<GifImage> LoadEnemyPictureBytes(std::span<const std::uint8_t> bytes);
// The same for a file; a file that cannot be read fails with "ファイルが開けません。".
Result<GifImage> LoadEnemyPictureFile(const std::filesystem::path& path);

// The page's "..." or a dropped GIF: empties the held picture, reads and checks the file, and
// on success holds the picture and fills the graphic sub-tab (ShowEnemyPictureFields). A
// picture that fails leaves nothing held and the fields as they were.
Status LoadEnemyPicture(const std::filesystem::path& path, std::optional<GifImage>& held,
                        EnemyForm& form);

// The fields a new picture sets: Edit95 = the packed size in 4 hexadecimal digits, Edit77 =
// the address of its last byte at the address in Edit74 in 6 digits (empty when Edit74 is not a
// hexadecimal address), the box chosen for the picture and the offsets that centre it in the
// box horizontally and stand it on the box's bottom.
void ShowEnemyPictureFields(const GifImage& picture, EnemyForm& form);

// --- Packing -------------------------------------------------------------------------------

// Reorders a tile in place from the SNES form to plane order: byte i moves to
// 16·(i / 16) + (i mod 16) / 2 + 8·(i mod 2).
void ReorderTilePlanes(std::span<std::uint8_t, kTileBytes> tile);
// The reverse, from plane order to the SNES form.
void RestoreTilePlanes(std::span<std::uint8_t, kTileBytes> tile);

// The most a packed tile takes: 16 non-zero bytes and 16 runs of one zero.
inline constexpr int kMaxPackedTileSize = 48;

// Packs the tile at (column, row) of the first frame into `out`: a non-zero byte as itself, a
// run of zero bytes as 0x00 and the run's length; nothing carries over to the next tile.
// Returns the number of bytes written.
int PackEnemyTile(const GifImage& picture, std::span<std::uint8_t, kMaxPackedTileSize> out,
                  int column, int row);

// The packed size of a picture: 2 plus, over all tiles, the non-zero bytes and twice the zero
// runs.
int MeasureEnemyGraphic(const GifImage& picture);

// The packed graphic: width / 8, height / 8, then the packed tiles row by row from the top.
std::vector<std::uint8_t> PackEnemyGraphic(const GifImage& picture);

// The palette of the picture: colours 0-15 of the colour table its first frame uses, as SNES
// colours, little-endian; an entry beyond the end of the table takes the colour of entry 0.
std::array<std::uint8_t, 32> EnemyPaletteBytes(const GifImage& picture);

// --- Box, address and record ---------------------------------------------------------------

// The box chosen for a new picture (indexes of ComboBox32 and ComboBox33, never smaller than
// 64 × 64) and the offsets (ComboBox34, ComboBox35).
struct EnemyBox {
    int width = 1;  // ComboBox32 index: width / 32 - 1
    int height = 1; // ComboBox33 index
    int offsetX = 0;
    int offsetY = 0;

    friend bool operator==(const EnemyBox&, const EnemyBox&) = default;
};
EnemyBox ChooseEnemyBox(int pictureWidth, int pictureHeight);

// The size code of a box: (width index + 1) + 16 × (height index + 1).
constexpr std::uint8_t EnemySizeCode(int widthIndex, int heightIndex)
{
    return static_cast<std::uint8_t>((widthIndex + 1) + 16 * (heightIndex + 1));
}

// A write address as the game's graphic address form stores it: bank, low byte, high byte,
// the bank being offset >> 16 plus 0xC0 below 0x40 (0x400000 → 40 00 00, 0x01D400 → C1 00 D4).
std::array<std::uint8_t, 3> GraphicAddressBytes(std::uint32_t offset);
// The file offset a stored graphic address names.
std::uint32_t GraphicAddressToOffset(std::span<const std::uint8_t, 3> bytes);

// The largest write address the graphic address form gives back unchanged.
inline constexpr std::uint32_t kMaxEnemyGraphicAddress = 0xBFFFFF;

// The 6-byte graphic record: g & 0xFF, the horizontal offset with bit 8 of g in bit 7, the
// vertical offset, the appearance code, 0, 0.
std::array<std::uint8_t, 6> GraphicRecordBytes(int graphicNumber, int offsetX, int offsetY,
                                               int appearance);

// Edit74's text as a write address: 1 to 6 hexadecimal digits (spaces around them allowed);
// nullopt otherwise.
std::optional<std::uint32_t> ParseEnemyAddress(const std::string& text);

inline constexpr const char* kEnemyAddressMessage = "アドレスが16進数ではありません。";
inline constexpr const char* kEnemyAddressRangeMessage = "アドレスが範囲外です。";
inline constexpr const char* kEnemyGraphicPastEndMessage =
    "画像データがファイルの終わりを超えています。";

// The five writes of a new graphic for the enemy and the settings of the form, in order: the
// packed graphic at Edit74's address, the palette, the size code, the graphic number's
// address, and the graphic record the enemy's record offset names. Everything is checked
// first: an address that is not hexadecimal or beyond the address form, and any write that
// would run past the end of the image (the packed graphic included) are refused, naming the
// sub-tab "グラフィック" and the control; on success the writes are added to `plan`.
// Nothing is written here. The form's enemy and graphic number must be ones the image offers.
Status WriteEnemyGraphic(RomStream& image, const GifImage& picture, const EnemyForm& form,
                         WritePlan& plan);
// The same, the writes appended to `writes`.
Status WriteEnemyGraphic(RomStream& image, const GifImage& picture, const EnemyForm& form,
                         std::vector<ImageWrite>& writes);

// --- Reading the graphic an enemy has -------------------------------------------------------

inline constexpr const char* kEnemyGraphicDamagedMessage = "敵の画像データが壊れています。";

// An enemy's battle graphic as the image holds it.
struct EnemyGraphic {
    int graphicNumber = 0;
    std::uint32_t address = 0;  // where the packed graphic lies
    int packedSize = 0;         // bytes of the packed graphic
    std::uint8_t sizeCode = 0;
    int offsetX = 0;
    int offsetY = 0;
    int appearance = 0;
    GifImage picture; // one frame, 16 colours from the enemy's palette, no transparency
};

// Unpacks a packed graphic read from `bytes` (which may run on past it): the width and height
// in tiles (1-16 and 1-20), then each tile's 32 bytes; a zero-run of length 0 or one that
// runs past its tile, or bytes that end early, are refused as damaged. Returns the picture's
// colour indices, row by row, and the packed size.
struct UnpackedEnemyGraphic {
    int width = 0;  // pixels
    int height = 0;
    int packedSize = 0;
    std::vector<std::uint8_t> pixels;
};
Result<UnpackedEnemyGraphic> UnpackEnemyGraphic(std::span<const std::uint8_t> bytes);

// Reads the graphic the image holds for enemy `enemy` (0x000-0x1FF): its record offset, its
// graphic record, the graphic number's address, the packed graphic (never read past the end of
// the image), its size code and palette. Fails with "敵のデータがファイルの終わりを超えています。"
// when a table entry lies past the end, with "敵の画像データが壊れています。" for damaged data.
Result<EnemyGraphic> ReadEnemyGraphic(RomStream& image, int enemy);

} // namespace varn
