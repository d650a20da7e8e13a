#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/GifImage.h"
#include "graphics/SpriteSheet.h"
#include "rom/Result.h"
#include "text/ExtensionTable.h"

namespace varn {

class RomStream;
struct RomHeaderInfo;

// The playable characters' sprite sheets as the image holds them, for the page
// "キャラグラフィック": a 32-byte palette and a 7104-byte tile block per character code, read
// at raw file offsets of the headerless image.

// The codes the page always lists, in its order: 0x1B stands ninth, after 0x07.
inline constexpr std::array<std::uint8_t, 32> kCharacterSheetCodes{
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x1B, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E,
    0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1C, 0x1D, 0x1E, 0x1F,
};

// An expanded image also holds the sheets of the extra codes B0 to CD, n = code - 0xB0: the
// name at 0x3D1A00 + 8n (8 bytes of game text), the palette at 0x5A9D70 + 32n, and the tile
// block where the three bytes (low, high, bank) after the first byte of the 4-byte entry at
// 0x5A8630 + 4n point.
inline constexpr std::uint8_t kFirstExtraSheetCode = 0xB0;
inline constexpr int kExtraSheetCount = 30;
inline constexpr std::uint64_t kExtraSheetNames = 0x3D1A00;
inline constexpr std::uint64_t kExtraSheetPalettes = 0x5A9D70;
inline constexpr std::uint64_t kExtraSheetPointers = 0x5A8630;
inline constexpr std::size_t kExtraSheetNameSize = 8;
inline constexpr std::size_t kExtraSheetPointerSize = 4;

constexpr bool IsExtraSheetCode(std::uint8_t code)
{
    return code >= kFirstExtraSheetCode && code < kFirstExtraSheetCode + kExtraSheetCount;
}

// Refusals of the sheet readers.
inline constexpr const char* kUnknownSheetCodeMessage = "キャラクターコードが正しくありません。";
inline constexpr const char* kNoExtraSheetMessage = "追加キャラクターの領域がありません。";
inline constexpr const char* kSheetOutsideImageMessage =
    "キャラクターグラフィックの位置がファイルの範囲外です。";

// Whether the page works on an image: the header strip shows "VARNHOLD EPICS3", version "1.1"
// and no copier header. Otherwise its loader and its list do nothing.
bool CharacterGraphicsAvailable(const RomHeaderInfo& header);

// Where a character's palette and tile block lie in the image.
struct CharacterSheetPlace {
    std::uint64_t palette = 0;
    std::uint64_t tiles = 0;

    friend bool operator==(const CharacterSheetPlace&, const CharacterSheetPlace&) = default;
};

// The fixed places of the codes 0x00 to 0x1F; nullopt for any other code.
std::optional<CharacterSheetPlace> FixedSheetPlace(std::uint8_t code);

// The file offset the pointer entry of an extra code gives: bytes 1, 2, 3 of the entry are
// low, high and bank; banks from 0xC0 address (bank - 0xC0) * 0x10000 + high * 256 + low,
// lower banks bank * 0x10000 + high * 256 + low. Byte 0 is not used.
std::uint32_t ExtraSheetTileOffset(std::span<const std::uint8_t, kExtraSheetPointerSize> entry);

// Where the sheet of `code` lies in the image: a fixed place for 0x00 to 0x1F; for B0 to CD
// (on an expanded image only) the palette's place and the tile block its pointer entry names.
// Refuses a code that is neither ("キャラクターコードが正しくありません。"), an extra code on an
// image of 4 MiB or less ("追加キャラクターの領域がありません。") and a pointer entry, palette or
// tile block that does not lie wholly inside the image
// ("キャラクターグラフィックの位置がファイルの範囲外です。"). Reads only the pointer entry.
Result<CharacterSheetPlace> LocateCharacterSheet(RomStream& rom, std::uint8_t code);

struct CharacterSheetData {
    SheetPalette palette{};
    SheetTiles tiles{};
};

// The palette and tile block of `code`, read where LocateCharacterSheet says, with its
// refusals; nothing outside the image is read.
Result<CharacterSheetData> ReadCharacterSheetData(RomStream& rom, std::uint8_t code);

// The sheet of `code` drawn with BuildSheetImage (opaque; colour 0 is the transparent index).
Result<GifImage> ReadCharacterSheet(RomStream& rom, std::uint8_t code);

// The same from the image file at `romPath`, opened for reading for this call only; a file
// that cannot be opened gives "ファイルが開けません。".
Result<GifImage> ReadCharacterSheet(const std::filesystem::path& romPath, std::uint8_t code);

// Switches colour 0 transparent on the first frame of a sheet when `tmpTransparent` is 1 (the
// TmpTransparent setting); any other value leaves the sheet opaque.
void ApplySheetTransparency(GifImage& sheet, int tmpTransparent);

// The sheet of `code` as "GIFで保存" of the page saves it: ReadCharacterSheet, then
// ApplySheetTransparency.
Result<GifImage> CharacterSheetForGif(const std::filesystem::path& romPath, std::uint8_t code,
                                      int tmpTransparent);

// The name of one extra code, decoded from the image.
struct ExtraSheetName {
    std::uint8_t code = 0;
    std::string name; // empty when the 8 bytes do not decode or lie past the end of the image
};

// The 30 extra codes B0 to CD with their names, on an expanded image; empty on an image of
// 4 MiB or less. A name that fails to decode is empty; its code is still listed.
std::vector<ExtraSheetName> ReadExtraSheetNames(
    RomStream& rom, const ExtensionTable& extensions = ProcessExtensionTable());

// The first part of the name "GIFで保存" of the page proposes, before "_yyyymmdd": the list
// item's text as shown.
std::string CharacterSheetFileBase(std::string_view itemText);

} // namespace varn
