#include "patchlist/PatchList.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "charpatch/ApplyCharacterPatch.h"
#include "rom/FileType.h"
#include "rom/HexText.h"

namespace varn {

namespace {

// The first bytes of a file, or nullopt when it cannot be read.
std::optional<std::string> FileStart(const std::filesystem::path& path, std::size_t count)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return std::nullopt;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string start(count, '\0');
    file.read(start.data(), static_cast<std::streamsize>(count));
    start.resize(static_cast<std::size_t>(file.gcount()));
    return start;
}

bool IsTarget(int code)
{
    return code >= 0 && code <= 0xFF && IsCharacterPatchTarget(static_cast<std::uint8_t>(code));
}

} // namespace

std::string PatchEntry::typeText() const
{
    switch (kind) {
    case PatchKind::Ips:
        return "IPS";
    case PatchKind::Vnp:
        return "vnp";
    case PatchKind::Bps:
        return "BPS";
    case PatchKind::Mml:
        break;
    }
    return "MML";
}

std::string PatchEntry::targetText() const
{
    if (target < 0)
        return {};
    return HexDigits(target & 0xFF, 2);
}

std::string PatchEntry::fileName() const
{
    return path.filename().string();
}

int PatchList::allocateTarget(int requested) const
{
    const auto taken = [this](int code) {
        return takenTargets_.test(static_cast<std::size_t>(code));
    };
    if (requested >= 0)
        return IsTarget(requested) && !taken(requested) ? requested : -1;
    for (std::uint8_t code : kCharacterPatchTargets) {
        if (!taken(code))
            return code;
    }
    return -1;
}

AddResult PatchList::insert(PatchEntry entry, std::optional<std::size_t> index)
{
    const std::size_t at = index ? std::min(*index, entries_.size()) : entries_.size();
    if (entry.kind == PatchKind::Vnp && IsTarget(entry.target))
        takenTargets_.set(static_cast<std::size_t>(entry.target));
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), std::move(entry));
    return AddResult::Added;
}

AddResult PatchList::addIps(const std::filesystem::path& path, std::optional<std::size_t> index)
{
    const auto start = FileStart(path, 5);
    if (!start)
        return AddResult::CannotOpen;
    if (*start != "PATCH")
        return AddResult::Abnormal;
    return insert({PatchKind::Ips, path, -1}, index);
}

AddResult PatchList::addBps(const std::filesystem::path& path, std::optional<std::size_t> index)
{
    const auto start = FileStart(path, 4);
    if (!start)
        return AddResult::CannotOpen;
    if (*start != "BPS1")
        return AddResult::Abnormal;
    return insert({PatchKind::Bps, path, -1}, index);
}

AddResult PatchList::addVnp(const std::filesystem::path& path, int requestedTarget,
                            std::optional<std::size_t> index)
{
    const auto start = FileStart(path, 3);
    if (!start)
        return AddResult::CannotOpen;
    if (*start != "VNP")
        return AddResult::Abnormal;
    const int target = allocateTarget(requestedTarget);
    if (target < 0)
        return AddResult::NoTarget;
    return insert({PatchKind::Vnp, path, target}, index);
}

AddResult PatchList::addMml(const std::filesystem::path& path, std::optional<std::size_t> index)
{
    if (!FileStart(path, 0))
        return AddResult::CannotOpen;
    return insert({PatchKind::Mml, path, -1}, index);
}

AddResult PatchList::add(PatchKind kind, const std::filesystem::path& path, int requestedTarget,
                         std::optional<std::size_t> index)
{
    switch (kind) {
    case PatchKind::Ips:
        return addIps(path, index);
    case PatchKind::Vnp:
        return addVnp(path, requestedTarget, index);
    case PatchKind::Bps:
        return addBps(path, index);
    case PatchKind::Mml:
        break;
    }
    return addMml(path, index);
}

void PatchList::remove(std::size_t index)
{
    if (index >= entries_.size())
        return;
    if (entries_[index].kind == PatchKind::Vnp && IsTarget(entries_[index].target))
        takenTargets_.reset(static_cast<std::size_t>(entries_[index].target));
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
}

void PatchList::move(std::size_t from, std::size_t to)
{
    if (from >= entries_.size() || to >= entries_.size() || from == to)
        return;
    const auto first = entries_.begin();
    if (from < to)
        std::rotate(first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(from) + 1,
                    first + static_cast<std::ptrdiff_t>(to) + 1);
    else
        std::rotate(first + static_cast<std::ptrdiff_t>(to),
                    first + static_cast<std::ptrdiff_t>(from),
                    first + static_cast<std::ptrdiff_t>(from) + 1);
}

void PatchList::changeTarget(std::size_t index, int code)
{
    if (index >= entries_.size() || entries_[index].kind != PatchKind::Vnp || !IsTarget(code))
        return;
    const int old = entries_[index].target;
    bool swapped = false;
    for (PatchEntry& other : entries_) {
        if (other.kind == PatchKind::Vnp && other.target == code) {
            other.target = old;
            swapped = true;
        }
    }
    entries_[index].target = code;
    if (!swapped && IsTarget(old))
        takenTargets_.reset(static_cast<std::size_t>(old));
    takenTargets_.set(static_cast<std::size_t>(code));
}

void PatchList::setMusicNumber(std::size_t index, int number)
{
    if (index < entries_.size() && entries_[index].kind == PatchKind::Mml)
        entries_[index].target = number;
}

std::string AddResultMessage(AddResult result, const std::filesystem::path& path)
{
    const std::string name = path.filename().string();
    switch (result) {
    case AddResult::Added:
        return {};
    case AddResult::CannotOpen:
        return "ファイルが開けません。\n" + name;
    case AddResult::Abnormal:
        return "ファイルが異常です。\n" + name;
    case AddResult::NoTarget:
        break;
    }
    return "これ以上追加できません。";
}

std::optional<PatchKind> PatchKindOf(const std::filesystem::path& path)
{
    switch (FileTypeOf(path)) {
    case FileType::Ips:
        return PatchKind::Ips;
    case FileType::CharacterPatch:
        return PatchKind::Vnp;
    case FileType::Mml:
        return PatchKind::Mml;
    case FileType::Bps:
        return PatchKind::Bps;
    case FileType::Other:
    case FileType::PatchList:
    case FileType::Gif:
        break;
    }
    return std::nullopt;
}

} // namespace varn
