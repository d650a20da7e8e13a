#pragma once

#include "enemy/EnemyForm.h"
#include "enemy/EnemyLists.h"
#include "rom/Result.h"
#include "text/ExtensionTable.h"

namespace varn {

class RomStream;

// Reading an enemy into the page, and the page's dependent behaviours, as functions over the
// image (opened for reading by the caller, e.g. FileRomStream) and the form. `lists` are the
// lists the page shows, built by LoadEnemyLists from the same image; a value read from the
// image that a list does not hold selects item 0 of that list, except in the equipment and drop
// boxes, which keep the stored code (EnemyForm) for the page to show as an entry of its own. Tables that lie past the end of
// the image (all those above 4 MiB on an image of 4 MiB or less) are absent: their high bits
// read as 0, an absent drop record empties the drop boxes (-1) and the money box, an absent
// pattern empties its technique boxes. Nothing here writes to the image.

inline constexpr const char* kEnemyDataPastEndMessage =
    "敵のデータがファイルの終わりを超えています。";
inline constexpr const char* kNoEnemySelectedMessage = "敵が選択されていません。";

// Reads the enemy selected in ComboBox30 (form.enemy) into the form: its name (Edit73), its
// EnemyRecord and EquipmentHighBits into the status, equipment and choice boxes, its
// two-attack slot (the first slot naming it, else "【FF】無し"), then ShowArmourSummary,
// LoadActionPatterns and LoadEnemyDrops. Fails, changing nothing, for an enemy the list does
// not hold ("敵が選択されていません。") or whose record lies past the end of the image.
Status LoadEnemyRecord(RomStream& image, const EnemyLists& lists, EnemyForm& form,
                       const ExtensionTable& extensions = ProcessExtensionTable());

// Rebuilds the armour summary from the armours selected in ComboBox40 and ComboBox41.
void ShowArmourSummary(RomStream& image, const EnemyLists& lists, EnemyForm& form);

// Reads the techniques of the patterns selected in ComboBox42 and ComboBox51 and sets which
// rows can be edited: a row of a base pattern (below 0x100) is shown but disabled, and when
// both lists select the same pattern the second row is disabled (the shared pattern is edited
// through the first).
void LoadActionPatterns(RomStream& image, const EnemyLists& lists, EnemyForm& form);

// Reads the drop record of the selected enemy into ComboBox66-69 and the money box.
void LoadEnemyDrops(RomStream& image, const EnemyLists& lists, EnemyForm& form);

// ComboBox30's change: with CheckBox30 ticked, LoadEnemyRecord; unticked, nothing, so that the
// page keeps its values and applying copies them onto the newly selected enemy.
Status ComboBox30Change(RomStream& image, const EnemyLists& lists, EnemyForm& form,
                        const ExtensionTable& extensions = ProcessExtensionTable());

// ComboBox40's and ComboBox41's change: ShowArmourSummary.
void ComboBox40Change(RomStream& image, const EnemyLists& lists, EnemyForm& form);

// ComboBox42's and ComboBox51's change: LoadActionPatterns (technique choices not yet applied
// are replaced by what the image holds).
void ComboBox42Change(RomStream& image, const EnemyLists& lists, EnemyForm& form);

// A technique box of the first row changed: when both pattern lists select the same pattern,
// the second row shows the first row's techniques. The page calls it for each of ComboBox43
// to ComboBox50, so that the second row never shows techniques the apply would not write.
void ComboBox43Change(EnemyForm& form);

} // namespace varn
