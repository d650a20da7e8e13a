#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The labels of the MML page's three playback lists, one per code and indexed by it:
// "マップ別戦闘曲" (256 maps, "【00】" + the map's name), "モンスター別戦闘曲" (512 monsters,
// "【0000】" + "(" + the monster's group + ")" + its name; monsters 0x140-0x1FF have no name
// and show "【0140】" alone) and "マップ曲" (33 map themes, "【00】" + the place the theme plays
// at). The codes are the game's; the names come from the music label file: the copy compiled
// into the program (data/music_labels.txt), or one the user supplies in its place
// (InstallMusicLabels).
//
// A list function returns a reference that stays valid for the rest of the process; one taken
// before InstallMusicLabels keeps the names it was taken with.

inline constexpr int kMapBattleLabelCount = 256;
inline constexpr int kMonsterBattleLabelCount = 512;
inline constexpr int kNamedMonsterCount = 0x140;
inline constexpr int kMapThemeLabelCount = 33;

const std::vector<std::string>& MapBattleLabels();
const std::vector<std::string>& MonsterBattleLabels();
const std::vector<std::string>& MapThemeLabels();

// --- The music label file --------------------------------------------------------------

struct MonsterLabel {
    std::string group;
    std::string name;

    friend bool operator==(const MonsterLabel&, const MonsterLabel&) = default;
};

// The names of the codes of the three lists, by code.
struct MusicLabels {
    std::array<std::string, kMapBattleLabelCount> maps;
    std::array<MonsterLabel, kNamedMonsterCount> monsters;
    std::array<std::string, kMapThemeLabelCount> themes;

    friend bool operator==(const MusicLabels&, const MusicLabels&) = default;
};

// The list keywords of the file, in the order the file gives them: map, monster, theme.
std::span<const std::string_view> MusicLabelListNames();

// Reads the text of a music label file (UTF-8; a byte-order mark is dropped): one entry a line,
// "map <code> <name>", "monster <code> <group> <name>" or "theme <code> <name>", the code in as
// many hexadecimal digits as the list shows (2, 4, 2), the group one word, the name the rest of
// the line; lines that begin with "#" and blank lines are ignored. Every code of every list
// must be named exactly once. Fails on the first problem with "<line>行目: <what is wrong>" (a
// line that is not an entry, an unknown list, a code that is not one of the list's, a code
// named twice, bytes that are not a character); a code no line names is reported at the line
// of the entry before it in its list.
Result<MusicLabels> ParseMusicLabels(std::string_view utf8);

// The names compiled into the program.
const MusicLabels& BuiltInMusicLabels();

// Makes `labels` the names of the three lists for the rest of the process. Refuses labels with
// an empty name or group, keeping the names in use.
Status InstallMusicLabels(const MusicLabels& labels);

// Puts the built-in names back in use.
void UseBuiltInMusicLabels();

} // namespace varn
