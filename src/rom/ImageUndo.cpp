#include "rom/ImageUndo.h"

#include "rom/FileIo.h"

namespace varn {

namespace fs = std::filesystem;

namespace {

// The history of an image opened for a change, reconciled with what was read.
ImageHistory HistoryOf(const fs::path& path, const RomImageEdit& edit, const fs::path& stateFolder)
{
    const auto target = ResolveWriteTarget(path);
    ImageHistory history = ImageHistory::Open(target ? target.value() : path, stateFolder);
    history.reconcile(edit.stateAsRead().size, edit.stateAsRead().checksum);
    return history;
}

// Moves the history's position by `steps` back (negative) or forward.
Status Step(const fs::path& path, std::ptrdiff_t steps, const ImageChangeOptions& options)
{
    auto edit = RomImageEdit::open(path);
    if (!edit)
        return Failure{edit.message() + "\n" + path.filename().string()};
    ImageHistory history = HistoryOf(path, edit.value(), options.history);
    const std::size_t position = history.position();
    if (steps < 0 && static_cast<std::size_t>(-steps) > position)
        return Failure{kNothingToUndoMessage};
    if (steps > 0 && static_cast<std::size_t>(steps) > history.entries().size() - position)
        return Failure{kNothingToRedoMessage};
    if (!history.atState(edit.value().stateAsRead().size, edit.value().stateAsRead().checksum))
        return Failure{kImageStateMismatchMessage};

    const std::size_t target = position + static_cast<std::size_t>(steps);
    for (std::size_t k = position; k > target; --k) {
        const Result<ImageDelta> delta = history.delta(k - 1);
        if (!delta)
            return Failure{delta.message()};
        if (Status applied = ApplyImageDelta(edit.value().image(), delta.value(), false); !applied)
            return applied;
    }
    for (std::size_t k = position; k < target; ++k) {
        const Result<ImageDelta> delta = history.delta(k);
        if (!delta)
            return Failure{delta.message()};
        if (Status applied = ApplyImageDelta(edit.value().image(), delta.value(), true); !applied)
            return applied;
    }
    // The step is not a change of its own in the history: the position moves instead.
    ImageChangeOptions commit = options;
    commit.history.clear();
    if (Status committed = edit.value().commit(commit); !committed)
        return committed;
    return history.moveTo(target);
}

} // namespace

Status RestoreImageState(const fs::path& path, std::size_t position, const ImageChangeOptions& options)
{
    const ImageHistory history = ReadImageHistory(path, options.history);
    if (position > history.entries().size())
        return Failure{kNothingToRedoMessage};
    return Step(path,
                static_cast<std::ptrdiff_t>(position) - static_cast<std::ptrdiff_t>(history.position()),
                options);
}

Status UndoImageChanges(const fs::path& path, std::size_t steps, const ImageChangeOptions& options)
{
    return Step(path, -static_cast<std::ptrdiff_t>(steps), options);
}

Status RedoImageChanges(const fs::path& path, std::size_t steps, const ImageChangeOptions& options)
{
    return Step(path, static_cast<std::ptrdiff_t>(steps), options);
}

ImageHistory ReadImageHistory(const fs::path& path, const fs::path& stateFolder,
                              const ImageFileState* seen)
{
    // Reconciling may write the history, which only the holder of the image's lock does.
    const Result<ImageLock> lock = ImageLock::Acquire(path);
    const auto target = ResolveWriteTarget(path);
    ImageHistory history = ImageHistory::Open(target ? target.value() : path, stateFolder);
    if (seen) {
        if (const std::optional<ImageFileState> present = StatImageFile(path);
            present && present->sameFile(*seen)) {
            history.reconcile(seen->size, seen->checksum);
            return history;
        }
    }
    if (const auto bytes = ReadFileBytes(path, kMaxRomImageSize))
        history.reconcile(bytes.value().size(), ImageChecksum(bytes.value()));
    return history;
}

} // namespace varn
