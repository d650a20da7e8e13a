#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "graphics/GifCodec.h"
#include "graphics/GifImage.h"
#include "rom/Result.h"
#include "rom/RomImageEdit.h"
#include "skill/SkillFormat.h"

namespace varn {

class RomStream;

// "GIFで保存" without a graphic to save (no image open).
inline constexpr const char* kSkillNoGraphicMessage = "画像が指定されていません。";
inline constexpr const char* kSkillReadFailedMessage = "ファイルの読み出しに失敗しました。";
inline constexpr const char* kSkillImageSizeMessage = "128×16の画像以外使用できません。";
inline constexpr const char* kSkillNoRomMessage = "SMCファイルを指定してください。";
inline constexpr const char* kSkillNoImageFileMessage = "画像ファイルを指定してください。";
inline constexpr const char* kSkillNotWritableMessage = "ここには書き込めません。";
inline constexpr const char* kSkillCannotOpenRomMessage = "SMCファイルが開けません。";
// A selection outside the category tables or the IDs a category offers.
inline constexpr const char* kSkillNoSuchGraphicMessage = "指定された分類またはIDはありません。";
// A write address that is not a file offset of six hexadecimal digits.
inline constexpr const char* kSkillBadAddressMessage = "書き込みアドレスが正しくありません。";
// A pointer, graphic or palette that would lie past the end of the image.
inline constexpr const char* kSkillOutsideImageMessage =
    "SMCファイルの範囲外には書き込めません。";

// The size of a copier header; headerOffset is this or 0.
inline constexpr int kSkillCopierHeaderBytes = 512;

// What a dropped graphic may be: one 128 x 16 screen, and frames enough for any drawing
// program's output without letting a hostile file cost more than a few hundred kilobytes.
inline constexpr GifLimits kSkillGifLimits{kSkillGraphicWidth, kSkillGraphicHeight, 256,
                                           std::int64_t{kSkillGraphicWidth} *
                                               kSkillGraphicHeight * 256};

// The technique and spell graphics of an image: reading one with its palette into a GIF
// image, and writing a new 8-colour graphic, dropped on the page as a GIF, into the reserved
// category. The page copies its controls into the fields before each operation; an
// operation that fails leaves its message in `message` and returns it.
class Skill {
public:
    SkillPalette palette{}; // the shown graphic's colours; unread entries are 0
    SkillTiles tiles{};     // the shown graphic's decoded data
    std::string romPath;
    std::string message;   // the text of the last failure
    GifImage shownImage;    // the graphic read from the image
    GifImage importedImage; // the image dropped by the user
    int graphicCategory = 1; // index into kSkillGraphicCategories
    int graphicId = 0;
    int paletteCategory = 1; // index into kSkillPaletteCategories
    int paletteId = 0;
    int writeAddress = 0x5D0000; // where a written graphic goes; afterwards its last byte
    bool writePalette = true;    // "パレットも書き込む"
    int headerOffset = 0;        // 512 with a copier header, added to every file offset

    // Reads the selected graphic and palette from the image at `romPath` (opened for reading)
    // into `shownImage`. Fails with "ファイルが開けません。" when the image cannot be read
    // (`shownImage` is then left as it was; the page shows nothing) and with
    // kSkillNoSuchGraphicMessage for a selection outside the tables.
    Status ReadGraphic();
    // The same on an image the caller holds.
    Status ReadGraphic(RomStream& rom);

    // The palette of the selection: the built-in colours, or 2 bytes a colour from the
    // category's table at table + headerOffset + ID x palette size. Entries beyond the
    // category's colours, and bytes past the end of the image, are 0.
    void ReadPalette(RomStream& rom);
    // The decoded data of the selection: the pointer at table + headerOffset + ID x pointer
    // size, then the compressed data at its file offset + headerOffset. A 3-byte pointer of 0
    // is a graphic with no data (all zero). Bytes past the end of the image read as 0, so
    // nothing outside the image is read.
    void ReadTiles(RomStream& rom);
    // Appends the 128 x 16 frame of `tiles` in the category's format to `shownImage`, with
    // the 16 palette colours as its colour table (also made the image's global table) and a
    // graphic control extension of transparent index 0 with the flag off.
    void BuildImage();

    // Loads a dropped GIF into `importedImage` and checks it: a file that cannot be read as a
    // GIF fails with "ファイルの読み出しに失敗しました。"; a screen other than 128 x 16 with
    // "128×16の画像以外使用できません。" (decided from the header, before any decoding); a
    // first-frame pixel of colour index above 7 with "使用できない色が検出されました。\nx:" x
    // "  y:" y for the first one, row by row. A refused image leaves `importedImage` empty.
    Status ImportImage(const std::filesystem::path& path);
    // The same for the bytes of a GIF file.
    Status ImportImageBytes(std::span<const std::uint8_t> bytes);

    // Writes `importedImage` into the image at `romPath` as graphic `graphicId` of the
    // reserved category, at `writeAddress`: the pointer, the compressed tiles and, with
    // `writePalette`, its first 8 colours as palette `paletteId` of the reserved palette
    // category. Refuses, in this order: no ROM path, no imported image, another category
    // than the reserved ones ("ここには書き込めません。"), an image that cannot be read
    // ("SMCファイルが開けません。"), an address that is not a file offset of six hexadecimal
    // digits, and any of the three writes passing the end of the image. Nothing is written
    // unless every check has passed; the image file is replaced whole (RomImageEdit). On
    // success `writeAddress` is the file offset of the last byte of the graphic's data.
    Status WriteGraphic(const ImageChangeOptions& options = {});
    // The checks and writes on an image the caller holds (the ROM path is not looked at).
    Status WriteGraphic(RomStream& rom);

    // Saves `shownImage` unchanged as a GIF file ("GIFで保存"); fails with
    // "画像が指定されていません。" when nothing has been read, with "出力先が入力ファイルと同じ
    // です。" and the name when `path` is the image at `romPath`, or when the file cannot be
    // written.
    Status SaveShownImage(const std::filesystem::path& path);

private:
    Status Fail(std::string text);
    Status CheckSelection() const;
    Status CheckWritable() const;
    Status WriteChecked(RomStream& rom);
};

// Checks an image as a dropped graphic: a 128 x 16 screen whose first frame uses colour
// indices 0 to 7 only. Returns the message of the first problem.
Status CheckSkillImage(const GifImage& image);

// The 16 colours a GIF image's pixels refer to (its first frame's own table, else the global
// one), black past the end of the table.
std::array<GifColor, kSkillPaletteColours> SkillImageColours(const GifImage& image);

} // namespace varn
