#include "patchlist/ApplyPatchList.h"

#include "charpatch/ApplyCharacterPatch.h"
#include "music/MusicSlots.h"
#include "patchlist/BpsPatch.h"
#include "patchlist/IpsPatch.h"
#include "rom/RomStream.h"

namespace varn {

namespace {

// Gives the song at `index` the image's next free music number and writes it into the image.
Status ApplySong(PatchList& list, std::size_t index, RomStream& rom, const MusicConstants& music)
{
    // Songs go into the expanded part of the image; one without it must not be written at all.
    if (rom.size() < MusicImageSizeNeeded(music))
        return Failure{kNoMusicRegionMessage};
    const MusicBookkeeping book = ReadMusicBookkeeping(rom, music);
    if (!IsSoundBookkeeping(book, music))
        return Failure{kBadBookkeepingMessage};
    if (book.nextNumber > music.lastMusicNumber)
        return Failure{kTooManySongsMessage};
    list.setMusicNumber(index, book.nextNumber);
    return ApplyMusicEntry(rom, list.entries()[index].path, book.nextNumber, music);
}

} // namespace

Status ApplyPatchEntry(RomStream& rom, const PatchEntry& entry, const MusicConstants& music)
{
    switch (entry.kind) {
    case PatchKind::Ips:
        return ApplyIpsPatch(rom, entry.path);
    case PatchKind::Bps:
        return ApplyBpsPatch(rom, entry.path);
    case PatchKind::Mml:
        return ApplyMusicEntry(rom, entry.path, entry.target, music);
    case PatchKind::Vnp:
        break;
    }
    if (entry.target < 0 || entry.target > 0xFF)
        return Failure{std::string(kUnknownTargetMessage) + "\n" + entry.fileName()};
    return ApplyCharacterPatch(rom, entry.path, static_cast<std::uint8_t>(entry.target));
}

Status RunPatchList(PatchList& list, RomStream& rom, const MusicConstants& music,
                    const AppliedEntry& applied)
{
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list.entries()[i].kind == PatchKind::Mml)
            list.setMusicNumber(i, -1);
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const Status status = list.entries()[i].kind == PatchKind::Mml
                                  ? ApplySong(list, i, rom, music)
                                  : ApplyPatchEntry(rom, list.entries()[i], music);
        if (!status)
            return status;
        if (applied)
            applied(list.entries()[i]);
    }
    return {};
}

Status CheckPatchListToApply(const PatchList& list, const std::filesystem::path& romPath)
{
    if (romPath.empty())
        return Failure{kNoRomFileMessage};
    if (list.empty())
        return Failure{kEmptyPatchListMessage};
    return {};
}

Status PrepareMusicEntries(PatchList& list, const std::filesystem::path& romPath,
                           const MusicConstants& music)
{
    if (Status checked = CheckPatchListToApply(list, romPath); !checked)
        return checked;
    auto edit = RomImageEdit::open(romPath);
    if (!edit) {
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list.entries()[i].kind == PatchKind::Mml)
                list.setMusicNumber(i, -1);
        }
        return Failure{edit.message() + "\n" + romPath.filename().string()};
    }
    return RunPatchList(list, edit.value().image(), music);
}

Status ApplyPatchList(const PatchList& list, const std::filesystem::path& romPath,
                      const MusicConstants& music, const AppliedEntry& applied,
                      const ImageChangeOptions& options)
{
    if (Status checked = CheckPatchListToApply(list, romPath); !checked)
        return checked;
    // The image may not be one of the files the list applies to it.
    std::vector<std::filesystem::path> listed;
    for (const PatchEntry& entry : list.entries())
        listed.push_back(entry.path);
    if (Status apart = CheckImageChangeInputs(romPath, listed, options); !apart)
        return apart;
    PatchList numbered = list;
    return ChangeRomImage(
        romPath, [&](RomStream& rom) { return RunPatchList(numbered, rom, music, applied); },
        options);
}

} // namespace varn
