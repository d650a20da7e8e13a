#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "graphics/GifImage.h"
#include "rom/Result.h"

namespace varn {

// Reading and writing GIF files through giflib.

// Decodes a GIF: every frame (interlaced frames are put in row order), the global and local
// colour tables, each frame's graphic control extension and the looping extension. A GIF
// giflib cannot read fails with giflib's own error text; one that ValidateGifImage refuses
// fails with its message. Frames larger than kMaxGifFramePixels are refused before their
// pixels are read.
Result<GifImage> DecodeGif(std::span<const std::uint8_t> bytes);

// Reads and decodes a GIF file; a file that cannot be read fails with "ファイルが開けません。".
Result<GifImage> LoadGifFile(const std::filesystem::path& path);

// Encodes an image as GIF89a: colour tables are padded to a power of two with black, each
// frame's graphic control extension is written before it, and the looping extension before
// the first frame. Refuses an image that ValidateGifImage refuses.
Result<std::vector<std::uint8_t>> EncodeGif(const GifImage& image);

// Encodes and writes an image to a file, replacing it only once the whole file is written.
Status SaveGifFile(const GifImage& image, const std::filesystem::path& path);

} // namespace varn
