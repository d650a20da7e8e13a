#include "rom/ImageHistory.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>
#include <system_error>

#include "rom/FileIo.h"

namespace varn {

namespace fs = std::filesystem;

namespace {

constexpr const char* kIndexName = "index.txt";
constexpr const char* kIndexHead = "varnwork history 1";

std::string Hex64(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIX64, value);
    return text;
}

// The entry as one line of the index: its numbers, then what was done (line breaks as spaces).
std::string EntryLine(const HistoryEntry& entry)
{
    std::string what = entry.what;
    std::replace(what.begin(), what.end(), '\n', ' ');
    std::replace(what.begin(), what.end(), '\r', ' ');
    return "entry " + std::to_string(entry.sequence) + " " + std::to_string(entry.time) + " " +
           std::to_string(entry.sizeBefore) + " " + Hex64(entry.checksumBefore) + " " +
           std::to_string(entry.sizeAfter) + " " + Hex64(entry.checksumAfter) + " " +
           std::to_string(entry.deltaBytes) + " " + what;
}

std::optional<HistoryEntry> ParseEntryLine(const std::string& line)
{
    std::istringstream in(line);
    std::string word;
    std::string before;
    std::string after;
    HistoryEntry entry;
    if (!(in >> word) || word != "entry" || !(in >> entry.sequence >> entry.time >>
                                              entry.sizeBefore >> before >> entry.sizeAfter >>
                                              after >> entry.deltaBytes))
        return std::nullopt;
    char* end = nullptr;
    entry.checksumBefore = std::strtoull(before.c_str(), &end, 16);
    if (before.size() != 16 || *end != '\0')
        return std::nullopt;
    entry.checksumAfter = std::strtoull(after.c_str(), &end, 16);
    if (after.size() != 16 || *end != '\0')
        return std::nullopt;
    std::getline(in, entry.what);
    if (!entry.what.empty() && entry.what.front() == ' ')
        entry.what.erase(0, 1);
    return entry;
}

// Writes a file of the history through a temporary file and a rename, so that a reader never
// sees half of it; not flushed (see the header). `write` gives the contents to the stream.
template <class Write> bool WriteHistoryFileWith(const fs::path& path, Write write)
{
    fs::path temporary = path;
    temporary += ".tmp";
    std::error_code error;
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!write(out) || !out.flush()) {
            out.close();
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, path, error);
    if (!error)
        return true;
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return false;
}

bool WriteHistoryFile(const fs::path& path, std::string_view text)
{
    return WriteHistoryFileWith(path, [&](std::ostream& out) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        return static_cast<bool>(out);
    });
}

void RemoveQuietly(const fs::path& path)
{
    std::error_code error;
    fs::remove(path, error);
}

} // namespace

fs::path HistoryFolder()
{
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && *state != '\0')
        return fs::path(state) / "Varnwork";
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0')
        return fs::path(home) / ".local" / "state" / "Varnwork";
    return {};
}

ImageHistory ImageHistory::Open(const fs::path& imagePath, const fs::path& stateFolder)
{
    ImageHistory history;
    std::error_code error;
    const auto target = ResolveWriteTarget(imagePath);
    fs::path image = target ? target.value() : imagePath;
    image = fs::weakly_canonical(fs::absolute(image, error), error);
    history.imagePath_ = image;
    history.folder_ = stateFolder / "history" /
                      (image.filename().string() + "-" +
                       Hex64(ImageChecksum({reinterpret_cast<const std::uint8_t*>(
                                                image.native().data()),
                                            image.native().size()})));

    // A missing or damaged index is an empty history.
    std::ifstream in(history.folder_ / kIndexName, std::ios::binary);
    std::string line;
    bool whole = static_cast<bool>(std::getline(in, line)) && line == kIndexHead;
    std::vector<HistoryEntry> entries;
    std::size_t position = 0;
    std::uint64_t next = 1;
    while (whole && std::getline(in, line)) {
        if (line.rfind("image ", 0) == 0)
            continue;
        if (line.rfind("next ", 0) == 0) {
            next = std::strtoull(line.c_str() + 5, nullptr, 10);
        } else if (line.rfind("position ", 0) == 0) {
            position = static_cast<std::size_t>(std::strtoull(line.c_str() + 9, nullptr, 10));
        } else if (const auto entry = ParseEntryLine(line)) {
            entries.push_back(*entry);
        } else {
            whole = false;
        }
    }
    if (whole && position <= entries.size()) {
        history.entries_ = std::move(entries);
        history.position_ = position;
    }
    // Sequence numbers are never used twice, also after a delta written by a command that was
    // killed before it wrote the index.
    history.nextSequence_ = std::max<std::uint64_t>(next, 1);
    for (const HistoryEntry& entry : history.entries_)
        history.nextSequence_ = std::max(history.nextSequence_, entry.sequence + 1);
    for (const auto& file : fs::directory_iterator(history.folder_, error)) {
        const std::string name = file.path().filename().string();
        if (file.path().extension() == ".delta")
            history.nextSequence_ =
                std::max<std::uint64_t>(history.nextSequence_, std::strtoull(name.c_str(), nullptr, 10) + 1);
    }
    return history;
}

bool ImageHistory::atState(std::uint64_t size, std::uint64_t checksum) const
{
    if (entries_.empty())
        return true;
    if (position_ == 0)
        return entries_.front().sizeBefore == size && entries_.front().checksumBefore == checksum;
    const HistoryEntry& last = entries_[position_ - 1];
    return last.sizeAfter == size && last.checksumAfter == checksum;
}

void ImageHistory::reconcile(std::uint64_t size, std::uint64_t checksum)
{
    if (atState(size, checksum))
        return;
    // An undo or redo replaced the image but did not get to write the index: the state is one
    // of those the entries lead through. The one nearest the position is taken.
    std::optional<std::size_t> found;
    const auto consider = [&](std::size_t state, std::uint64_t stateSize, std::uint64_t stateChecksum) {
        if (stateSize != size || stateChecksum != checksum)
            return;
        const auto distance = [&](std::size_t k) { return k > position_ ? k - position_ : position_ - k; };
        if (!found || distance(state) < distance(*found))
            found = state;
    };
    for (std::size_t k = 0; k < entries_.size(); ++k) {
        consider(k, entries_[k].sizeBefore, entries_[k].checksumBefore);
        consider(k + 1, entries_[k].sizeAfter, entries_[k].checksumAfter);
    }
    if (found) {
        position_ = *found;
        (void)writeIndex();
        return;
    }
    // A change wrote its delta and replaced the image but did not get to write the index.
    std::error_code error;
    for (const auto& file : fs::directory_iterator(folder_, error)) {
        if (file.path().extension() != ".entry")
            continue;
        std::ifstream in(file.path(), std::ios::binary);
        std::string line;
        if (!std::getline(in, line))
            continue;
        const auto entry = ParseEntryLine(line);
        if (entry && entry->sizeAfter == size && entry->checksumAfter == checksum &&
            atState(entry->sizeBefore, entry->checksumBefore)) {
            (void)record(*entry);
            return;
        }
    }
}

fs::path ImageHistory::deltaPath(std::uint64_t sequence) const
{
    return folder_ / (std::to_string(sequence) + ".delta");
}

Result<HistoryEntry> ImageHistory::prepare(const ImageDelta& delta, std::string what,
                                           std::int64_t time)
{
    const Failure failure{std::string(kCannotWriteFileMessage) + "\n" + folder_.string()};
    std::error_code error;
    fs::create_directories(folder_, error);
    if (error)
        return failure;
    HistoryEntry entry;
    entry.sequence = nextSequence_++;
    entry.time = time;
    entry.what = std::move(what);
    entry.sizeBefore = delta.sizeBefore;
    entry.checksumBefore = delta.checksumBefore;
    entry.sizeAfter = delta.sizeAfter;
    entry.checksumAfter = delta.checksumAfter;
    // The delta goes to its file as it is made: no copy of it in memory.
    const bool deltaWritten = WriteHistoryFileWith(deltaPath(entry.sequence), [&](std::ostream& out) {
        const std::optional<std::uint64_t> size = WriteImageDelta(out, delta);
        entry.deltaBytes = size.value_or(0);
        return size.has_value();
    });
    if (!deltaWritten ||
        !WriteHistoryFile(folder_ / (std::to_string(entry.sequence) + ".entry"),
                          EntryLine(entry) + "\n"))
        return failure;
    return entry;
}

Status ImageHistory::record(const HistoryEntry& entry)
{
    // The entries that could have been redone belong to a branch left behind.
    for (std::size_t i = position_; i < entries_.size(); ++i)
        RemoveQuietly(deltaPath(entries_[i].sequence));
    entries_.resize(position_);
    entries_.push_back(entry);
    position_ = entries_.size();
    nextSequence_ = std::max(nextSequence_, entry.sequence + 1);
    dropBeyondBounds();
    const Status written = writeIndex();
    RemoveQuietly(folder_ / (std::to_string(entry.sequence) + ".entry"));
    return written;
}

void ImageHistory::discard(const HistoryEntry& entry)
{
    RemoveQuietly(deltaPath(entry.sequence));
    RemoveQuietly(folder_ / (std::to_string(entry.sequence) + ".entry"));
}

void ImageHistory::dropBeyondBounds()
{
    const auto total = [&] {
        std::uint64_t bytes = 0;
        for (const HistoryEntry& entry : entries_)
            bytes += entry.deltaBytes;
        return bytes;
    };
    while (!entries_.empty() && (entries_.size() > kMaxHistoryEntries || total() > kMaxHistoryBytes)) {
        RemoveQuietly(deltaPath(entries_.front().sequence));
        entries_.erase(entries_.begin());
        if (position_ > 0)
            --position_;
    }
}

Result<ImageDelta> ImageHistory::delta(std::size_t index) const
{
    if (index >= entries_.size())
        return Failure{kHistoryDamagedMessage};
    const HistoryEntry& entry = entries_[index];
    const auto bytes = ReadFileBytes(deltaPath(entry.sequence), kMaxHistoryBytes);
    if (!bytes)
        return Failure{kHistoryDamagedMessage};
    Result<ImageDelta> delta = ParseImageDelta(bytes.value());
    if (!delta || delta.value().sizeBefore != entry.sizeBefore ||
        delta.value().sizeAfter != entry.sizeAfter ||
        delta.value().checksumBefore != entry.checksumBefore ||
        delta.value().checksumAfter != entry.checksumAfter)
        return Failure{kHistoryDamagedMessage};
    return delta;
}

Status ImageHistory::moveTo(std::size_t position)
{
    position_ = std::min(position, entries_.size());
    return writeIndex();
}

Status ImageHistory::clear()
{
    std::error_code error;
    fs::remove_all(folder_, error);
    entries_.clear();
    position_ = 0;
    if (error)
        return Failure{std::string(kCannotWriteFileMessage) + "\n" + folder_.string()};
    return {};
}

Status ImageHistory::writeIndex() const
{
    std::error_code error;
    fs::create_directories(folder_, error);
    std::string text = std::string(kIndexHead) + "\n";
    text += "image " + imagePath_.string() + "\n";
    text += "next " + std::to_string(nextSequence_) + "\n";
    text += "position " + std::to_string(position_) + "\n";
    for (const HistoryEntry& entry : entries_)
        text += EntryLine(entry) + "\n";
    if (!WriteHistoryFile(folder_ / kIndexName, text))
        return Failure{std::string(kCannotWriteFileMessage) + "\n" + folder_.string()};
    return {};
}

} // namespace varn
