#include "rom/RomImageEdit.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>

#include "rom/FileIo.h"
#include "rom/ImageHistory.h"

namespace varn {

namespace fs = std::filesystem;

std::optional<ImageFileState> StatImageFile(const fs::path& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    ImageFileState state;
    state.device = static_cast<std::uint64_t>(info.st_dev);
    state.inode = static_cast<std::uint64_t>(info.st_ino);
    state.size = static_cast<std::uint64_t>(info.st_size);
    state.modified = std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec;
    return state;
}

Result<RomImageEdit> RomImageEdit::open(const fs::path& path)
{
    // The lock first, so that the image read is the one no other command is changing.
    Result<ImageLock> lock = ImageLock::Acquire(path);
    if (!lock)
        return Failure{lock.message()};
    const std::optional<ImageFileState> before = StatImageFile(path);
    auto image = ImageBuffer::load(path, kMaxRomImageSize);
    if (!image || !before)
        return Failure{kCannotOpenFileMessage};
    // The file is replaced by a rename, which its own permissions would not stop: an image the
    // user may not write (made read-only to keep it safe) is refused as it was when images
    // were opened for writing in place.
    if (::access(path.c_str(), W_OK) != 0)
        return Failure{kCannotOpenFileMessage};
    ImageFileState asRead = *before;
    asRead.checksum = image.value()->checksumAsRead();
    return RomImageEdit(path, std::move(image).value(), std::move(lock).value(), asRead);
}

RomImageEdit::RomImageEdit(fs::path path, std::unique_ptr<ImageBuffer> image, ImageLock lock,
                           ImageFileState asRead)
    : path_(std::move(path)), image_(std::move(image)), lock_(std::move(lock)), asRead_(asRead),
      now_(asRead)
{}

fs::path ImageBackupPath(const fs::path& path)
{
    fs::path backup = path;
    backup += ".bak";
    return backup;
}

Status CheckImageChangeInputs(const fs::path& path, std::span<const fs::path> inputs,
                              const ImageChangeOptions& options)
{
    if (Status image = CheckOutputNotInput(path, inputs); !image)
        return image;
    if (!options.backup)
        return {};
    // The backup lies beside the image file itself, as commit() makes it.
    const auto target = ResolveWriteTarget(path);
    if (!target)
        return {};
    const fs::path backup = ImageBackupPath(target.value());
    if (Status kept = CheckOutputNotInput(backup, {target.value()}); !kept)
        return kept;
    return CheckOutputNotInput(backup, inputs);
}

Status RomImageEdit::commit(const ImageChangeOptions& options)
{
    const Failure failure{std::string(kCannotWriteFileMessage) + "\n" + path_.filename().string()};
    if (!changed())
        return {};
    if (options.expectedChecksum && *options.expectedChecksum != asRead_.checksum)
        return Failure{kImageChangedSinceShownMessage};
    // The backup lies beside the image file itself, also when the image was opened through a
    // link.
    const auto target = ResolveWriteTarget(path_);
    if (!target)
        return failure;
    // Another program that does not take the lock may have replaced or changed the file since
    // it was read: writing now would throw its change away.
    const std::optional<ImageFileState> present = StatImageFile(target.value());
    if (!present || !present->sameFile(asRead_))
        return Failure{kImageChangedOutsideMessage};
    if (options.backup) {
        const fs::path backup = ImageBackupPath(target.value());
        // A backup that is the image itself would be no backup: the copy would replace the
        // image, and the change would then replace both.
        if (Status kept = CheckOutputNotInput(backup, {target.value()}); !kept)
            return kept;
        if (!CopyFileAtomically(target.value(), backup))
            return Failure{std::string(kCannotWriteFileMessage) + "\n" + backup.filename().string()};
    }

    // The history's entry is written before the image is replaced, so that a kill between the
    // two leaves a delta the history takes up when it next meets the image.
    std::optional<ImageHistory> history;
    std::optional<HistoryEntry> entry;
    std::optional<std::uint64_t> checksumAfter;
    if (!options.history.empty()) {
        history = ImageHistory::Open(target.value(), options.history);
        history->reconcile(asRead_.size, asRead_.checksum);
        const std::int64_t now = std::chrono::duration_cast<std::chrono::seconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        // A change that gave every byte back as it was leaves nothing to take back.
        const ImageDelta delta = changes();
        checksumAfter = delta.checksumAfter;
        if (!delta.empty()) {
            if (Result<HistoryEntry> prepared = history->prepare(delta, options.what, now))
                entry = prepared.value();
        }
    }
    if (!WriteFileAtomically(target.value(), image_->bytes())) {
        if (entry)
            history->discard(*entry);
        return failure;
    }
    if (entry)
        (void)history->record(*entry);
    if (const std::optional<ImageFileState> written = StatImageFile(target.value()))
        now_ = *written;
    // The delta already holds the checksum of what was written.
    now_.checksum = checksumAfter ? *checksumAfter : ImageChecksum(image_->bytes());
    return {};
}

Status ChangeRomImage(const fs::path& path, const std::function<Status(RomStream&)>& change,
                      const ImageChangeOptions& options)
{
    auto edit = RomImageEdit::open(path);
    if (!edit)
        return Failure{edit.message() + "\n" + path.filename().string()};
    if (Status changed = change(edit.value().image()); !changed)
        return changed;
    return edit.value().commit(options);
}

} // namespace varn
