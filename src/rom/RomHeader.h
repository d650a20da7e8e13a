#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace varn {

class RomStream;

// What the cartridge header inside an image says.
struct RomHeaderInfo {
    std::string title;          // a known title, or empty when none was found
    std::optional<int> version; // the version byte read as signed 8-bit; none without a title
    bool copierHeader = false;  // the title was looked for behind a 512-byte copier header
};

// One place the cartridge header may lie: the 21-byte title and, 0x1B bytes after its start,
// the version byte.
struct RomHeaderProbe {
    std::uint32_t titleOffset;
    bool highMapped;
    bool copierHeader;
};

inline constexpr std::size_t kRomTitleLength = 21;
inline constexpr std::uint32_t kRomVersionDistance = 0x1B;

// In file order: high-mapped, low-mapped, then the same two behind a copier header.
inline constexpr std::array<RomHeaderProbe, 4> kRomHeaderProbes{{
    {0xFFC0, true, false},
    {0x7FC0, false, false},
    {0x101C0, true, true},
    {0x81C0, false, true},
}};

// The titles recognised at the high-mapped probes, in the order they are compared.
inline constexpr std::array<std::string_view, 8> kHighMappedTitles{
    "VARNHOLD EPICS3", "MIRELAND EPOS 6",  "VARNHOLD EPICS2", "LOOM O LOOM",
    "ASTRAL SPINDLE",  "OBLIQUE SLEEPERS", "IRON VANGUARD",   "ARC PERILS",
};

// The title recognised at the low-mapped probes.
inline constexpr std::string_view kLowMappedTitle = "VARNHOLD EPICS";

// The game this editor is for.
inline constexpr std::string_view kTargetTitle = "VARNHOLD EPICS3";
inline constexpr std::string_view kPredecessorTitle = "VARNHOLD EPICS2";
inline constexpr int kTargetVersion = 1;

bool IsHighMappedTitle(std::string_view title);

// Reads the four probes of the image and identifies it: first without a copier header (the
// high-mapped probe against the high-mapped titles, then the low-mapped probe), then behind
// one. A probe that lies past the end of the image finds no title. Titles kept in half-width
// katakana are rewritten to their known names before comparing.
RomHeaderInfo ProbeRomHeader(RomStream& stream);

// The same for the file at `path`, which it opens for reading and closes; a file that cannot
// be opened gives an empty title.
RomHeaderInfo ProbeRomHeader(const std::filesystem::path& path);

// The title a probe reads from the raw title bytes: up to the first zero, at most 21 bytes,
// with spaces and control bytes trimmed at both ends, and for a high-mapped probe the
// katakana rewrites applied.
std::string RomTitleFromBytes(std::string_view bytes, bool highMapped);

// The text of the header strip's version field: "1." and the version in decimal, or "1.0"
// when no version was found.
std::string RomVersionText(const RomHeaderInfo& info);

// The text of the header strip's copier-header field: "あり" or "なし".
std::string RomCopierHeaderText(const RomHeaderInfo& info);

// The copier header's size that field's text stands for: 0 for "なし", 0x200 for anything else.
int HeaderSizeOfField(std::string_view headerText);

} // namespace varn
