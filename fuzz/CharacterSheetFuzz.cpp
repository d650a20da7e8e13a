// Sprite sheets read from a ROM image, as the page "キャラグラフィック" reads them, and their
// animations as the window "アニメーション確認" builds them.
//
// The input describes an image instead of being one (images are megabytes): its first four
// bytes give the image's size (up to 8 MiB), the next 120 the pointer entries of the extra
// codes at 0x5A8630, the next 240 their names at 0x3D1A00, the rest the palettes from
// 0x5A9D70 on. Every other byte of the image follows a fixed pattern. The image refuses any
// read outside it: the readers must check a range before they ask for it.
//
// Checked: every code of the page's list either reads a whole sheet or is refused with one of
// the readers' messages; a sheet is read exactly when its palette and tile block lie inside the
// image; the sheet drawn holds the tiles read; the animation of every pose is valid, holds the
// sheet's tiles, survives a save and a load, and the poison tint comes off exactly.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "FuzzSupport.h"
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

// An image of a given size whose bytes are a pattern, except the regions placed in it.
class DescribedImage : public RomStream {
public:
    explicit DescribedImage(std::uint64_t size) : size_(size) {}

    void place(std::uint64_t offset, std::span<const std::uint8_t> bytes)
    {
        regions_[offset].assign(bytes.begin(), bytes.end());
    }

    std::uint64_t size() const override { return size_; }
    bool writable() const override { return false; }
    bool writeAt(std::uint64_t, std::span<const std::uint8_t>) override { return false; }

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        Require(contains(offset, out.size()), "nothing is read outside the image");
        for (std::size_t i = 0; i < out.size(); ++i) {
            const std::uint64_t at = offset + i;
            out[i] = static_cast<std::uint8_t>((at * 131) ^ (at >> 9));
        }
        // The placed regions over the pattern.
        const std::uint64_t end = offset + out.size();
        for (const auto& [start, bytes] : regions_) {
            const std::uint64_t from = std::max(start, offset);
            const std::uint64_t to = std::min<std::uint64_t>(start + bytes.size(), end);
            for (std::uint64_t at = from; at < to; ++at)
                out[at - offset] = bytes[at - start];
        }
        return true;
    }

private:

    std::uint64_t size_;
    std::map<std::uint64_t, std::vector<std::uint8_t>> regions_;
};

bool KnownRefusal(const std::string& message)
{
    return message == kUnknownSheetCodeMessage || message == kNoExtraSheetMessage ||
           message == kSheetOutsideImageMessage;
}

// Whether the sheet of an extra code lies wholly in the image, worked out from the bytes the
// input placed, independently of the reader.
bool ExtraSheetInside(DescribedImage& image, std::uint8_t code)
{
    if (!IsExpandedImageSize(image.size()))
        return false;
    const std::uint64_t n = code - kFirstExtraSheetCode;
    const std::uint64_t entry = kExtraSheetPointers + 4 * n;
    if (!image.contains(entry, 4))
        return false;
    std::array<std::uint8_t, 4> bytes{};
    image.readAt(entry, bytes);
    const std::uint32_t bank = bytes[3];
    const std::uint32_t address = bytes[1] | (bytes[2] << 8);
    const std::uint64_t tiles = bank >= 0xC0 ? (bank - 0xC0) * 0x10000 + address
                                             : bank * 0x10000 + address;
    return image.contains(kExtraSheetPalettes + 32 * n, 32) && image.contains(tiles, 7104);
}

void CheckAnimations(const GifImage& sheet)
{
    const SheetTiles tiles = TilesFromImage(sheet);
    for (int pose = 0; pose < kPoseCount; ++pose) {
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
                const int slot = AnimationFrames[static_cast<std::size_t>(number)]
                                                [static_cast<std::size_t>(j)];
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
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    if (size < 4)
        return 0;
    std::uint32_t declared = 0;
    std::memcpy(&declared, data, 4);
    fuzz::DescribedImage image(declared % (fuzz::kMaxImageSize + 1));
    std::span<const std::uint8_t> rest = fuzz::Bytes(data + 4, size - 4);
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

    bool animated = false;
    for (const ListItem& item : items) {
        Result<GifImage> sheet = ReadCharacterSheet(image, item.code);
        if (!sheet) {
            fuzz::Require(fuzz::KnownRefusal(sheet.message()), "a refusal is a known message");
            if (IsExtraSheetCode(item.code))
                fuzz::Require(!fuzz::ExtraSheetInside(image, item.code),
                              "an extra sheet inside the image is read");
            continue;
        }
        if (IsExtraSheetCode(item.code))
            fuzz::Require(fuzz::ExtraSheetInside(image, item.code),
                          "an extra sheet outside the image is refused");
        const Result<CharacterSheetData> data = ReadCharacterSheetData(image, item.code);
        fuzz::Require(data.ok() && TilesFromImage(sheet.value()) == data.value().tiles,
                      "a sheet drawn from the image holds the tiles read");
        fuzz::Require(ValidateGifImage(sheet.value()).ok(), "a sheet is a valid image");
        // Animating one sheet per input keeps a run fast; the pattern and the placed bytes make
        // the extra codes' sheets differ from input to input.
        if (!animated && (IsExtraSheetCode(item.code) || item.code == 0x1F)) {
            fuzz::CheckAnimations(sheet.value());
            animated = true;
        }
    }
    for (const std::uint8_t code : {std::uint8_t{0x20}, std::uint8_t{0xAF}, std::uint8_t{0xCE}}) {
        const Result<GifImage> sheet = ReadCharacterSheet(image, code);
        fuzz::Require(!sheet.ok() && sheet.message() == kUnknownSheetCodeMessage,
                      "a code the page does not list is refused");
    }
    return 0;
}
