#include "rom/ImageDocument.h"

#include <utility>

#include "rom/FileIo.h"
#include "rom/ImageDelta.h"
#include "rom/ImageUndo.h"

namespace fs = std::filesystem;

namespace varn {
namespace {

// The file's state with the checksum of its bytes; nullopt when it cannot be read.
std::optional<ImageFileState> SeeImageFile(const fs::path& path)
{
    std::optional<ImageFileState> state = StatImageFile(path);
    if (!state)
        return std::nullopt;
    Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(path, kMaxRomImageSize);
    if (!bytes)
        return std::nullopt;
    state->checksum = ImageChecksum(bytes.value());
    // The file's length as read: it may have changed between the look and the reading.
    state->size = bytes.value().size();
    return state;
}

} // namespace

ImageDocument::ImageDocument(fs::path historyFolder) : historyFolder_(std::move(historyFolder)) {}

RomIdentification ImageDocument::open(const fs::path& path, int smcHeaderCheck)
{
    close();
    identification_ = IdentifyRomImage(path, smcHeaderCheck);
    if (!identification_.opened())
        return identification_;
    path_ = path;
    lastSeen_ = SeeImageFile(path);
    return identification_;
}

void ImageDocument::close()
{
    path_.clear();
    identification_ = RomIdentification{};
    lastSeen_.reset();
}

ImageChangeOptions ImageDocument::historyOptions(bool backup) const
{
    ImageChangeOptions options;
    options.backup = backup;
    options.history = historyFolder_;
    return options;
}

ImageChangeOptions ImageDocument::changeOptions(std::string what, bool backup) const
{
    ImageChangeOptions options = historyOptions(backup);
    options.what = std::move(what);
    if (lastSeen_)
        options.expectedChecksum = lastSeen_->checksum;
    return options;
}

bool ImageDocument::changedOnDisk() const
{
    if (!isOpen())
        return false;
    const std::optional<ImageFileState> present = StatImageFile(path_);
    if (!present || !lastSeen_)
        return present.has_value() != lastSeen_.has_value();
    return !present->sameFile(*lastSeen_);
}

bool ImageDocument::refresh(int smcHeaderCheck)
{
    if (!isOpen())
        return false;
    std::optional<ImageFileState> seen = SeeImageFile(path_);
    const bool differs = seen.has_value() != lastSeen_.has_value() ||
                         (seen && (seen->checksum != lastSeen_->checksum ||
                                   seen->size != lastSeen_->size));
    lastSeen_ = std::move(seen);
    if (differs)
        identification_ = IdentifyRomImage(path_, smcHeaderCheck);
    return differs;
}

ImageHistory ImageDocument::history() const
{
    if (!isOpen() || historyFolder_.empty())
        return ImageHistory{};
    return ReadImageHistory(path_, historyFolder_, lastSeen_ ? &*lastSeen_ : nullptr);
}

std::optional<HistoryEntry> ImageDocument::nextUndo() const
{
    const ImageHistory entries = history();
    if (entries.position() == 0)
        return std::nullopt;
    return entries.entries()[entries.position() - 1];
}

std::optional<HistoryEntry> ImageDocument::nextRedo() const
{
    const ImageHistory entries = history();
    if (entries.position() >= entries.entries().size())
        return std::nullopt;
    return entries.entries()[entries.position()];
}

Status ImageDocument::undo(std::size_t steps, bool backup) const
{
    if (historyFolder_.empty())
        return Failure{kNothingToUndoMessage};
    return UndoImageChanges(path_, steps, historyOptions(backup));
}

Status ImageDocument::redo(std::size_t steps, bool backup) const
{
    if (historyFolder_.empty())
        return Failure{kNothingToRedoMessage};
    return RedoImageChanges(path_, steps, historyOptions(backup));
}

Status ImageDocument::restore(std::size_t position, bool backup) const
{
    if (historyFolder_.empty())
        return Failure{kNothingToUndoMessage};
    return RestoreImageState(path_, position, historyOptions(backup));
}

} // namespace varn
