#pragma once

#include <bitset>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varn {

// The ordered list of patch files the page "パッチ適用" applies in one go: IPS and BPS patches,
// character patches (each with the character slot it replaces) and music files. The list holds
// only paths and targets; every use reads the files again.

enum class PatchKind { Ips, Vnp, Mml, Bps };

struct PatchEntry {
    PatchKind kind = PatchKind::Ips;
    std::filesystem::path path;
    // A character patch's target code, or the music number given to a music entry when the
    // list is applied; -1 for none.
    int target = -1;

    // The list's columns: "IPS", "vnp", "MML" or "BPS"; the target as two upper-case hexadecimal
    // digits or empty; the file name without its folder.
    std::string typeText() const;
    std::string targetText() const;
    std::string fileName() const;

    friend bool operator==(const PatchEntry&, const PatchEntry&) = default;
};

// What adding a file comes to.
enum class AddResult {
    Added,
    CannotOpen, // "ファイルが開けません。"
    Abnormal,   // not the kind its extension says: "ファイルが異常です。"
    NoTarget, // no free target, or the requested one is taken: "これ以上追加できません。"
};

class PatchList {
public:
    const std::vector<PatchEntry>& entries() const { return entries_; }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }

    // The first code, in the target list's order, that no character patch of the list has; or
    // the requested code when no entry has it and it is a target at all. -1 when there is none.
    int allocateTarget(int requested = -1) const;

    // Adds a file at `index` (appended when it is past the end or not given). An IPS patch must
    // begin with "PATCH", a BPS patch with "BPS1", a character patch with "VNP" and get a
    // target; a music file need only open. A BPS patch's checksums are checked when it is
    // applied, against the image as the entries before it leave it.
    AddResult addIps(const std::filesystem::path& path, std::optional<std::size_t> index = {});
    AddResult addBps(const std::filesystem::path& path, std::optional<std::size_t> index = {});
    AddResult addVnp(const std::filesystem::path& path, int requestedTarget = -1,
                     std::optional<std::size_t> index = {});
    AddResult addMml(const std::filesystem::path& path, std::optional<std::size_t> index = {});
    // Adds a file as the kind given (the requested target counts for character patches only).
    AddResult add(PatchKind kind, const std::filesystem::path& path, int requestedTarget = -1,
                  std::optional<std::size_t> index = {});

    void remove(std::size_t index);
    void clear()
    {
        entries_.clear();
        takenTargets_.reset();
    }

    // Moves the entry at `from` to `to`; the entries between shift by one towards `from`.
    void move(std::size_t from, std::size_t to);

    // Gives the character patch at `index` the target `code`; a character patch that had it
    // gets the old one, so the targets stay distinct.
    void changeTarget(std::size_t index, int code);

    // Sets the music number of a music entry (the apply step numbers them).
    void setMusicNumber(std::size_t index, int number);

private:
    AddResult insert(PatchEntry entry, std::optional<std::size_t> index);

    std::vector<PatchEntry> entries_;
    // The target codes the character patches hold, so that finding a free one does not go
    // through every entry (a list file may hold thousands).
    std::bitset<256> takenTargets_;
};

// The message for a file that could not be added, with the file's name; empty for Added.
std::string AddResultMessage(AddResult result, const std::filesystem::path& path);

// The kind of patch a file is by its extension in lower case (".ips", ".vnp", ".mml", ".bps"),
// if any.
std::optional<PatchKind> PatchKindOf(const std::filesystem::path& path);

} // namespace varn
