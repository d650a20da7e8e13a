#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The message for a file that cannot be written.
inline constexpr const char* kCannotWriteFileMessage = "ファイルに書き込めません。";

// Reads a whole regular file. Fails with "ファイルが開けません。" for a missing file, a folder
// or a file that cannot be read, and refuses files larger than `maxSize` bytes the same way.
Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                std::uintmax_t maxSize = 256u << 20);

// Writes a file the program creates: the bytes go to a temporary file beside the target,
// which then replaces the target, so a failed write never leaves half a file behind and an
// existing file stays as it was. Fails with "ファイルに書き込めません。" and the path.
Status WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

} // namespace varn
