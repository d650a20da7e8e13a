#pragma once

#include <cstdint>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "enemy/EnemyRecord.h"
#include "graphics/GifImage.h"
#include "support/RomImageBuilder.h"

namespace varn::test {

using Bytes = std::vector<std::uint8_t>;

// The game text of `text` in a field of `size` bytes (the test fails when it does not encode).
Bytes GameText(const std::string& text, std::size_t size);

// Puts bytes into an image at `offset`.
void Put(Bytes& image, std::size_t offset, std::span<const std::uint8_t> bytes);

// The bytes of an image at `offset`.
Bytes At(const Bytes& image, std::size_t offset, std::size_t count);

// An image of the game of `size` bytes (expanded by default) whose enemy tables hold the
// builder's repeating pattern except where a test puts something.
Bytes EnemyImage(std::size_t size = RomImageBuilder::kExpandedSize);

// A record with every field different from its neighbours, so that a field put in the wrong
// place is seen.
EnemyRecord SampleRecord();

// A picture of `width` × `height` pixels with colour indices 0-15, one frame, 16 colours; a
// pixel is 0 with probability `zeroShare` (zero runs), else a random index.
GifImage RandomPicture(std::mt19937& random, int width, int height, double zeroShare);

// A picture of `width` × `height` pixels, all colour 0, 16 colours.
GifImage BlankPicture(int width, int height);

// Sets the pixels of tile (column, row) of the first frame so that the tile's bytes in plane
// order are `planeOrder`.
void SetTilePlaneBytes(GifImage& picture, int column, int row,
                       const std::array<std::uint8_t, 32>& planeOrder);

} // namespace varn::test
