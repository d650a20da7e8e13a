#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "rom/ImageDelta.h"
#include "rom/Result.h"

namespace varn {

// The history of an image file: one entry per change committed to it, each with what was done
// and the delta that goes back and forward, so that any earlier state can be restored. It is
// kept per image in the user's state folder (HistoryFolder()/history/<file name>-<key>/): an
// index and one file per entry's delta. The last kMaxHistoryEntries entries are kept, and no
// more than kMaxHistoryBytes of deltas; older ones are dropped.
//
// Only a command that holds the image's lock (ImageLock) changes its history. Writes of the
// history are not flushed to the disk: a history lost with a power failure only means that the
// changes before it cannot be taken back, and every step checks the image against the state
// it expects.

inline constexpr std::size_t kMaxHistoryEntries = 100;
inline constexpr std::uint64_t kMaxHistoryBytes = std::uint64_t{256} << 20;

// The user's state folder for the program: $XDG_STATE_HOME/Varnwork, or ~/.local/state/Varnwork
// when that is not set; empty when neither can be found.
std::filesystem::path HistoryFolder();

struct HistoryEntry {
    std::uint64_t sequence = 0; // names the entry's delta file; grows with every entry
    std::int64_t time = 0;      // when, in seconds since 1970 (UTC)
    std::string what;           // the page or verb and its subject: "敵変更 【0005】"
    std::uint64_t sizeBefore = 0;
    std::uint64_t checksumBefore = 0;
    std::uint64_t sizeAfter = 0;
    std::uint64_t checksumAfter = 0;
    std::uint64_t deltaBytes = 0; // the size of the entry's delta file

    friend bool operator==(const HistoryEntry&, const HistoryEntry&) = default;
};

class ImageHistory {
public:
    // The history of the image file at `imagePath` (the file a link names) kept under
    // `stateFolder`; read from there, empty when there is none or it cannot be read.
    static ImageHistory Open(const std::filesystem::path& imagePath,
                             const std::filesystem::path& stateFolder);

    const std::filesystem::path& folder() const { return folder_; }
    const std::vector<HistoryEntry>& entries() const { return entries_; }

    // How many entries the image's present state has had applied: undo takes back entry
    // position() - 1, redo applies entry position().
    std::size_t position() const { return position_; }

    // Takes the image's state as it is now (its size and checksum) into account: a step cut off
    // by a kill after the image was replaced but before the history was written (an undo, a redo,
    // or a change whose delta was written) is taken as done.
    void reconcile(std::uint64_t size, std::uint64_t checksum);

    // Whether the present state is the one the history's position stands for.
    bool atState(std::uint64_t size, std::uint64_t checksum) const;

    // The first half of recording a change: its delta written under a new sequence number,
    // before the image is replaced. Returns the entry to pass to record().
    Result<HistoryEntry> prepare(const ImageDelta& delta, std::string what, std::int64_t time);
    // The second half, once the image has been replaced: the entry goes in at the present
    // position (entries that could be redone are dropped) and the index is written; the oldest
    // entries are dropped past the bounds.
    Status record(const HistoryEntry& entry);

    // Takes back a prepared entry whose change did not reach the image.
    void discard(const HistoryEntry& entry);

    // The delta of entry `index`.
    Result<ImageDelta> delta(std::size_t index) const;

    // Moves the position after an undo or a redo has replaced the image, and writes the index.
    Status moveTo(std::size_t position);

    // Removes every entry.
    Status clear();

private:
    Status writeIndex() const;
    std::filesystem::path deltaPath(std::uint64_t sequence) const;
    void dropBeyondBounds();

    std::filesystem::path folder_;
    std::filesystem::path imagePath_;
    std::vector<HistoryEntry> entries_;
    std::size_t position_ = 0;
    std::uint64_t nextSequence_ = 1;
};

} // namespace varn
