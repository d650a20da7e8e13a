// Sprite sheets read from a ROM image, as the page "キャラグラフィック" reads them, and their
// animations as the window "アニメーション確認" builds them.
//
// The input describes an image instead of being one (images are megabytes): its first four
// bytes give the image's size (up to 8 MiB), the next two choose the sheet drawn (an item of
// the page's list) and the pose animated, the next 120 the pointer entries of the extra codes
// at 0x5A8630, the next 240 their names at 0x3D1A00, the rest the palettes from 0x5A9D70 on.
// Every other byte of the image follows a fixed pattern. The image refuses any read outside
// it: the readers must check a range before they ask for it.
//
// Checked: every code of the page's list either reads a whole sheet or is refused with one of
// the readers' messages; a sheet is read exactly when its palette and tile block lie inside the
// image; the sheet drawn is refused as its data is, or holds the tiles read; the animation of
// its pose is valid, holds the sheet's tiles, survives a save and a load, and the poison tint
// comes off exactly. Drawing and animating take most of a run, so one sheet and one pose are
// drawn per input, the input choosing them: over many inputs every code and pose is drawn. A
// sheet of the same bytes in the same pose is drawn once per process (see SeenBefore).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

#include "FuzzSupport.h"
#include "SparseRomStream.h"
#include "charpatch/CharacterGraphicsItems.h"
#include "graphics/Animation.h"
#include "graphics/CharacterSheetRom.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"

namespace varn::fuzz {
namespace {

constexpr std::uint64_t kMaxImageSize = 8u << 20;

// The pattern of the image's bytes: byte (o * 131) ^ (o >> 9) at offset o, which repeats every
// 128 KiB.
const std::vector<std::uint8_t>& ImagePattern()
{
    static const std::vector<std::uint8_t> pattern = [] {
        std::vector<std::uint8_t> bytes(std::size_t{1} << 17);
        for (std::size_t at = 0; at < bytes.size(); ++at)
            bytes[at] = static_cast<std::uint8_t>((at * 131) ^ (at >> 9));
        return bytes;
    }();
    return pattern;
}

bool KnownRefusal(const std::string& message)
{
    return message == kUnknownSheetCodeMessage || message == kNoExtraSheetMessage ||
           message == kSheetOutsideImageMessage;
}

// Whether the sheet of an extra code lies wholly in the image, worked out from the bytes the
// input placed, independently of the reader.
bool ExtraSheetInside(const SparseRomStream& image, std::uint8_t code)
{
    if (!IsExpandedImageSize(image.size()))
        return false;
    const std::uint64_t n = code - kFirstExtraSheetCode;
    const std::uint64_t entry = kExtraSheetPointers + 4 * n;
    if (!image.contains(entry, 4))
        return false;
    std::array<std::uint8_t, 4> bytes{};
    image.peek(entry, bytes);
    const std::uint32_t bank = bytes[3];
    const std::uint32_t address = bytes[1] | (bytes[2] << 8);
    const std::uint64_t tiles =
        bank >= 0xC0 ? (bank - 0xC0) * 0x10000 + address : bank * 0x10000 + address;
    return image.contains(kExtraSheetPalettes + 32 * n, 32) && image.contains(tiles, 7104);
}

// The animation of `pose` built from a sheet drawn from the image, whose tiles are `tiles`.
void CheckAnimation(const GifImage& sheet, const SheetTiles& tiles, int pose)
{
    Result<GifImage> animation = CreateGifAnim(sheet, pose);
    Require(animation.ok(), "a sheet read from the image animates");
    GifImage& gif = animation.value();
    Require(ValidateGifImage(gif).ok(), "an animation is a valid image");
    Require(gif.frames.size() == AnimationPoses[static_cast<std::size_t>(pose)].count,
            "an animation has its pose's frames");
    // The frames hold the sheet's tiles: reading tile j back from a frame gives the tile
    // the frame table names.
    for (std::size_t i = 0; i < gif.frames.size(); ++i) {
        const int number = AnimationPoses[static_cast<std::size_t>(pose)].frames[i];
        for (int j = 0; j < kAnimationFrameTiles; ++j) {
            const int slot =
                AnimationFrames[static_cast<std::size_t>(number)][static_cast<std::size_t>(j)];
            const auto at = std::find(SheetTileSlots.begin(), SheetTileSlots.end(), slot);
            const auto t = at - SheetTileSlots.begin();
            TilePixels pixels{};
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x)
                    pixels[static_cast<std::size_t>(y * 8 + x)] =
                        gif.frames[i].pixel(8 * (j % 3) + x, 8 * (j / 3) + y);
            const TileBytes bytes = EncodeTile(pixels);
            Require(std::equal(bytes.begin(), bytes.end(), tiles.begin() + t * kTileBytes),
                    "an animation frame holds the sheet's tiles");
        }
    }
    const GifColorTable plain = gif.colors;
    const PoisonTint tint = ApplyPoisonTint(gif);
    RemovePoisonTint(gif, tint);
    Require(gif.colors == plain, "the poison tint comes off exactly");

    ApplyAnimationTransparency(gif, 1);
    const Result<std::vector<std::uint8_t>> encoded = EncodeGif(gif);
    Require(encoded.ok(), "an animation encodes");
    const Result<GifImage> decoded = DecodeGif(encoded.value());
    Require(decoded.ok() && decoded.value().loopCount == 0 &&
                decoded.value().frames.size() == gif.frames.size(),
            "an encoded animation decodes with its loop and frames");
    for (std::size_t i = 0; i < gif.frames.size(); ++i)
        Require(decoded.value().frames[i].pixels == gif.frames[i].pixels &&
                    decoded.value().frames[i].control == gif.frames[i].control,
                "a decoded animation frame is the one encoded");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    if (size < 6)
        return 0;
    std::uint32_t declared = 0;
    std::memcpy(&declared, data, 4);
    fuzz::SparseRomStream image(declared % (fuzz::kMaxImageSize + 1), fuzz::ImagePattern(), false);
    const std::uint8_t drawnChoice = data[4];
    const int pose = data[5] % kPoseCount;
    std::span<const std::uint8_t> rest = fuzz::Bytes(data + 6, size - 6);
    const auto take = [&rest](std::size_t count) {
        const std::size_t n = std::min(count, rest.size());
        const auto part = rest.first(n);
        rest = rest.subspan(n);
        return part;
    };
    image.place(kExtraSheetPointers, take(kExtraSheetPointerSize * kExtraSheetCount));
    image.place(kExtraSheetNames, take(kExtraSheetNameSize * kExtraSheetCount));
    image.place(kExtraSheetPalettes, take(32 * kExtraSheetCount));

    const ItemList items = CharacterGraphicsItems(image);
    fuzz::Require(items.size() == (IsExpandedImageSize(image.size()) ? 62u : 32u),
                  "the list has 32 items, 62 on an expanded image");

    for (const ListItem& item : items) {
        const Result<CharacterSheetData> sheetData = ReadCharacterSheetData(image, item.code);
        if (!sheetData) {
            fuzz::Require(fuzz::KnownRefusal(sheetData.message()), "a refusal is a known message");
            if (IsExtraSheetCode(item.code))
                fuzz::Require(!fuzz::ExtraSheetInside(image, item.code),
                              "an extra sheet inside the image is read");
            continue;
        }
        if (IsExtraSheetCode(item.code))
            fuzz::Require(fuzz::ExtraSheetInside(image, item.code),
                          "an extra sheet outside the image is refused");
    }

    for (const std::uint8_t unlisted :
         {std::uint8_t{0x20}, std::uint8_t{0xAF}, std::uint8_t{0xCE}}) {
        const Result<GifImage> refused = ReadCharacterSheet(image, unlisted);
        fuzz::Require(!refused.ok() && refused.message() == kUnknownSheetCodeMessage,
                      "a code the page does not list is refused");
    }

    const std::uint8_t code = items[drawnChoice % items.size()].code;
    const Result<CharacterSheetData> sheetData = ReadCharacterSheetData(image, code);
    // Drawing and animating depend on nothing but the bytes and the pose, so a sheet that comes
    // again (the fixed codes' sheets lie in the pattern, the same in every image) is drawn once.
    static std::unordered_set<std::size_t> drawn;
    if (sheetData && fuzz::SeenBefore(drawn, {sheetData.value().palette, sheetData.value().tiles},
                                      static_cast<std::size_t>(pose)))
        return 0;
    const Result<GifImage> sheet = ReadCharacterSheet(image, code);
    fuzz::Require(sheet.ok() == sheetData.ok(), "a sheet is drawn exactly when it is read");
    if (!sheet) {
        fuzz::Require(sheet.message() == sheetData.message(), "a sheet is refused as it is read");
    } else {
        const SheetTiles tiles = TilesFromImage(sheet.value());
        fuzz::Require(tiles == sheetData.value().tiles,
                      "a sheet drawn from the image holds the tiles read");
        fuzz::Require(ValidateGifImage(sheet.value()).ok(), "a sheet is a valid image");
        fuzz::CheckAnimation(sheet.value(), tiles, pose);
    }

    return 0;
}
