#include "enemy/LoadEnemy.h"

#include "enemy/EnemyImageReads.h"
#include "enemy/EnemyRecord.h"
#include "enemy/EnemyTables.h"

namespace varn {

namespace {

// `index` when the list holds it, else 0.
int IndexInList(int index, const EnemyList& list)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size() ? index : 0;
}

bool InList(int index, const EnemyList& list)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size();
}

// The armour item of an armour slot's code, or nullopt for "無し" and codes that name no item
// of the armour list.
std::optional<int> ArmourItem(const EnemyList& armours, int code)
{
    if (code == kNoEquipment || EnemyListIndexOf(armours, code) < 0 ||
        !((code >= 0x60 && code <= 0xDF) || (code >= 0x160 && code <= 0x1DF)))
        return std::nullopt;
    return code;
}

// The first two-attack slot naming `enemy`, as an item of ComboBox65; 0 when none does or the
// list is not offered.
int TwoAttackIndex(RomStream& image, const EnemyLists& lists, int enemy)
{
    if (!lists.twoAttackEnabled)
        return 0;
    const TableBlock slots(image, kTwoAttackList, 2, kTwoAttackSlotCount);
    for (int slot = 0; slot < kTwoAttackSlotCount; ++slot) {
        const auto bytes = slots.entry(slot);
        if (bytes && ((*bytes)[0] | ((*bytes)[1] << 8)) == enemy)
            return IndexInList(slot + 1, lists.twoAttack);
    }
    return 0;
}

} // namespace

void ResetEnemySelections(EnemyForm& form)
{
    form.enemy = 0;
    form.graphicNumber = 0;
    form.equipment.fill(kNoEquipment);
    form.patterns.fill(0);
    for (auto& row : form.techniques)
        row.fill(0);
    form.twoAttack = 0;
    form.drops.fill(0);
}

Status LoadEnemyRecord(RomStream& image, const EnemyLists& lists, EnemyForm& form,
                       const ExtensionTable& extensions)
{
    const int e = form.enemy;
    if (!InList(e, lists.enemies))
        return Failure{kNoEnemySelectedMessage};
    const auto recordBytes = ReadArray<kEnemyRecordSize>(image, EnemyRecordOffset(e));
    if (!recordBytes)
        return Failure{kEnemyDataPastEndMessage};
    const EnemyRecord record = ParseEnemyRecord(*recordBytes);
    const EquipmentHighBits high =
        ParseEquipmentHighBits(ReadByte(image, EquipmentHighBitsOffset(e)).value_or(0));

    std::string name;
    std::vector<std::uint8_t> nameField;
    if (auto field = image.readBytes(EnemyNameOffset(e),
                                     static_cast<std::size_t>(EnemyNameSize(e)))) {
        name = DecodeGameName(*field, extensions);
        nameField = std::move(*field);
    }
    form.name = std::move(name);
    form.nameField = std::move(nameField);

    form.race = record.race;
    form.undead = record.undead;
    form.female = record.female;
    form.male = record.male;
    form.recoveryElement = record.recoveryElement;
    form.resistances = record.resistances;
    form.patternChoice = PatternChoiceIndex(record.patternChoice);
    form.techniqueChoice = record.techniqueChoice;
    form.hp = std::to_string(record.hp);
    for (std::size_t i = 0; i < record.stats.size(); ++i)
        form.stats[i] = std::to_string(record.stats[i]);
    for (std::size_t i = 0; i < record.levels.size(); ++i)
        form.levels[i] = std::to_string(record.levels[i]);
    for (std::size_t i = 0; i < form.patterns.size(); ++i)
        form.patterns[i] = IndexInList(record.patternLow[i] + (record.patternHigh[i] ? 0x100 : 0),
                                       lists.patterns);
    for (int slot = 0; slot < kEquipmentSlotCount; ++slot) {
        const auto i = static_cast<std::size_t>(slot);
        form.equipment[i] = EquipmentCode(EquipmentKindOf(slot), record.equipment[i],
                                          high.high[i], lists.expanded);
    }
    form.noDisarm = record.noDisarm;
    form.twoAttack = TwoAttackIndex(image, lists, e);

    ShowArmourSummary(image, lists, form);
    LoadActionPatterns(image, lists, form);
    LoadEnemyDrops(image, lists, form);
    return {};
}

void ShowArmourSummary(RomStream& image, const EnemyLists& lists, EnemyForm& form)
{
    ClearArmourSummary(form.armourSummary);
    for (const int slot : {kArmour1Slot, kArmour2Slot}) {
        const auto item = ArmourItem(lists.armours, form.equipment[static_cast<std::size_t>(slot)]);
        if (!item)
            continue;
        if (const auto armour = ReadArray<kArmourDataSize>(image, ArmourDataOffset(*item)))
            AddArmourToSummary(form.armourSummary, *armour);
    }
}

void LoadActionPatterns(RomStream& image, const EnemyLists& lists, EnemyForm& form)
{
    for (std::size_t row = 0; row < form.patterns.size(); ++row) {
        const int p = form.patterns[row];
        auto& techniques = form.techniques[row];
        const auto low = InList(p, lists.patterns)
                             ? ReadArray<kActionPatternSize>(image, ActionPatternOffset(p))
                             : std::nullopt;
        form.techniquesEnabled[row] = p >= kBasePatternCount;
        if (!low) {
            techniques.fill(-1);
            continue;
        }
        const std::uint8_t high = ReadByte(image, TechniqueHighBitsOffset(p)).value_or(0);
        const ActionPattern pattern = ParseActionPattern(*low, high);
        for (std::size_t n = 0; n < techniques.size(); ++n)
            techniques[n] = IndexInList(pattern.techniques[n], lists.techniques);
    }
    if (form.patterns[0] == form.patterns[1])
        form.techniquesEnabled[1] = false;
}

void LoadEnemyDrops(RomStream& image, const EnemyLists& lists, EnemyForm& form)
{
    const auto bytes = InList(form.enemy, lists.enemies)
                           ? ReadArray<kEnemyDropsSize>(image, EnemyDropsOffset(form.enemy))
                           : std::nullopt;
    if (!bytes) {
        form.drops.fill(-1);
        form.money.clear();
        return;
    }
    const EnemyDrops drops = ParseEnemyDrops(*bytes);
    for (std::size_t i = 0; i < drops.items.size(); ++i)
        form.drops[i] = drops.items[i];
    form.money = std::to_string(drops.money);
}

Status ComboBox30Change(RomStream& image, const EnemyLists& lists, EnemyForm& form,
                        const ExtensionTable& extensions)
{
    if (!form.readStatus)
        return {};
    return LoadEnemyRecord(image, lists, form, extensions);
}

void ComboBox40Change(RomStream& image, const EnemyLists& lists, EnemyForm& form)
{
    ShowArmourSummary(image, lists, form);
}

void ComboBox42Change(RomStream& image, const EnemyLists& lists, EnemyForm& form)
{
    LoadActionPatterns(image, lists, form);
}

void ComboBox43Change(EnemyForm& form)
{
    if (form.patterns[0] == form.patterns[1])
        form.techniques[1] = form.techniques[0];
}

} // namespace varn
