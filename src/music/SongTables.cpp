#include "music/SongTables.h"

#include "music/MusicTitle.h"
#include "rom/RomAddress.h"

namespace varn {

namespace {

SongTableEntryOffsets EntryOffsets(const SongRange& range, int index)
{
    const auto n = static_cast<std::uint32_t>(index);
    SongTableEntryOffsets offsets;
    offsets.pointer = range.pointerOffset + n * kSongPointerEntrySize;
    offsets.wave = range.waveOffset + n * kWaveEntrySize;
    if (range.drumOffset != 0)
        offsets.drum = range.drumOffset + n * kDrumEntrySize;
    return offsets;
}

} // namespace

std::optional<SongTableEntryOffsets> SongTableOffsets(int title, int musicNumber)
{
    if (!IsMusicTitle(title) || musicNumber < 0)
        return std::nullopt;
    int previous = 0;
    for (const SongRange& range : kMusicTitles[static_cast<std::size_t>(title)].ranges) {
        if (musicNumber < range.limit)
            return EntryOffsets(range, musicNumber - previous);
        previous = range.limit;
    }
    return std::nullopt;
}

std::optional<SongTableEntryOffsets> SongTableOffsetsForWriting(int musicNumber)
{
    if (musicNumber < 0 || musicNumber > 0xFF)
        return std::nullopt;
    const auto& ranges = kMusicTitles[kTargetMusicTitle].ranges;
    if (musicNumber < ranges[0].limit)
        return EntryOffsets(ranges[0], musicNumber);
    if (musicNumber < ranges[1].limit)
        return EntryOffsets(ranges[1], musicNumber - ranges[0].limit);
    return EntryOffsets(ranges[2], musicNumber - ranges[1].limit);
}

std::array<std::uint8_t, 3> EncodeSongPointer(std::uint32_t fileOffset)
{
    return PointerBytes(OffsetToPointer(fileOffset));
}

std::uint32_t DecodeSongPointer(int title, std::uint32_t storedValue)
{
    if (!IsMusicTitle(title))
        return storedValue;
    if (kMusicTitles[static_cast<std::size_t>(title)].pointerForm == PointerForm::HiRom)
        return storedValue >= 0xC00000 ? storedValue - 0xC00000 : storedValue;

    // Low-mapped: each bank maps 32 KiB of the file. Values above 0x50000 are first
    // corrected by ((value - 0x48000) AND 0xF8000), then the banks are folded together.
    std::uint32_t address = storedValue;
    if (address > 0x50000)
        address = address + ((address - 0x48000) & 0xF8000);
    return (address & 0x7FFF) + ((address & 0xFF0000) >> 1);
}

} // namespace varn
