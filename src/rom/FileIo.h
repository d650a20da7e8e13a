#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The message for a file that cannot be written.
inline constexpr const char* kCannotWriteFileMessage = "ファイルに書き込めません。";

// The message for an output that is one of the command's input files.
inline constexpr const char* kOutputIsInputMessage = "出力先が入力ファイルと同じです。";

// Refuses to write `output` when it is the same file as one of `inputs`: the same file on the
// disk, whichever names lead to it (symbolic links followed, hard links, the same name
// spelled otherwise). Fails with "出力先が入力ファイルと同じです。" and the output's file name.
// An output that does not exist yet, and an input that does not exist, are never the same.
// Commands call it before they write anything, so a mistyped command never replaces the image
// or a file it reads.
Status CheckOutputNotInput(const std::filesystem::path& output,
                           std::span<const std::filesystem::path> inputs);
Status CheckOutputNotInput(const std::filesystem::path& output,
                           std::initializer_list<std::filesystem::path> inputs);

// The largest file read whole unless a reader says otherwise.
inline constexpr std::uintmax_t kMaxReadFileSize = 256u << 20;

// The message for a file larger than any its reader accepts.
inline constexpr const char* kFileTooLargeMessage = "ファイルが大きすぎます。";

// Reads a whole regular file. Fails with "ファイルが開けません。" for a missing file, a folder
// or a file that cannot be read, and refuses files larger than `maxSize` bytes the same way.
Result<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                std::uintmax_t maxSize = kMaxReadFileSize);

// The size of a regular file and its first bytes, for a reader that checks what a file says
// of itself before reading it whole.
struct FileHead {
    std::uintmax_t size = 0;
    std::vector<std::uint8_t> bytes; // the first `count` bytes, or all of a shorter file
};

// Reads the size and the first `count` bytes of a regular file; fails as ReadFileBytes does
// for a file that cannot be read.
Result<FileHead> ReadFileHead(const std::filesystem::path& path, std::size_t count);

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

// Writes files that belong together (a palette and its tiles): every file is written beside its
// target, then all are flushed to the disk in one pass before the first one replaces its
// target, and each folder is flushed once after the renames, and when a later
// replacement fails the earlier ones are put back, so the set appears whole or not at all.
// Refuses two entries that name the same file. Fails as WriteFileAtomically does; an earlier
// file that cannot be put back (its old contents could not be read or written again) is left
// with its new contents, never removed, and its path follows on a line of its own.
Status WriteFilesAtomically(std::span<const FileToWrite> files);

// Writes files that do not depend on one another (one per song), each as WriteFileAtomically
// writes it, whole or not at all, but with the disk flushes of the whole set done together:
// every temporary file is written, then all are flushed in one pass, then each is renamed over
// its target, then each folder is flushed once. One outcome per file, in order; a failed file
// leaves its target as it was and does not stop the others. An entry naming the same file as
// an earlier one fails. Every file of the set is open at once until the flush pass.
std::vector<Status> WriteEachFileAtomically(std::span<const FileToWrite> files);

} // namespace varn
