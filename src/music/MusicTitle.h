#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace varn {

// The titles whose songs the music subsystem understands. They share one family of sound
// driver; index 0 is the game this editor is for and the only one the compiler writes. The
// reverse compiler reads all nine.
inline constexpr int kMusicTitleCount = 9;
inline constexpr int kTargetMusicTitle = 0;

// How a title stores the address of a song block in its pointer table.
enum class PointerForm { HiRom, LoRom };

// One range of music numbers and where the per-song tables of that range lie. A number n
// belongs to the first range whose limit is greater than n; its entries are at the table
// offset plus (n - previous limit) times the entry size. A drum table offset of 0 means the
// title keeps no drum tables.
struct SongRange {
    int limit;
    std::uint32_t waveOffset;
    std::uint32_t drumOffset;
    std::uint32_t pointerOffset;
};

// Entry sizes of the per-song tables.
inline constexpr int kSongPointerEntrySize = 3;
inline constexpr int kWaveEntrySize = 32;
inline constexpr int kDrumEntrySize = 36;

// What distinguishes one title's music: the internal ROM title it is recognised by, its first
// control code (every byte below it in a channel is a note), whether pitch index 12 is the rest
// and 13 the tie (the other way round from the target game), whether it has drum tables, how
// its song pointers are stored, the size of its song block header and its three ranges.
struct MusicTitle {
    std::string_view romTitle;
    std::uint8_t baseCode;
    bool restBeforeTie;
    bool hasDrumTables;
    PointerForm pointerForm;
    int songHeaderSize;
    std::array<SongRange, 3> ranges;
};

namespace detail {
constexpr std::array<SongRange, 3> SingleRange(std::uint32_t wave, std::uint32_t drum,
                                               std::uint32_t pointer)
{
    return {SongRange{0xFF, wave, drum, pointer}, SongRange{0xFF, wave, drum, pointer},
            SongRange{0xFF, wave, drum, pointer}};
}
} // namespace detail

inline constexpr std::array<MusicTitle, kMusicTitleCount> kMusicTitles{{
    {"VARNHOLD EPICS3",
     0xC4,
     false,
     true,
     PointerForm::HiRom,
     38,
     {SongRange{0x5C, 0x610DA, 0x61C5A, 0x60FC6}, SongRange{0x7C, 0x5E19C0, 0x5E1440, 0x5E1960},
      SongRange{0xFF, 0x5A4440, 0x5A54C0, 0x5A6750}}},
    {"MIRELAND EPOS 6", 0xC4, false, false, PointerForm::HiRom, 38,
     detail::SingleRange(0x53F95, 0, 0x53E96)},
    {"VARNHOLD EPICS2", 0xC4, false, false, PointerForm::HiRom, 38,
     detail::SingleRange(0x44077, 0, 0x43E52)},
    {"LOOM O LOOM", 0xC4, false, false, PointerForm::HiRom, 38,
     detail::SingleRange(0x343A4, 0, 0x3426C)},
    {"ASTRAL SPINDLE", 0xC4, false, true, PointerForm::HiRom, 38,
     detail::SingleRange(0x70E0B, 0x7182B, 0x70D18)},
    {"OBLIQUE SLEEPERS", 0xC4, false, true, PointerForm::HiRom, 38,
     detail::SingleRange(0xD4250, 0xD4550, 0xD4208)},
    {"IRON VANGUARD", 0xC4, false, true, PointerForm::HiRom, 38,
     detail::SingleRange(0x2A43DF, 0x2A49FF, 0x2A434C)},
    {"ARC PERILS", 0xC4, false, true, PointerForm::HiRom, 38,
     detail::SingleRange(0x2A5AD4, 0x2A65F4, 0x2A59C9)},
    {"VARNHOLD EPICS", 0xD2, true, false, PointerForm::LoRom, 18,
     detail::SingleRange(0x24980, 0, 0x24800)},
}};

constexpr bool IsMusicTitle(int title)
{
    return title >= 0 && title < kMusicTitleCount;
}

// The title index of a ROM title as the header strip shows it, compared for exact equality
// with the nine titles in index order; nothing when the image is none of them (the ROM is
// not supported).
constexpr std::optional<int> SelectTitle(std::string_view romTitle)
{
    for (int title = 0; title < kMusicTitleCount; ++title) {
        if (kMusicTitles[static_cast<std::size_t>(title)].romTitle == romTitle)
            return title;
    }
    return std::nullopt;
}

} // namespace varn
