#include "graphics/SpriteSheet.h"

#include <algorithm>
#include <cstdint>

#include "graphics/GifCodec.h"
#include "graphics/SnesColor.h"
#include "rom/FileIo.h"

namespace varn {

namespace {

constexpr GifColor kWhite{255, 255, 255};

std::span<const std::uint8_t, kTileBytes> TileAt(const SheetTiles& tiles, int tile)
{
    return std::span<const std::uint8_t, kTileBytes>(
        tiles.data() + static_cast<std::size_t>(tile) * kTileBytes, kTileBytes);
}

// The 64 indices of the 8 x 8 block at (x, y) of a frame.
// Whether the tile-sized block at (x, y) lies wholly inside the frame's pixels, so that its
// rows can be copied as they are.
bool BlockInside(const GifFrame& frame, int x, int y)
{
    return x >= 0 && y >= 0 && x + kTileSize <= frame.width && y + kTileSize <= frame.height &&
           frame.pixels.size() >= static_cast<std::size_t>(frame.width) *
                                      static_cast<std::size_t>(frame.height);
}

std::size_t PixelIndex(const GifFrame& frame, int x, int y)
{
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.width) +
           static_cast<std::size_t>(x);
}

TilePixels ReadBlock(const GifFrame& frame, int x, int y)
{
    TilePixels pixels{};
    const bool inside = BlockInside(frame, x, y);
    for (int row = 0; row < kTileSize; ++row) {
        std::uint8_t* to = pixels.data() + static_cast<std::size_t>(row * kTileSize);
        if (inside) {
            std::copy_n(frame.pixels.data() + PixelIndex(frame, x, y + row), kTileSize, to);
            continue;
        }
        // A block over the frame's edge reads 0 outside it.
        for (int column = 0; column < kTileSize; ++column)
            to[column] = frame.pixel(x + column, y + row);
    }
    return pixels;
}

void WriteBlock(GifFrame& frame, int x, int y, const TilePixels& pixels)
{
    const bool inside = BlockInside(frame, x, y);
    for (int row = 0; row < kTileSize; ++row) {
        const std::uint8_t* from = pixels.data() + static_cast<std::size_t>(row * kTileSize);
        if (inside) {
            std::copy_n(from, kTileSize, frame.pixels.data() + PixelIndex(frame, x, y + row));
            continue;
        }
        for (int column = 0; column < kTileSize; ++column)
            frame.setPixel(x + column, y + row, from[column]);
    }
}

const GifFrame* FirstFrame(const GifImage& image)
{
    return image.frames.empty() ? nullptr : &image.frames.front();
}

} // namespace

void FillFrameRect(GifFrame& frame, std::uint8_t index, int x, int y, int width, int height)
{
    // The rectangle is clipped to the frame once, and each row is filled whole.
    const auto left = std::max<std::int64_t>(x, 0);
    const auto top = std::max<std::int64_t>(y, 0);
    const auto right = std::min<std::int64_t>(std::int64_t{x} + width, frame.width);
    const auto bottom = std::min<std::int64_t>(std::int64_t{y} + height, frame.height);
    if (left >= right || top >= bottom)
        return;
    const auto frameWidth = static_cast<std::size_t>(frame.width);
    for (auto row = top; row < bottom; ++row) {
        const std::size_t start = static_cast<std::size_t>(row) * frameWidth;
        // A frame whose pixels fall short of its size keeps the part it has.
        const std::size_t end =
            std::min(start + static_cast<std::size_t>(right), frame.pixels.size());
        const std::size_t first = start + static_cast<std::size_t>(left);
        if (first >= end)
            break;
        std::fill(frame.pixels.begin() + static_cast<std::ptrdiff_t>(first),
                  frame.pixels.begin() + static_cast<std::ptrdiff_t>(end), index);
    }
}

void BuildSheetImage(const SheetPalette& palette, const SheetTiles& tiles, GifImage& image)
{
    GifFrame frame(kSheetWidth, kSheetHeight);

    GifColorTable colors;
    for (std::size_t i = 0; i < 16; ++i)
        colors.push_back(SnesToImageColor(
            static_cast<std::uint16_t>(palette[2 * i] | (palette[2 * i + 1] << 8))));
    colors.push_back(kWhite);
    for (std::size_t i = 0; i < kFixedSheetColours.size(); ++i)
        colors[i + 1] = SnesToImageColor(kFixedSheetColours[i]);

    FillFrameRect(frame, kSheetBackgroundIndex, 0, 0, kSheetWidth, kSheetHeight);
    for (const SheetRect& mark : kEmptySlotMarks)
        FillFrameRect(frame, kForbiddenSheetIndex, mark.x, mark.y, mark.width, mark.height);

    for (int tile = 0; tile < kSheetTileCount; ++tile) {
        const SheetPoint origin = SlotOrigin(SheetTileSlots[static_cast<std::size_t>(tile)]);
        WriteBlock(frame, origin.x, origin.y, DecodeTile(TileAt(tiles, tile)));
    }
    frame.control = GifControl{.transparentIndex = 0, .transparent = false};

    if (image.frames.empty()) {
        image.width = kSheetWidth;
        image.height = kSheetHeight;
    }
    image.colors = std::move(colors);
    image.frames.push_back(std::move(frame));
}

SheetPalette PaletteFromImage(const GifImage& image)
{
    const GifColorTable& colors = image.frameColors(0);
    SheetPalette palette{};
    for (std::size_t i = 0; i < 16; ++i) {
        std::uint16_t word = i < colors.size() ? ImageToSnesColor(colors[i]) : 0;
        if (i >= 1 && i <= kFixedSheetColours.size())
            word = kFixedSheetColours[i - 1];
        palette[2 * i] = static_cast<std::uint8_t>(word);
        palette[2 * i + 1] = static_cast<std::uint8_t>(word >> 8);
    }
    return palette;
}

SheetTiles TilesFromImage(const GifImage& image)
{
    SheetTiles tiles{};
    const GifFrame* frame = FirstFrame(image);
    if (frame == nullptr)
        return tiles;
    for (int tile = 0; tile < kSheetTileCount; ++tile) {
        const SheetPoint origin = SlotOrigin(SheetTileSlots[static_cast<std::size_t>(tile)]);
        const TileBytes bytes = EncodeTile(ReadBlock(*frame, origin.x, origin.y));
        std::copy(bytes.begin(), bytes.end(),
                  tiles.begin() + static_cast<std::ptrdiff_t>(tile) * kTileBytes);
    }
    return tiles;
}

TileBytes TileFromImage(const GifImage& image, int column, int row)
{
    const GifFrame* frame = FirstFrame(image);
    if (frame == nullptr)
        return {};
    return EncodeTile(ReadBlock(*frame, kTileSize * column, kTileSize * row));
}

SheetColourCheck CheckSheetColours(const GifImage& image)
{
    const GifFrame* frame = FirstFrame(image);
    if (frame == nullptr)
        return {false, 0, 0};
    for (int slot : SheetTileSlots) {
        const SheetPoint origin = SlotOrigin(slot);
        for (int y = 0; y < kTileSize; ++y) {
            for (int x = 0; x < kTileSize; ++x) {
                const std::uint8_t index = frame->pixel(origin.x + x, origin.y + y);
                if (index > 15 || index == kForbiddenSheetIndex)
                    return {false, origin.x + x, origin.y + y};
            }
        }
    }
    return {};
}

std::string UnusableColourMessage(int x, int y)
{
    return "使用できない色が検出されました。\nx:" + std::to_string(x) + "  y:" + std::to_string(y);
}

Status PrepareSheetImage(GifImage& image)
{
    if (image.width != kSheetWidth || image.height != kSheetHeight || image.frames.empty())
        return Failure{kInvalidImageMessage};
    if (const SheetColourCheck check = CheckSheetColours(image); !check.ok)
        return Failure{UnusableColourMessage(check.x, check.y)};

    // The sheet is edited with one colour table, the one its pixels mean.
    GifFrame& first = image.frames.front();
    if (!first.colors.empty())
        image.colors = std::move(first.colors);
    first.colors.clear();
    if (image.colors.size() < 16)
        image.colors.resize(16, GifColor{0, 0, 0});
    image.colors[1] = SnesToImageColor(kFixedSheetColours[0]);
    image.colors[2] = SnesToImageColor(kFixedSheetColours[1]);
    if (first.control)
        first.control->transparent = false;
    return {};
}

Result<GifImage> LoadSheetImage(const std::filesystem::path& path)
{
    const auto bytes = ReadFileBytes(path);
    if (!bytes)
        return Failure{bytes.message()};
    // A GIF whose screen is not the sheet's is refused from its header, before any decoding.
    if (const auto screen = GifScreenSize(bytes.value());
        screen && (screen->first != kSheetWidth || screen->second != kSheetHeight))
        return Failure{kInvalidImageMessage};
    Result<GifImage> image = DecodeGif(bytes.value(), kSheetGifLimits);
    if (!image)
        return image;
    if (Status status = PrepareSheetImage(image.value()); !status)
        return Failure{status.message()};
    return image;
}

} // namespace varn
