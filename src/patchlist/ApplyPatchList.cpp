#include "patchlist/ApplyPatchList.h"

#include <algorithm>

#include "charpatch/ApplyCharacterPatch.h"
#include "music/MusicSlots.h"
#include "patchlist/IpsPatch.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"

namespace varn {

Status PrepareMusicEntries(PatchList& list, const std::filesystem::path& romPath,
                           const MusicConstants& music)
{
    for (std::size_t i = 0; i < list.size(); ++i)
        list.setMusicNumber(i, -1);
    const auto& entries = list.entries();
    if (std::none_of(entries.begin(), entries.end(),
                     [](const PatchEntry& entry) { return entry.kind == PatchKind::Mml; }))
        return {};

    auto rom = FileRomStream::open(romPath, RomAccess::ReadOnly);
    if (!rom)
        return Failure{rom.message() + "\n" + romPath.filename().string()};
    // Songs go into the expanded part of the image; one without it must not be written at all.
    if (rom.value()->size() < MusicImageSizeNeeded(music))
        return Failure{kNoMusicRegionMessage};
    const MusicBookkeeping book = ReadMusicBookkeeping(*rom.value(), music);
    if (!IsSoundBookkeeping(book, music))
        return Failure{kBadBookkeepingMessage};

    int number = book.nextNumber;
    int address = book.nextAddress;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].kind != PatchKind::Mml)
            continue;
        if (number > music.lastMusicNumber)
            return Failure{kTooManySongsMessage};
        list.setMusicNumber(i, number);
        const auto size = MeasureMmlFile(entries[i].path, number);
        if (!size)
            return Failure{kSongFailedMessage + entries[i].fileName()};
        ++number;
        address += size.value();
        if (address > music.musicAreaEnd + 1)
            return Failure{kRegionExceededMessage};
    }
    return {};
}

Status ApplyPatchEntry(RomStream& rom, const PatchEntry& entry, const MusicConstants& music)
{
    switch (entry.kind) {
    case PatchKind::Ips:
        return ApplyIpsPatch(rom, entry.path);
    case PatchKind::Mml:
        return ApplyMusicEntry(rom, entry.path, entry.target, music);
    case PatchKind::Vnp:
        break;
    }
    if (entry.target < 0 || entry.target > 0xFF)
        return Failure{std::string(kUnknownTargetMessage) + "\n" + entry.fileName()};
    return ApplyCharacterPatch(rom, entry.path, static_cast<std::uint8_t>(entry.target));
}

Status ApplyPatchList(const PatchList& list, const std::filesystem::path& romPath,
                      const MusicConstants& music,
                      const std::function<void(const PatchEntry&)>& applied)
{
    auto rom = FileRomStream::open(romPath, RomAccess::ReadWrite);
    if (!rom)
        return Failure{rom.message() + "\n" + romPath.filename().string()};
    for (const PatchEntry& entry : list.entries()) {
        if (Status status = ApplyPatchEntry(*rom.value(), entry, music); !status)
            return status;
        if (applied)
            applied(entry);
    }
    if (!rom.value()->flush())
        return Failure{std::string(kCannotWriteFileMessage) + "\n" + romPath.filename().string()};
    return {};
}

} // namespace varn
