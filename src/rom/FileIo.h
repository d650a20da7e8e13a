#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The message for a file that cannot be written.
inline constexpr const char* kCannotWriteFileMessage = "ファイルに書き込めません。";

// The message for a file larger than any its reader accepts.
inline constexpr const char* kFileTooLargeMessage = "ファイルが大きすぎます。";

// Reads a whole regular file. Fails with "ファイルが開けません。" for a missing file, a folder
// or a file that cannot be read, and refuses files larger than `maxSize` bytes the same way.
Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                std::uintmax_t maxSize = 256u << 20);

// Reads a whole regular file as ReadFileBytes does, but a file larger than `maxSize` bytes is
// refused with "ファイルが大きすぎます。", told from its size before anything is read or
// allocated. No more than `maxSize` bytes are read, even from a file that grows meanwhile.
Result<std::vector<std::uint8_t>> ReadBoundedFile(const std::filesystem::path& path,
                                                  std::uintmax_t maxSize);

// The file a write to `path` replaces: a symbolic link is followed (through every link of a
// chain) to the file it names, which need not exist yet. Fails with
// "ファイルに書き込めません。" and the path when that file exists and is not a regular file
// (a folder, a device, a FIFO, a socket) or the links form a loop: such nodes are never
// replaced. A regular file the user may not write is refused the same way.
Result<std::filesystem::path> ResolveWriteTarget(const std::filesystem::path& path);

// Writes a file the program creates or replaces. The bytes go to a temporary file beside the
// target, which is flushed to the disk and then renamed over the target, so a failure, a full
// disk or a crash at any moment leaves either the old file or the new one, never a mix. A
// link is followed and the file it names is replaced; an existing file keeps its permission
// bits and, where allowed, its owner. Fails with "ファイルに書き込めません。" and the path,
// leaving the target as it was.
Status WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Replaces `copy` with the present contents of the regular file `file` as WriteFileAtomically
// replaces a file (a link followed, nothing but a regular file replaced). Fails with
// "ファイルに書き込めません。" and the copy's path.
Status CopyFileAtomically(const std::filesystem::path& file, const std::filesystem::path& copy);

// One file of a set written together.
struct FileToWrite {
    std::filesystem::path path;
    std::span<const std::uint8_t> bytes;
};

// Writes files that belong together (a palette and its tiles): every file is written and
// flushed beside its target before the first one replaces its target, and when a later
// replacement fails the earlier ones are put back, so the set appears whole or not at all.
// Refuses two entries that name the same file. Fails as WriteFileAtomically does.
Status WriteFilesAtomically(std::span<const FileToWrite> files);

} // namespace varn
