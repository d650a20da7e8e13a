#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

#include "rom/ImageHistory.h"
#include "rom/Result.h"
#include "rom/RomIdentification.h"
#include "rom/RomImageEdit.h"

namespace varn {

// The image open in the editor: where it is, what it was identified as, and what the program
// last saw of its file (its state on the disk and the checksum of its bytes). It keeps none of
// the image's bytes: every command reads the file afresh, with the options the document gives
// it, and afterwards the document looks at the file again and says whether what the pages show
// is out of date. Changes from the document are recorded in the image's history, kept in the
// state folder it was given, from which undo and redo take them back and forth.
class ImageDocument {
public:
    // `historyFolder` is the state folder the histories are kept in (HistoryFolder()); empty:
    // nothing is recorded, and there is nothing to undo.
    explicit ImageDocument(std::filesystem::path historyFolder = {});

    // Identifies the image at `path` by `smcHeaderCheck` (IdentifyRomImage) and, when it is
    // opened, makes it the document's image and notes its file; otherwise the document keeps
    // no image. Returns the identification either way.
    RomIdentification open(const std::filesystem::path& path, int smcHeaderCheck);
    void close();

    bool isOpen() const { return !path_.empty(); }
    const std::filesystem::path& path() const { return path_; }
    const RomIdentification& identification() const { return identification_; }
    // What was last seen of the file: nullopt when it could not be read then.
    const std::optional<ImageFileState>& lastSeen() const { return lastSeen_; }
    const std::filesystem::path& historyFolder() const { return historyFolder_; }

    // The options of a change made from what the program shows of the image: recorded in the
    // history as `what`, with the backup when asked for, and refused when the file is no longer
    // the image last seen (kImageChangedSinceShownMessage).
    ImageChangeOptions changeOptions(std::string what, bool backup) const;

    // Whether the file on the disk differs from what was last seen (replaced, written, removed),
    // judged by its state on the disk without reading it.
    bool changedOnDisk() const;

    // Looks at the file again, after a command or a notice that it changed, and notes what it
    // is now (identified again by `smcHeaderCheck`). Returns whether its bytes differ from the
    // ones last seen, so that what the pages show of the old ones must be shown afresh.
    bool refresh(int smcHeaderCheck);

    // The image's history as it stands for the file now; empty without a history folder.
    ImageHistory history() const;
    // The entry an undo would take back and the one a redo would apply again; nullopt when
    // there is none.
    std::optional<HistoryEntry> nextUndo() const;
    std::optional<HistoryEntry> nextRedo() const;

    // Takes back the last `steps` changes, applies again the next `steps`, or brings the image
    // to the state after the first `position` entries (one change of the image each, recorded
    // as the history's position). The caller refreshes the document afterwards.
    Status undo(std::size_t steps, bool backup) const;
    Status redo(std::size_t steps, bool backup) const;
    Status restore(std::size_t position, bool backup) const;

private:
    ImageChangeOptions historyOptions(bool backup) const;

    std::filesystem::path historyFolder_;
    std::filesystem::path path_;
    RomIdentification identification_;
    std::optional<ImageFileState> lastSeen_;
};

} // namespace varn
