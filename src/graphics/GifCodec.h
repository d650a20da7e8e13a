#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <utility>
#include <span>
#include <vector>

#include "graphics/GifImage.h"
#include "rom/Result.h"

namespace varn {

// Reading and writing GIF files through giflib.

// What a reader accepts of a GIF, checked before any pixel is decoded, so that a small file
// that claims huge or countless frames is refused at once and in little memory: the screen
// no larger than maxWidth × maxHeight (every frame lies inside it), at most maxFrames frames,
// and all frames together at most maxTotalPixels pixels.
struct GifLimits {
    int maxWidth = 4096;
    int maxHeight = 4096;
    int maxFrames = 1024;
    std::int64_t maxTotalPixels = std::int64_t{64} << 20;
};

// A GIF beyond the limits its reader accepts.
inline constexpr const char* kGifTooLargeMessage = "GIF画像が大きすぎます。";

// A file that giflib cannot read as a GIF: cut short, damaged, or no GIF at all. Every reader
// of GIF files gives this one message for it, whatever giflib's own error was.
inline constexpr const char* kGifReadFailedMessage = "ファイルの読み出しに失敗しました。";

// Decodes a GIF: every frame (interlaced frames are put in row order), the global and local
// colour tables, each frame's graphic control extension and the looping extension. A GIF
// giflib cannot read fails with "ファイルの読み出しに失敗しました。"; one that ValidateGifImage
// refuses fails with its message; one beyond `limits` fails with "GIF画像が大きすぎます。" before
// the pixels of the frame that passes them are read.
Result<GifImage> DecodeGif(std::span<const std::uint8_t> bytes, const GifLimits& limits = {});

// The logical screen size a GIF declares in its header (width, height), read without
// decoding; nullopt for bytes that do not begin as a GIF ("GIF" and a version giflib does not
// check).
std::optional<std::pair<int, int>> GifScreenSize(std::span<const std::uint8_t> bytes);

// Reads and decodes a GIF file; a file that cannot be read fails with "ファイルが開けません。".
Result<GifImage> LoadGifFile(const std::filesystem::path& path, const GifLimits& limits = {});

// Encodes an image as GIF89a: colour tables are padded to a power of two with black, each
// frame's graphic control extension is written before it, and the looping extension before
// the first frame. Refuses an image that ValidateGifImage refuses; should giflib fail while
// writing, fails with "ファイルに書き込めません。".
Result<std::vector<std::uint8_t>> EncodeGif(const GifImage& image);

// Encodes and writes an image to a file, replacing it only once the whole file is written.
Status SaveGifFile(const GifImage& image, const std::filesystem::path& path);

} // namespace varn
