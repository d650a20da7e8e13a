#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "enemy/EnemyForm.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyLists.h"
#include "rom/FileIo.h"
#include "rom/Result.h"

namespace varn {

class RomStream;

// The enemy page as a text file, so that enemies can be edited in batches: one "key=value" a
// line in UTF-8, codes in upper-case hexadecimal as the lists show them between "【" and "】",
// numbers as their boxes hold them, flags as 1 or 0; in texts a backslash, a line break and a
// carriage return are written "\\", "\n" and "\r". Lines beginning with "#" are comments;
// the file written carries the enemy and the page's read-only values (the armour summary) as
// comments. The keys, in the order written:
//   name; graphic_address (6 digits), graphic_number (3), box_width, box_height (pixels),
//   offset_x, offset_y (pixels; empty for the empty item), appearance (2); hp, strength,
//   dexterity, agility, vitality, magic, will, charm, technique_level, spell_level,
//   growth_level, spark_level; recovery_element (1), resist_water, resist_throwing,
//   resist_sound, resist_gaze, float, race (2), undead, female, male; weapon1, weapon2,
//   shield, armour1, armour2 (4), weapon1_no_disarm, weapon2_no_disarm; pattern1 (4),
//   pattern1_technique1 … pattern1_technique8 (3), pattern2, pattern2_technique1 …
//   pattern2_technique8; drop_100, drop_high, drop_medium, drop_low (4), money,
//   pattern_choice (2), technique_choice (2), two_attack (2: FF none, else the slot).

// The largest enemy text file read: a file of every key takes about 2 KB; comments and long
// names leave room to spare.
inline constexpr std::size_t kMaxEnemyTextSize = 64 * 1024;

// The text of the form: every key above, with the enemy's label (from `lists`) and the
// read-only boxes as comments.
std::string EnemyFormText(const EnemyForm& form, const EnemyLists& lists);

// One value of an enemy text file.
struct EnemyTextValue {
    std::string key;
    std::string value;
    int line = 0; // from 1
};

// Reads an enemy text file (UTF-8, or Shift-JIS by the rule of the files users share): every
// line a comment, blank, or a known key once with a value it can read. Fails on the first
// problem with "<line>行目: <what is wrong>".
Result<std::vector<EnemyTextValue>> ParseEnemyFormText(std::string_view bytes);

// Sets the values on the form as the page would have them: the patterns first, then the
// techniques the image holds for them (LoadActionPatterns), then every other value, so that a
// pattern given without its techniques shows those of the image; a pattern or technique the
// lists do not offer is refused with the line. Keys left out keep the form's values. When both
// patterns are the same, the second row shows the first row's techniques, as on the page.
Status ApplyEnemyFormText(const std::vector<EnemyTextValue>& values, RomStream& image,
                          const EnemyLists& lists, EnemyForm& form);

// The graphic sub-tab set from the graphic the image holds for the enemy: its address, graphic
// number, box, offsets and appearance; the size fields from its packed size.
void ShowEnemyGraphicFields(const EnemyGraphic& graphic, EnemyForm& form);

// The key of the text file that a control of the page stands for ("Edit85" → "hp"); empty for
// one without a key.
std::string EnemyTextKeyOf(std::string_view control);

} // namespace varn
