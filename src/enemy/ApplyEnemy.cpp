#include "enemy/ApplyEnemy.h"

#include <charconv>
#include <string_view>

#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyImageReads.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "rom/HexText.h"
#include "rom/FileIo.h"
#include "rom/RomAddress.h"
#include "rom/RomStream.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {

namespace {

// The object names of the boxes, in the order of the form's arrays.
constexpr std::array<const char*, 7> kStatBoxes{"Edit78", "Edit79", "Edit80", "Edit81",
                                                "Edit82", "Edit83", "Edit84"};
constexpr std::array<const char*, 4> kLevelBoxes{"Edit86", "Edit87", "Edit88", "Edit89"};
constexpr std::array<const char*, 5> kEquipmentBoxes{"ComboBox37", "ComboBox38", "ComboBox39",
                                                     "ComboBox40", "ComboBox41"};
constexpr std::array<const char*, 2> kPatternBoxes{"ComboBox42", "ComboBox51"};
constexpr std::array<int, 2> kFirstTechniqueBox{43, 52};
constexpr std::array<const char*, 4> kDropBoxes{"ComboBox66", "ComboBox67", "ComboBox68",
                                                "ComboBox69"};

constexpr int kRaceCount = 32;
constexpr int kRecoveryElementCount = 8;
constexpr int kTechniqueChoiceCount = 8;
constexpr int kBoxWidthCount = 4;
constexpr int kBoxHeightCount = 5;
constexpr int kOffsetCount = 21;
constexpr int kAppearanceCount = 21;

// "「c」は使用できません。", c being the character at `position` (from 1) of the text as the
// codec walks it.
std::string UnusableNameCharMessage(std::string_view text, int position)
{
    const std::u32string chars = Utf8ToU32(ToFullWidth(text));
    std::string c;
    if (position >= 1 && static_cast<std::size_t>(position) <= chars.size())
        c = U32ToUtf8(chars.substr(static_cast<std::size_t>(position) - 1, 1));
    return "「" + c + "」は使用できません。";
}

// The name's field for the enemy, or the problem with it: the field as the image stored it
// while the name box shows what it reads as (and it fits the enemy's field), else the name
// encoded.
Status EncodeName(const EnemyForm& form, std::vector<std::uint8_t>& field,
                  const ExtensionTable& extensions)
{
    if (form.nameField.size() == static_cast<std::size_t>(EnemyNameSize(form.enemy)) &&
        DecodeGameName(form.nameField, extensions) == form.name) {
        field = form.nameField;
        return {};
    }
    field.assign(static_cast<std::size_t>(EnemyNameSize(form.enemy)), 0);
    const int result = EncodeText(form.name, field, extensions);
    if (result < 0)
        return Failure{kEnemyNameTooLongMessage, -1, "Edit73"};
    if (result > 0)
        return Failure{UnusableNameCharMessage(form.name, result), -1, "Edit73"};
    return {};
}

Status Unselected(int index, int count, int page, std::string control)
{
    if (index >= 0 && index < count)
        return {};
    return Failure{kNothingSelectedMessage, page, std::move(control)};
}

std::string TechniqueBox(std::size_t row, std::size_t n)
{
    return "ComboBox" + std::to_string(kFirstTechniqueBox[row] + static_cast<int>(n));
}

// Whether the apply writes the techniques of pattern row `row`: patterns of the expansion
// only, and the shared pattern once, from the first row.
bool WritesPatternRow(const EnemyForm& form, std::size_t row)
{
    return form.patterns[row] >= kBasePatternCount &&
           (row == 0 || form.patterns[1] != form.patterns[0]);
}

} // namespace

std::optional<int> EnemyFieldNumber(const std::string& text)
{
    std::string_view digits = TrimSpacesAndTabs(text);
    if (digits.starts_with('+')) {
        digits.remove_prefix(1);
        if (digits.starts_with('-') || digits.starts_with('+'))
            return std::nullopt;
    }
    int value = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

Status CheckEnemyRange(const std::string& text, int page, const std::string& message, int extra,
                       int maximum, int minimum, const std::string& control)
{
    const std::optional<int> value = EnemyFieldNumber(text);
    if (value && ((*value >= minimum && *value <= maximum) || *value == extra))
        return {};
    return Failure{message, page, control};
}

Status CheckEnemyStatus(const EnemyForm& form)
{
    if (Status checked =
            CheckEnemyRange(form.hp, kStatusSubTab, kHpRangeMessage, 30, 65535, 30, "Edit85");
        !checked)
        return checked;
    for (std::size_t i = 0; i < form.stats.size(); ++i) {
        if (Status checked = CheckEnemyRange(form.stats[i], kStatusSubTab, kStatRangeMessage, 5, 99,
                                             5, kStatBoxes[i]);
            !checked)
            return checked;
    }
    for (std::size_t i = 0; i < form.levels.size(); ++i) {
        if (Status checked = CheckEnemyRange(form.levels[i], kStatusSubTab, kLevelRangeMessage, 1,
                                             50, 1, kLevelBoxes[i]);
            !checked)
            return checked;
    }
    return {};
}

Status CheckEnemyForm(const EnemyForm& form, bool pictureHeld, const ExtensionTable& extensions)
{
    if (Status checked = CheckEnemyStatus(form); !checked)
        return checked;
    if (form.enemy < 0 || form.enemy >= kEnemyCount)
        return Failure{kNoEnemySelectedMessage, -1, "ComboBox30"};
    std::vector<std::uint8_t> field;
    if (Status checked = EncodeName(form, field, extensions); !checked)
        return checked;
    if (Status checked =
            CheckEnemyRange(form.money, kOtherSubTab, kMoneyRangeMessage, 0, 999, 0, "Edit94");
        !checked)
        return checked;
    if (pictureHeld) {
        const auto address = ParseEnemyAddress(form.address);
        if (!address)
            return Failure{kEnemyAddressMessage, kGraphicSubTab, "Edit74"};
        if (*address > kMaxEnemyGraphicAddress)
            return Failure{kEnemyAddressRangeMessage, kGraphicSubTab, "Edit74"};
    }
    return {};
}

Status CheckEnemySelections(const EnemyForm& form, bool pictureHeld, bool expanded)
{
    if (Status checked = Unselected(form.enemy, EnemyListSize(expanded), -1, "ComboBox30");
        !checked)
        return checked;
    if (pictureHeld) {
        struct Box {
            int index;
            int count;
            const char* control;
        };
        const Box boxes[] = {
            {form.graphicNumber, GraphicNumberListSize(expanded), "ComboBox31"},
            {form.boxWidth, kBoxWidthCount, "ComboBox32"},
            {form.boxHeight, kBoxHeightCount, "ComboBox33"},
            {form.offsetX, kOffsetCount, "ComboBox34"},
            {form.offsetY, kOffsetCount, "ComboBox35"},
            {form.appearance, kAppearanceCount, "ComboBox36"},
        };
        for (const Box& box : boxes) {
            if (Status checked = Unselected(box.index, box.count, kGraphicSubTab, box.control);
                !checked)
                return checked;
        }
    }
    if (Status checked =
            Unselected(form.recoveryElement, kRecoveryElementCount, kStatusSubTab, "ComboBox61");
        !checked)
        return checked;
    if (Status checked = Unselected(form.race, kRaceCount, kStatusSubTab, "ComboBox62"); !checked)
        return checked;
    // An equipment box holds an item number of 9 bits: an entry of its list, or the code of an
    // entry of its own that the image held.
    for (std::size_t i = 0; i < form.equipment.size(); ++i) {
        if (Status checked =
                Unselected(form.equipment[i], 0x200, kEquipmentSubTab, kEquipmentBoxes[i]);
            !checked)
            return checked;
    }
    for (std::size_t row = 0; row < form.patterns.size(); ++row) {
        if (Status checked = Unselected(form.patterns[row], PatternListSize(expanded),
                                        kPatternSubTab, kPatternBoxes[row]);
            !checked)
            return checked;
    }
    for (std::size_t row = 0; row < form.patterns.size(); ++row) {
        if (!WritesPatternRow(form, row))
            continue;
        for (std::size_t n = 0; n < form.techniques[row].size(); ++n) {
            if (Status checked = Unselected(form.techniques[row][n], TechniqueListSize(expanded),
                                            kPatternSubTab, TechniqueBox(row, n));
                !checked)
                return checked;
        }
    }
    for (std::size_t i = 0; i < form.drops.size(); ++i) {
        if (Status checked = Unselected(form.drops[i], 0x10000, kOtherSubTab, kDropBoxes[i]);
            !checked)
            return checked;
    }
    if (Status checked =
            Unselected(form.patternChoice, kPatternChoiceItemCount, kOtherSubTab, "ComboBox63");
        !checked)
        return checked;
    if (Status checked =
            Unselected(form.techniqueChoice, kTechniqueChoiceCount, kOtherSubTab, "ComboBox64");
        !checked)
        return checked;
    return Unselected(form.twoAttack, TwoAttackListSize(expanded), kOtherSubTab, "ComboBox65");
}

EnemyRecordWrite BuildEnemyRecord(const EnemyForm& form)
{
    EnemyRecord record;
    record.race = static_cast<std::uint8_t>(form.race);
    record.undead = form.undead;
    record.female = form.female;
    record.male = form.male;
    record.recoveryElement = static_cast<std::uint8_t>(form.recoveryElement);
    record.resistances = form.resistances;
    for (std::size_t i = 0; i < form.patterns.size(); ++i) {
        record.patternHigh[i] = (form.patterns[i] & 0x100) != 0;
        record.patternLow[i] = static_cast<std::uint8_t>(form.patterns[i]);
    }
    record.patternChoice = PatternChoiceCode(form.patternChoice);
    record.techniqueChoice = static_cast<std::uint8_t>(form.techniqueChoice);
    record.hp = static_cast<std::uint16_t>(EnemyFieldNumber(form.hp).value_or(0));
    for (std::size_t i = 0; i < form.stats.size(); ++i)
        record.stats[i] = static_cast<std::uint8_t>(EnemyFieldNumber(form.stats[i]).value_or(0));
    for (std::size_t i = 0; i < form.levels.size(); ++i)
        record.levels[i] =
            static_cast<std::uint8_t>(EnemyFieldNumber(form.levels[i]).value_or(0));
    EquipmentHighBits high;
    for (std::size_t i = 0; i < form.equipment.size(); ++i) {
        const int number = form.equipment[i] < 0 ? kNoItem : form.equipment[i];
        record.equipment[i] = static_cast<std::uint8_t>(number);
        high.high[i] = (number & 0x100) != 0;
    }
    record.noDisarm = form.noDisarm;
    return {SerializeEnemyRecord(record), SerializeEquipmentHighBits(high)};
}

std::uint8_t WriteEnemyRecord(const EnemyForm& form, WritePlan& plan)
{
    const int e = form.enemy;
    const EnemyRecordWrite built = BuildEnemyRecord(form);
    plan.add(EnemyRecordOffset(e), built.record);
    if (form.twoAttack != 0) {
        const std::array<std::uint8_t, 2> slot{static_cast<std::uint8_t>(e & 0xFF),
                                               static_cast<std::uint8_t>((e >> 8) & 1)};
        plan.add(TwoAttackSlotOffset(form.twoAttack - 1), slot);
    }
    for (std::size_t row = 0; row < form.patterns.size(); ++row) {
        if (!WritesPatternRow(form, row))
            continue;
        const int p = form.patterns[row];
        ActionPattern pattern;
        for (std::size_t n = 0; n < pattern.techniques.size(); ++n)
            pattern.techniques[n] = static_cast<std::uint16_t>(form.techniques[row][n]);
        plan.add(ActionPatternOffset(p), ActionPatternLowBytes(pattern));
        plan.add(TechniqueHighBitsOffset(p), ActionPatternHighBits(pattern));
    }
    return built.highBits;
}

Status PlanApplyEnemy(RomStream& image, const EnemyForm& form, const GifImage* picture,
                      WritePlan& plan, const ExtensionTable& extensions)
{
    if (!IsExpandedImage(image))
        return Failure{kEnemyNeedsExpandedImageMessage, -1, ""};
    if (Status checked = CheckEnemyForm(form, picture != nullptr, extensions); !checked)
        return checked;
    if (Status checked = CheckEnemySelections(form, picture != nullptr, true); !checked)
        return checked;

    // Added to a copy of the plan, which replaces it only once every write is known to fit.
    WritePlan planned = plan;
    const std::size_t first = planned.size();
    if (picture != nullptr) {
        if (Status checked = WriteEnemyGraphic(image, *picture, form, planned); !checked)
            return checked;
    }
    const int e = form.enemy;
    std::vector<std::uint8_t> name;
    if (Status checked = EncodeName(form, name, extensions); !checked)
        return checked;
    planned.add(EnemyNameOffset(e), std::move(name));
    const std::uint8_t high = WriteEnemyRecord(form, planned);
    planned.add(EquipmentHighBitsOffset(e), high);
    EnemyDrops drops;
    for (std::size_t i = 0; i < drops.items.size(); ++i)
        drops.items[i] = static_cast<std::uint16_t>(form.drops[i]);
    drops.money = static_cast<std::uint8_t>(EnemyFieldNumber(form.money).value_or(0) & 0xFF);
    planned.add(EnemyDropsOffset(e), SerializeEnemyDrops(drops));

    for (std::size_t i = first; i < planned.size(); ++i) {
        const ImageWrite& write = planned.writes()[i];
        if (!image.contains(write.offset, write.bytes.size()))
            return Failure{kEnemyDataPastEndMessage, -1, ""};
    }
    plan = std::move(planned);
    return {};
}

Status PlanApplyEnemy(RomStream& image, const EnemyForm& form, const GifImage* picture,
                      std::vector<ImageWrite>& writes, const ExtensionTable& extensions)
{
    WritePlan plan;
    Status planned = PlanApplyEnemy(image, form, picture, plan, extensions);
    if (planned)
        writes.insert(writes.end(), plan.writes().begin(), plan.writes().end());
    return planned;
}

Status ApplyEnemy(RomStream& image, const EnemyForm& form, const GifImage* picture,
                  const ExtensionTable& extensions)
{
    WritePlan plan;
    if (Status checked = PlanApplyEnemy(image, form, picture, plan, extensions); !checked)
        return checked;
    if (const Status written = plan.writeTo(image, kEnemyDataPastEndMessage); !written)
        return Failure{written.message(), -1, ""};
    return {};
}

Status ApplyEnemy(const std::filesystem::path& romPath, const EnemyForm& form,
                  const GifImage* picture, const ImageChangeOptions& options,
                  const ExtensionTable& extensions)
{
    if (romPath.empty())
        return Failure{kNoRomPathMessage, -1, ""};
    if (Status checked = CheckEnemyStatus(form); !checked)
        return checked;
    // The apply's own failure, with its sub-tab and control, rather than the message the
    // change passes on.
    Status refused;
    const Status changed = ChangeRomImage(
        romPath,
        [&](RomStream& image) -> Status {
            refused = ApplyEnemy(image, form, picture, extensions);
            return refused;
        },
        options);
    if (!refused)
        return refused;
    if (!changed)
        return Failure{changed.message(), -1, ""};
    return {};
}

} // namespace varn
