#include "rom/RomImageEdit.h"

#include "rom/FileIo.h"

#include <unistd.h>

namespace varn {

namespace fs = std::filesystem;

Result<RomImageEdit> RomImageEdit::open(const fs::path& path)
{
    auto image = ImageBuffer::load(path, kMaxRomImageSize);
    if (!image)
        return Failure{image.message()};
    // The file is replaced by a rename, which its own permissions would not stop: an image the
    // user may not write (made read-only to keep it safe) is refused as it was when images
    // were opened for writing in place.
    if (::access(path.c_str(), W_OK) != 0)
        return Failure{kCannotOpenFileMessage};
    return RomImageEdit(path, std::move(image).value());
}

RomImageEdit::RomImageEdit(fs::path path, std::unique_ptr<ImageBuffer> image)
    : path_(std::move(path)), image_(std::move(image))
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
    // The backup lies beside the image file itself, also when the image was opened through a
    // link.
    const auto target = ResolveWriteTarget(path_);
    if (!target)
        return failure;
    if (options.backup) {
        const fs::path backup = ImageBackupPath(target.value());
        // A backup that is the image itself would be no backup: the copy would replace the
        // image, and the change would then replace both.
        if (Status kept = CheckOutputNotInput(backup, {target.value()}); !kept)
            return kept;
        if (!CopyFileAtomically(target.value(), backup))
            return Failure{std::string(kCannotWriteFileMessage) + "\n" + backup.filename().string()};
    }
    if (!WriteFileAtomically(target.value(), image_->bytes()))
        return failure;
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
