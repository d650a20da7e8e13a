#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "rom/ImageBuffer.h"
#include "rom/ImageLock.h"
#include "rom/Result.h"
#include "rom/RomStream.h"

namespace varn {

// The largest a ROM image may be, read or grown: far above any cartridge and any IPS patch's
// reach, so only a wrong file is refused.
inline constexpr std::uintmax_t kMaxRomImageSize = 64u << 20;

// How a change reaches the image file.
struct ImageChangeOptions {
    // Keeps the image as it was before the change as "<file name>.bak" beside it.
    bool backup = false;
    // What the change is, as its history entry names it: the page or verb and its subject
    // ("敵変更 【0005】", "mml compile B0").
    std::string what;
    // The state folder the image's history is kept in (HistoryFolder()); empty: the change is
    // not recorded.
    std::filesystem::path history;
};

// The message for an image another program replaced or changed while a command had it in hand
// without holding its lock.
inline constexpr const char* kImageChangedOutsideMessage =
    "ROMイメージが読み込んだ後にほかのプログラムで変更されたため、書き込みませんでした。";

// What a command saw of an image file when it read it: enough to tell whether the file is
// still the one it read.
struct ImageFileState {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds since 1970
    std::uint64_t checksum = 0;

    // The file's identity on the disk without its checksum: the same file, unchanged since.
    bool sameFile(const ImageFileState& other) const
    {
        return device == other.device && inode == other.inode && size == other.size &&
               modified == other.modified;
    }
    friend bool operator==(const ImageFileState&, const ImageFileState&) = default;
};

// The state of the file at `path` (a link followed) without its checksum; nullopt when it is
// not there.
std::optional<ImageFileState> StatImageFile(const std::filesystem::path& path);

// A change to a ROM image file. The image is read whole into memory; the command runs on the
// memory copy; commit() then replaces the file through a temporary file beside it, flushed
// to the disk and renamed over it. A command that fails or is refused is simply not
// committed, and a crash, a kill or a full disk at any moment leaves the file either as it
// was or as the command left it, never a mix.
class RomImageEdit {
public:
    // Takes the image's lock (ImageLock: another command changing it is waited for) and reads
    // the image; fails with "ファイルが開けません。" for a file that is missing, not a regular
    // file, unreadable, not writable by the user or larger than kMaxRomImageSize.
    static Result<RomImageEdit> open(const std::filesystem::path& path);

    // The image in memory, for the command to read and change; it may grow up to
    // kMaxRomImageSize bytes, and be cut shorter (the commit then writes the shorter file).
    RomStream& image() { return *image_; }

    // Whether the command has written to the image (or lengthened or cut it).
    bool changed() const { return image_->modified(); }

    // Replaces the file with the image in memory (a link is followed to its file, whose
    // permission bits and, where allowed, owner are kept), first copying the file as it is to
    // the backup when asked for. An image nothing was written to writes nothing. Fails with
    // "ファイルに書き込めません。" and the file name, the file as it was; a backup that is the
    // image itself (a link to it) is refused with "出力先が入力ファイルと同じです。" and the
    // backup's name before anything is written. A file that is no longer the one read (another
    // program without the lock replaced or changed it) is refused with
    // "ROMイメージが読み込んだ後にほかのプログラムで変更されたため、書き込みませんでした。".
    // With a history folder, the change is recorded in the image's history (a history that
    // cannot be written does not stop the change).
    Status commit(const ImageChangeOptions& options = {});

    // The file's state as read (with the checksum of what was read).
    const ImageFileState& stateAsRead() const { return asRead_; }
    // The file's state after the last successful commit (as read when nothing was committed).
    const ImageFileState& stateNow() const { return now_; }

    // What the writes since the image was read did (ImageBuffer::changes).
    ImageDelta changes() const { return image_->changes(); }

private:
    RomImageEdit(std::filesystem::path path, std::unique_ptr<ImageBuffer> image, ImageLock lock,
                 ImageFileState asRead);

    std::filesystem::path path_;
    std::unique_ptr<ImageBuffer> image_;
    ImageLock lock_;
    ImageFileState asRead_;
    ImageFileState now_;
};

// Where the backup of the image at `path` is kept: "<file name>.bak" beside it.
std::filesystem::path ImageBackupPath(const std::filesystem::path& path);

// Refuses a change of the image at `path` that would replace one of the files the command
// reads: the image may not be one of `inputs` (its patch, its song, its picture, its list),
// nor, when a backup is kept, the backup the image itself or one of `inputs`. Fails with
// "出力先が入力ファイルと同じです。" and the name of the file that would be replaced; commands
// call it before they read or write anything.
Status CheckImageChangeInputs(const std::filesystem::path& path,
                              std::span<const std::filesystem::path> inputs,
                              const ImageChangeOptions& options = {});

// Opens the image at `path`, runs `change` on it in memory and commits the result when the
// change succeeds; a failed change leaves the file untouched and its message is returned. An
// image that cannot be opened fails with "ファイルが開けません。\n" and the file name.
Status ChangeRomImage(const std::filesystem::path& path,
                      const std::function<Status(RomStream&)>& change,
                      const ImageChangeOptions& options = {});

} // namespace varn
