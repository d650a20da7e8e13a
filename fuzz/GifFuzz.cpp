// GIF files as the program reads them: DecodeGif, then the sprite sheet loader's
// PrepareSheetImage on what was decoded, as choosing a sheet on the page "キャラパッチ" does.
//
// A decoded image is also written with EncodeGif and read again: the codec keeps everything
// its image model holds, so the second reading must equal the first. A refused GIF is refused
// in the program's words, never with giflib's English error text.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "FuzzSupport.h"
#include "graphics/GifCodec.h"
#include "graphics/GifImage.h"
#include "graphics/SnesColor.h"
#include "graphics/SpriteSheet.h"

namespace varn::fuzz {
namespace {

bool SameFrame(const GifFrame& a, const GifFrame& b)
{
    return a.left == b.left && a.top == b.top && a.width == b.width && a.height == b.height &&
           a.interlaced == b.interlaced && a.colors == b.colors && a.pixels == b.pixels &&
           a.control == b.control;
}

bool SameImage(const GifImage& a, const GifImage& b)
{
    if (a.width != b.width || a.height != b.height || a.colors != b.colors ||
        a.backgroundIndex != b.backgroundIndex || a.loopCount != b.loopCount ||
        a.frames.size() != b.frames.size())
        return false;
    for (std::size_t i = 0; i < a.frames.size(); ++i) {
        if (!SameFrame(a.frames[i], b.frames[i]))
            return false;
    }
    return true;
}

void CheckRoundTrip(const GifImage& image)
{
    const Result<std::vector<std::uint8_t>> encoded = EncodeGif(image);
    Require(encoded.ok(), "a decoded image encodes");
    const Result<GifImage> again = DecodeGif(encoded.value());
    Require(again.ok(), "an encoded image decodes");
    Require(SameImage(again.value(), image), "encoding and decoding keep the image");
}

// What the character editor relies on once a sheet is accepted: one colour table of at least
// 16 colours with the fixed colours 1 and 2, no transparency, and tiles and a palette that
// draw the same sheet again.
void CheckPreparedSheet(const GifImage& sheet)
{
    const GifFrame& first = sheet.frames.front();
    Require(first.colors.empty(), "a prepared sheet uses the global colour table");
    Require(sheet.colors.size() >= 16, "a prepared sheet has 16 colours");
    Require(sheet.colors[1] == SnesToImageColor(kFixedSheetColours[0]) &&
                sheet.colors[2] == SnesToImageColor(kFixedSheetColours[1]),
            "a prepared sheet has the fixed colours 1 and 2");
    Require(!first.control || !first.control->transparent, "a prepared sheet is opaque");
    Require(CheckSheetColours(sheet).ok, "a prepared sheet passed the colour check");

    const SheetPalette palette = PaletteFromImage(sheet);
    const SheetTiles tiles = TilesFromImage(sheet);
    GifImage redrawn;
    BuildSheetImage(palette, tiles, redrawn);
    Require(ValidateGifImage(redrawn).ok(), "a redrawn sheet is valid");
    Require(TilesFromImage(redrawn) == tiles, "a redrawn sheet keeps the tiles");
    Require(PaletteFromImage(redrawn) == palette, "a redrawn sheet keeps the palette");
}

} // namespace
} // namespace varn::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varn;
    Result<GifImage> decoded = DecodeGif(fuzz::Bytes(data, size));
    if (!decoded) {
        fuzz::Require(!decoded.message().empty(), "a refused GIF says why");
        fuzz::Require(fuzz::InTheDecodersWords(decoded.message()) &&
                          !fuzz::HoldsAGiflibMessage(decoded.message()),
                      "a refused GIF says why in the program's words");
        return 0;
    }
    GifImage& image = decoded.value();
    fuzz::Require(ValidateGifImage(image).ok(), "a decoded image is valid");
    // The sheet loader refuses by the header's screen size before decoding; it must be the
    // size the decoder finds.
    fuzz::Require(GifScreenSize(fuzz::Bytes(data, size)) == std::pair(image.width, image.height),
                  "the header's screen size is the decoded one");
    for (const GifFrame& frame : image.frames) {
        // The graphic control extension stores the delay in 16 bits and the index in 8.
        fuzz::Require(!frame.control ||
                          (frame.control->delay >= 0 && frame.control->delay <= 0xFFFF &&
                           frame.control->transparentIndex >= 0 &&
                           frame.control->transparentIndex <= 0xFF),
                      "a decoded graphic control extension holds what the file can say");
    }
    fuzz::CheckRoundTrip(image);

    const Status prepared = PrepareSheetImage(image);
    if (prepared)
        fuzz::CheckPreparedSheet(image);
    else
        fuzz::Require(!prepared.message().empty(), "a refused sheet says why");
    return 0;
}
