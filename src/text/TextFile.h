#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "rom/Result.h"

namespace varn {

// Reads a text file users share (settings, MML songs, patch lists, the metadata of a BPS
// patch) and turns it into UTF-8 as DecodeTextFileBytes does. A file larger than `maxSize`
// bytes is refused with "ファイルが大きすぎます。" from its size, before anything is read; a
// file that is missing, not a regular file or cannot be read fails with "ファイルが開けません。".
// Reading takes the file's bytes and the decoded text, no more: CP932 grows by half at most
// (a two-byte character takes three in UTF-8) and a stray byte becomes three (U+FFFD).
Result<std::string> ReadTextFile(const std::filesystem::path& path, std::uintmax_t maxSize);

} // namespace varn
