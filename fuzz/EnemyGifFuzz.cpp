// GIF files as the enemy page reads them for a new battle graphic: LoadEnemyPictureBytes (the
// header's screen size, DecodeGif within the picture's limits, the picture rules), then what
// the page and the apply do with a picture that passes: the fields of the graphic sub-tab, the
// packed graphic and the planned writes into an image.
//
// Properties: a refusal says why, in the program's words; an accepted picture is at most
// 128 × 160 with sides that are multiples of 8 and colours 0-15, and is opaque; its packed size
// is the measured one and is what the size field shows; unpacking the packed graphic gives the
// picture back; the box chosen holds the picture; the planned writes lie inside the image and
// begin with the packed graphic at the address given.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyTables.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"

namespace varn::fuzz {
namespace {

// An image just large enough for the graphic tables of enemy 0x010, whose graphic record lies
// at 0x26D000 + 0x0040, with room after them for the packed graphic.
RomStream& SmallImage()
{
    static MemoryRomStream image = [] {
        std::vector<std::uint8_t> bytes(0x280000, 0);
        bytes[GraphicRecordOffsetEntry(0x010)] = 0x40;
        return MemoryRomStream(std::move(bytes), false);
    }();
    return image;
}

void CheckPicture(GifImage& picture)
{
    Require(!picture.frames.empty(), "an accepted picture has a frame");
    Require(picture.width >= kTileSize && picture.width <= kMaxEnemyPictureWidth &&
                picture.height >= kTileSize && picture.height <= kMaxEnemyPictureHeight,
            "an accepted picture is at most 128 x 160");
    Require(picture.width % kTileSize == 0 && picture.height % kTileSize == 0,
            "an accepted picture is made of whole tiles");
    const GifFrame& first = picture.frames.front();
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x)
            Require(first.pixel(x, y) <= 15, "an accepted picture uses colours 0-15");
    }
    Require(!first.control || !first.control->transparent, "an accepted picture is opaque");

    const std::vector<std::uint8_t> packed = PackEnemyGraphic(picture);
    Require(static_cast<int>(packed.size()) == MeasureEnemyGraphic(picture),
            "the packed size is the measured one");
    const Result<UnpackedEnemyGraphic> unpacked = UnpackEnemyGraphic(packed);
    Require(unpacked.ok(), "a packed graphic unpacks");
    Require(unpacked.value().width == picture.width && unpacked.value().height == picture.height,
            "unpacking gives the picture's size back");
    Require(unpacked.value().packedSize == static_cast<int>(packed.size()),
            "unpacking reads the whole packed graphic");
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x)
            Require(unpacked.value().pixels[static_cast<std::size_t>(y * picture.width + x)] ==
                        first.pixel(x, y),
                    "unpacking gives the picture's pixels back");
    }

    EnemyForm form;
    form.enemy = 0x010;
    form.address = "270000";
    ShowEnemyPictureFields(picture, form);
    Require(form.dataSize == HexDigits(static_cast<std::int64_t>(packed.size()), 4),
            "the size field shows the packed size");
    Require(form.boxWidth >= 1 && form.boxWidth <= 3 && form.boxHeight >= 1 &&
                form.boxHeight <= 4,
            "the box chosen is one the lists offer, at least 64 x 64");
    Require((form.boxWidth + 1) * 32 >= picture.width && (form.boxHeight + 1) * 32 >= picture.height,
            "the box holds the picture");
    Require(form.offsetX * 8 * 2 <= (form.boxWidth + 1) * 32 - picture.width &&
                form.offsetY * 8 + picture.height <= (form.boxHeight + 1) * 32,
            "the picture stays inside its box");

    std::vector<ImageWrite> writes;
    RomStream& image = SmallImage();
    if (const Status written = WriteEnemyGraphic(image, picture, form, writes); !written) {
        Require(!written.message().empty(), "a refused graphic says why");
        Require(writes.empty(), "a refused graphic plans no write");
        return;
    }
    Require(writes.size() == 5 && writes.front().offset == 0x270000 && writes.front().bytes == packed,
            "the packed graphic is written first, at the address given");
    for (const ImageWrite& write : writes)
        Require(image.contains(write.offset, write.bytes.size()), "every write lies inside the image");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    Result<GifImage> picture = LoadEnemyPictureBytes(fuzz::Bytes(data, size));
    if (!picture) {
        fuzz::Require(!picture.message().empty(), "a refused picture says why");
        fuzz::Require(!fuzz::HoldsAGiflibMessage(picture.message()),
                      "a refused picture says why in the program's words");
        return 0;
    }
    fuzz::CheckPicture(picture.value());
    return 0;
}
