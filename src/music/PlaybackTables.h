#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <span>

namespace varn {

// The target game's playback tables decide which music number plays where: one byte per map
// for battles on that map, one per monster for battles against it, and the map music table,
// which is reached through the map themes below.
inline constexpr std::uint32_t kMapBattleTableOffset = 0x5E0EC0;
inline constexpr int kMapBattleCount = 256;
inline constexpr std::uint32_t kMonsterBattleTableOffset = 0x5E1240;
inline constexpr int kMonsterBattleCount = 512;
inline constexpr std::uint32_t kMapMusicTableOffset = 0x5A7690;

// A map theme names up to two entries of the map music table and up to four event-script
// locations (raw file offsets) that carry a music number in packed form.
struct MapTheme {
    std::array<std::uint8_t, 2> mapMusicEntryList{};
    int mapMusicEntryCount = 0;
    std::array<std::uint32_t, 4> eventScriptLocationList{};
    int eventScriptLocationCount = 0;

    std::span<const std::uint8_t> mapMusicEntries() const
    {
        return std::span(mapMusicEntryList).first(static_cast<std::size_t>(mapMusicEntryCount));
    }
    std::span<const std::uint32_t> eventScriptLocations() const
    {
        return std::span(eventScriptLocationList)
            .first(static_cast<std::size_t>(eventScriptLocationCount));
    }
};

inline constexpr int kMapThemeCount = 33;

namespace detail {

constexpr MapTheme Theme(std::initializer_list<std::uint8_t> entries,
                         std::initializer_list<std::uint32_t> locations)
{
    MapTheme theme;
    for (std::uint8_t entry : entries)
        theme.mapMusicEntryList[static_cast<std::size_t>(theme.mapMusicEntryCount++)] = entry;
    for (std::uint32_t location : locations)
        theme.eventScriptLocationList[static_cast<std::size_t>(theme.eventScriptLocationCount++)] =
            location;
    return theme;
}

} // namespace detail

// The 33 map themes, 0x00 to 0x20.
inline constexpr std::array<MapTheme, kMapThemeCount> kMapThemes{
    detail::Theme({0x96}, {0x383153}),                               // 0x00
    detail::Theme({0x92, 0x93}, {0x38A128}),                         // 0x01
    detail::Theme({0x99}, {0x382063, 0x38C79D}),                     // 0x02
    detail::Theme({0x90}, {}),                                       // 0x03
    detail::Theme({0xDA}, {0x384733}),                               // 0x04
    detail::Theme({0xAA}, {0x389DE7}),                               // 0x05
    detail::Theme({0xA8}, {0x384245}),                               // 0x06
    detail::Theme({0x83}, {0x386C5C}),                               // 0x07
    detail::Theme({0x5C, 0x81}, {}),                                 // 0x08
    detail::Theme({}, {0x3898C4}),                                   // 0x09
    detail::Theme({0x59}, {}),                                       // 0x0A
    detail::Theme({}, {0x384788}),                                   // 0x0B
    detail::Theme({0xB3}, {}),                                       // 0x0C
    detail::Theme({0xDE}, {}),                                       // 0x0D
    detail::Theme({0x28, 0xB1}, {}),                                 // 0x0E
    detail::Theme({0x0A}, {}),                                       // 0x0F
    detail::Theme({0xAD}, {}),                                       // 0x10
    detail::Theme({}, {0x3853D5}),                                   // 0x11
    detail::Theme({}, {0x386241}),                                   // 0x12
    detail::Theme({0xE1}, {}),                                       // 0x13
    detail::Theme({0xE0}, {}),                                       // 0x14
    detail::Theme({0xE2}, {}),                                       // 0x15
    detail::Theme({0xE3}, {}),                                       // 0x16
    detail::Theme({0xBA}, {}),                                       // 0x17
    detail::Theme({0x33}, {}),                                       // 0x18
    detail::Theme({0x34}, {}),                                       // 0x19
    detail::Theme({}, {0x3873C0}),                                   // 0x1A
    detail::Theme({0xC4}, {0x3837E1}),                               // 0x1B
    detail::Theme({0xCA}, {0x38566D}),                               // 0x1C
    detail::Theme({0x61}, {0x3889B2, 0x384A1C, 0x3885A2, 0x3890B4}), // 0x1D
    detail::Theme({0x86}, {}),                                       // 0x1E
    detail::Theme({0xD1}, {}),                                       // 0x1F
    detail::Theme({0xB6}, {}),                                       // 0x20
};

// An event script carries a music number spread over five bytes from its location X: byte X
// has bit 2 set, bits 2-7 of X + 2 hold bits 0-5 of the number, bit 7 of X + 3 holds bit 7
// and bit 7 of X + 4 holds bit 6. Every other bit belongs to the script.
inline constexpr int kPackedMusicNumberSize = 5;

// Puts `musicNumber` into the five bytes at an event-script location, keeping the script's
// own bits.
void PackMusicNumber(std::span<std::uint8_t, kPackedMusicNumberSize> bytes,
                     std::uint8_t musicNumber);

// The music number held by the five bytes at an event-script location.
std::uint8_t UnpackMusicNumber(std::span<const std::uint8_t, kPackedMusicNumberSize> bytes);

} // namespace varn
