#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "rom/Result.h"

namespace varn {

// The enemy page's labels that are the game's own names: the races 0C and 13, the seventh
// recovery element, the currency and the bosses of the appearance patterns 0B-0E. They come
// from the enemy label file: the copy compiled into the program (data/enemy_labels.txt), or
// one the user supplies in its place (InstallEnemyLabels).

// The names, by list keyword and code ("race", 0x0C → "種族0C").
struct EnemyLabels {
    std::map<std::pair<std::string, std::uint8_t>, std::string> names;
};

// The list keywords of the file, in the order the file gives them: race, element, currency,
// boss.
std::span<const std::string_view> EnemyLabelListNames();

// The codes the list `list` names, in order; empty for a keyword that is not a list. The
// currency has the one code 00.
std::vector<std::uint8_t> EnemyLabelCodes(std::string_view list);

// Reads the text of an enemy label file (UTF-8; a byte-order mark is dropped): one entry a
// line, "<list> <code> <name>", the code in two hexadecimal digits, the name the rest of the
// line; lines that begin with "#" and blank lines are ignored; spaces, tabs and full-width
// spaces separate the fields. Every code of every list must be named exactly once. Fails on
// the first problem with "<line>行目: <what is wrong>" (a line that is not an entry, an
// unknown list or code, a code named twice, bytes that are not a character); a code no line
// names is reported at the line of the entry before it in its list.
Result<EnemyLabels> ParseEnemyLabels(std::string_view utf8);

// The names compiled into the program.
const EnemyLabels& BuiltInEnemyLabels();

// Makes `labels` the names the enemy lists show for the rest of the process. Refuses, keeping
// the names in use, labels that do not name every code of every list exactly once. Lists
// taken before stay in memory, so references to them never dangle.
Status InstallEnemyLabels(const EnemyLabels& labels);

// Puts the built-in names back in use.
void UseBuiltInEnemyLabels();

// The name in use for a code of a list ("？" for one the lists do not hold).
std::string EnemyLabelName(std::string_view list, std::uint8_t code);

} // namespace varn
