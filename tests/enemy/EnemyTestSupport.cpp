#include "EnemyTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "enemy/EnemyGraphic.h"
#include "graphics/SnesTile.h"
#include "text/TextCodec.h"

namespace varn::test {

Bytes GameText(const std::string& text, std::size_t size)
{
    Bytes field(size);
    EXPECT_EQ(EncodeText(text, field), 0) << text;
    return field;
}

void Put(Bytes& image, std::size_t offset, std::span<const std::uint8_t> bytes)
{
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

Bytes At(const Bytes& image, std::size_t offset, std::size_t count)
{
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(offset),
                 image.begin() + static_cast<std::ptrdiff_t>(offset + count));
}

Bytes EnemyImage(std::size_t size)
{
    return RomImageBuilder::Target(size).build();
}

EnemyRecord SampleRecord()
{
    EnemyRecord record;
    record.race = 0x13;
    record.undead = true;
    record.female = false;
    record.male = true;
    record.recoveryElement = 5;
    record.resistances = {true, false, true, true, false};
    record.patternHigh = {true, false};
    record.patternChoice = 0x11;
    record.techniqueChoice = 6;
    record.hp = 0x1234;
    record.stats = {11, 12, 13, 14, 15, 16, 17};
    record.levels = {21, 22, 23, 24};
    record.patternLow = {0x20, 0x31};
    record.equipment = {0x08, 0x4F, 0x50, 0x60, 0xFF};
    record.noDisarm = {false, true};
    return record;
}

namespace {

GifImage Picture(int width, int height)
{
    GifImage picture;
    picture.width = width;
    picture.height = height;
    for (int i = 0; i < 16; ++i)
        picture.colors.push_back({static_cast<std::uint8_t>(16 * i),
                                  static_cast<std::uint8_t>(255 - 16 * i),
                                  static_cast<std::uint8_t>(8 * i)});
    picture.frames.emplace_back(width, height);
    return picture;
}

} // namespace

GifImage RandomPicture(std::mt19937& random, int width, int height, double zeroShare)
{
    GifImage picture = Picture(width, height);
    std::bernoulli_distribution zero(zeroShare);
    std::uniform_int_distribution<int> index(1, 15);
    for (std::uint8_t& pixel : picture.frames.front().pixels)
        pixel = zero(random) ? 0 : static_cast<std::uint8_t>(index(random));
    return picture;
}

GifImage BlankPicture(int width, int height)
{
    return Picture(width, height);
}

void SetTilePlaneBytes(GifImage& picture, int column, int row,
                       const std::array<std::uint8_t, 32>& planeOrder)
{
    TileBytes tile = planeOrder;
    RestoreTilePlanes(tile);
    const TilePixels pixels = DecodeTile(tile);
    for (int y = 0; y < kTileSize; ++y) {
        for (int x = 0; x < kTileSize; ++x)
            picture.frames.front().setPixel(8 * column + x, 8 * row + y,
                                            pixels[static_cast<std::size_t>(8 * y + x)]);
    }
}

} // namespace varn::test
