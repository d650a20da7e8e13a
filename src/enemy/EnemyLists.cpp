#include "enemy/EnemyLists.h"

#include <array>

#include "enemy/EnemyImageReads.h"
#include "enemy/EnemyLabels.h"
#include "enemy/EnemyRecord.h"
#include "enemy/EnemyTables.h"
#include "rom/HexText.h"
#include "rom/RomAddress.h"

namespace varn {

namespace {

std::string Coded(int value, int digits, const std::string& name)
{
    return "【" + HexDigits(value, digits) + "】" + name;
}

// The race labels the page fixes; 0C and 13 are named by the label file, the others have none.
constexpr std::array<const char*, 32> kRaceNames{
    "その他", "獣人", "獣", "蛇", "爬虫類・ドラゴン", "蛙", "有翼", "昆虫",
    "植物",   "無機質", "魚", "水棲", nullptr, "悪魔", "骸骨", "巨人",
    "",       "",     "地精", nullptr, "", "", "", "",
    "",       "",     "",   "",    "", "", "", ""};

constexpr std::array<const char*, 21> kPatternChoiceNames{
    "7/8でパターン1",       "6/8でパターン1",        "4/8でパターン1",
    "2/8でパターン1",       "パターン1のみ",         "パターン2のみ",
    "パターン1,2を交互",    "最初にパターン2の技8",  "最初にパターン2の技6～8",
    "パターン1の技1～8",    "パターン2の技1～8",     "常にパターン1の技5",
    "常にパターン1の技1",   "パターン1(詳細不明)",   "パターン2(詳細不明)",
    "パターン2(詳細不明)",  "パターン1の技1～4",     "パターン1の技5～8",
    "パターン2の技1～4",    "パターン2の技5～8",     "常に何もしない"};

constexpr std::array<const char*, 8> kTechniqueChoiceNames{
    "技1のみ使用", "技2まで使用", "技3まで使用", "技4まで使用",
    "技5まで使用", "技6まで使用", "技7まで使用", "全ての技を使用"};

constexpr std::array<const char*, 21> kAppearanceNames{
    "左から普通に",      "左から跳ねながら",   "上から",           "左からカーブして",
    "下から",            "左から画面が震える", "左下から震えながら", "右上から震えながら",
    "右から",            "右からゆっくり",     "バグ",             nullptr,
    nullptr,             nullptr,              nullptr,            "跳ね回る",
    "跳ね回る",          "左から出て転ぶ",     "這いずり回る",     "左から出て3回ジャンプ",
    "左から出て1回ジャンプ"};

constexpr std::array<const char*, 6> kRecoveryElements{"蒼竜", "朱鳥", "白虎",
                                                       "玄武", "太陽", "月"};

constexpr const char* kNoneName = "無し";

// The first item of each equipment kind and how many items of it the base table has.
struct EquipmentRange {
    int first;
    int count;
};

constexpr EquipmentRange RangeOf(EquipmentKind kind)
{
    switch (kind) {
    case EquipmentKind::Weapon:
        return {0x08, 72};
    case EquipmentKind::Shield:
        return {0x50, 16};
    case EquipmentKind::Armour:
        break;
    }
    return {0x60, 128};
}

// "【00FF】無し", then the items of the range with their names; the expansion's items follow
// only where their name table exists.
EnemyList EquipmentList(EquipmentKind kind, const std::vector<std::string>& baseNames,
                        const std::vector<std::string>& expandedNames, bool expanded)
{
    const EquipmentRange range = RangeOf(kind);
    EnemyList list{{kNoItem, Coded(kNoItem, 4, kNoneName)}};
    for (int k = range.first; k < range.first + range.count; ++k)
        list.push_back({static_cast<std::uint16_t>(k),
                        Coded(k, 4, baseNames[static_cast<std::size_t>(k)])});
    if (expanded) {
        for (int k = range.first; k < range.first + range.count; ++k)
            list.push_back({static_cast<std::uint16_t>(0x100 + k),
                            Coded(0x100 + k, 4, expandedNames[static_cast<std::size_t>(k)])});
    }
    return list;
}

// The names of a table of `count` fixed fields; absent entries and fields that do not decode
// give empty names.
std::vector<std::string> ReadNames(RomStream& image, std::uint64_t offset, int size, int count,
                                   const ExtensionTable& extensions)
{
    const TableBlock block(image, offset, size, count);
    std::vector<std::string> names(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        if (const auto field = block.entry(i))
            names[static_cast<std::size_t>(i)] = DecodeGameName(*field, extensions);
    }
    return names;
}

} // namespace

EnemyList RecoveryElementItems()
{
    EnemyList list{{0, Coded(0, 1, kNoneName)}};
    for (std::size_t i = 0; i < kRecoveryElements.size(); ++i)
        list.push_back({static_cast<std::uint16_t>(i + 1),
                        Coded(static_cast<int>(i + 1), 1, kRecoveryElements[i])});
    list.push_back({7, Coded(7, 1, SeventhElementName())});
    return list;
}

EnemyList RaceItems()
{
    EnemyList list;
    for (std::size_t code = 0; code < kRaceNames.size(); ++code) {
        const char* name = kRaceNames[code];
        const auto value = static_cast<std::uint8_t>(code);
        list.push_back(
            {value, Coded(value, 2, name != nullptr ? name : EnemyLabelName("race", value))});
    }
    return list;
}

EnemyList PatternChoiceItems()
{
    EnemyList list;
    for (int index = 0; index < kPatternChoiceItemCount; ++index) {
        const std::uint8_t code = PatternChoiceCode(index);
        list.push_back({code, Coded(code, 2, kPatternChoiceNames[static_cast<std::size_t>(index)])});
    }
    return list;
}

EnemyList TechniqueChoiceItems()
{
    EnemyList list;
    for (std::size_t index = 0; index < kTechniqueChoiceNames.size(); ++index) {
        const auto value = static_cast<std::uint16_t>(index << 5);
        list.push_back({value, Coded(value, 2, kTechniqueChoiceNames[index])});
    }
    return list;
}

EnemyList BoxWidthItems()
{
    return {{1, "32"}, {2, "64"}, {3, "96"}, {4, "128"}};
}

EnemyList BoxHeightItems()
{
    return {{1, "32"}, {2, "64"}, {3, "96"}, {4, "128"}, {5, "160"}};
}

EnemyList OffsetItems()
{
    EnemyList list;
    for (int index = 0; index < 20; ++index)
        list.push_back({static_cast<std::uint16_t>(index), std::to_string(8 * index)});
    list.push_back({20, ""});
    return list;
}

EnemyList AppearanceItems()
{
    EnemyList list;
    for (std::size_t code = 0; code < kAppearanceNames.size(); ++code) {
        const char* name = kAppearanceNames[code];
        const auto value = static_cast<std::uint8_t>(code);
        list.push_back(
            {value, Coded(value, 2, name != nullptr ? name : EnemyLabelName("boss", value))});
    }
    return list;
}

std::string CurrencyName()
{
    return EnemyLabelName("currency", 0x00);
}

std::string SeventhElementName()
{
    return EnemyLabelName("element", 0x07);
}

std::vector<std::string> RecoveryBoxCaptions()
{
    std::vector<std::string> captions(kRecoveryElements.begin(), kRecoveryElements.end());
    captions.push_back(SeventhElementName());
    return captions;
}

std::string TwoAttackLabel(int slot, std::uint16_t value, const std::string& enemyName)
{
    return "【" + HexDigits(slot, 2) + "】" +
           (IsEmptyTwoAttackSlot(value) ? std::string("空き") : Coded(value, 4, enemyName));
}

EnemyLists LoadEnemyLists(RomStream& image, const ExtensionTable& extensions)
{
    EnemyLists lists;
    lists.expanded = IsExpandedImage(image);
    const bool expanded = lists.expanded;

    // Enemy names: 8-byte ones for the game's enemies, 12-byte ones for the expansion's.
    std::vector<std::string> enemyNames =
        ReadNames(image, kEnemyNameTable, kBaseNameSize, kBaseEnemyCount, extensions);
    if (expanded) {
        const std::vector<std::string> more =
            ReadNames(image, kExpandedEnemyNameTable, kExpandedNameSize,
                      kEnemyCount - kBaseEnemyCount, extensions);
        enemyNames.insert(enemyNames.end(), more.begin(), more.end());
    }
    lists.enemies.reserve(enemyNames.size());
    for (std::size_t e = 0; e < enemyNames.size(); ++e)
        lists.enemies.push_back(
            {static_cast<std::uint16_t>(e), Coded(static_cast<int>(e), 4, enemyNames[e])});

    for (int g = kFirstNewGraphic; g < (expanded ? kGraphicEnd : kBaseGraphicEnd); ++g)
        lists.graphicNumbers.push_back({static_cast<std::uint16_t>(g), Coded(g, 4, "")});

    // Item names 0x000-0x0FF (8 bytes) and, in the expanded image, 0x100-0x1FC (12 bytes).
    const std::vector<std::string> itemNames =
        ReadNames(image, kItemNameTable, kBaseNameSize, 0x100, extensions);
    const std::vector<std::string> expandedItemNames =
        expanded ? ReadNames(image, kExpandedItemNameTable, kExpandedNameSize,
                             kLastDropItem + 1 - 0x100, extensions)
                 : std::vector<std::string>();
    lists.weapons = EquipmentList(EquipmentKind::Weapon, itemNames, expandedItemNames, expanded);
    lists.shields = EquipmentList(EquipmentKind::Shield, itemNames, expandedItemNames, expanded);
    lists.armours = EquipmentList(EquipmentKind::Armour, itemNames, expandedItemNames, expanded);

    const int patterns = PatternListSize(expanded);
    lists.patterns.reserve(static_cast<std::size_t>(patterns));
    for (int p = 0; p < patterns; ++p)
        lists.patterns.push_back(
            {static_cast<std::uint16_t>(p), Coded(p, 4, "行動パターン" + HexDigits(p, 4))});

    std::vector<std::string> techniqueNames =
        ReadNames(image, kEnemyTechniqueNameTable, kTechniqueNameSize, 0x100, extensions);
    if (expanded) {
        const std::vector<std::string> more = ReadNames(
            image, kExpandedEnemyTechniqueNameTable, kTechniqueNameSize, 0x100, extensions);
        techniqueNames.insert(techniqueNames.end(), more.begin(), more.end());
    }
    lists.techniques.reserve(techniqueNames.size());
    for (std::size_t t = 0; t < techniqueNames.size(); ++t)
        lists.techniques.push_back(
            {static_cast<std::uint16_t>(t), Coded(static_cast<int>(t), 3, techniqueNames[t])});

    lists.dropItems.reserve(static_cast<std::size_t>(DropItemListSize(expanded)));
    for (int k = 0; k < 0x100; ++k) {
        std::string name = itemNames[static_cast<std::size_t>(k)];
        if (k == kEquippedWeapon1)
            name = "装備武器1";
        else if (k == kEquippedWeapon2)
            name = "装備武器2";
        else if (k == kNoItem)
            name = kNoneName;
        lists.dropItems.push_back({static_cast<std::uint16_t>(k), Coded(k, 4, name)});
    }
    for (std::size_t k = 0; k < expandedItemNames.size(); ++k) {
        const int item = 0x100 + static_cast<int>(k);
        lists.dropItems.push_back(
            {static_cast<std::uint16_t>(item), Coded(item, 4, expandedItemNames[k])});
    }

    lists.twoAttack.push_back({0xFF, Coded(0xFF, 2, kNoneName)});
    if (expanded) {
        const TableBlock slots(image, kTwoAttackList, 2, kTwoAttackSlotCount);
        for (int slot = 0; slot < kTwoAttackSlotCount; ++slot) {
            // A slot past the end of the image reads as empty.
            std::uint16_t value = 0xFFFF;
            if (const auto bytes = slots.entry(slot))
                value = static_cast<std::uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
            const std::string& name = IsEmptyTwoAttackSlot(value)
                                          ? std::string()
                                          : enemyNames[static_cast<std::size_t>(value)];
            lists.twoAttack.push_back(
                {static_cast<std::uint16_t>(slot), TwoAttackLabel(slot, value, name)});
        }
        lists.twoAttackEnabled = true;
    }
    return lists;
}

EquipmentKind EquipmentKindOf(int slot)
{
    switch (slot) {
    case kWeapon1Slot:
    case kWeapon2Slot:
        return EquipmentKind::Weapon;
    case kShieldSlot:
        return EquipmentKind::Shield;
    default:
        return EquipmentKind::Armour;
    }
}

int EquipmentEntryIndex(EquipmentKind kind, std::uint8_t low, bool high, bool expanded)
{
    if (low == kNoItem)
        return 0;
    const EquipmentRange range = RangeOf(kind);
    const int index = (low - (range.first - 1)) + (high ? range.count : 0);
    return index >= 1 && index < EquipmentListSize(kind, expanded) ? index : -1;
}

int EquipmentItemNumber(EquipmentKind kind, int index, bool expanded)
{
    const EquipmentRange range = RangeOf(kind);
    if (index < 0 || index >= EquipmentListSize(kind, expanded))
        return -1;
    if (index == 0)
        return kNoItem;
    if (index <= range.count)
        return range.first - 1 + index;
    return 0x100 + range.first - 1 + (index - range.count);
}

int EquipmentCode(EquipmentKind kind, std::uint8_t low, bool high, bool expanded)
{
    const int index = EquipmentEntryIndex(kind, low, high, expanded);
    return index >= 0 ? EquipmentItemNumber(kind, index, expanded) : (high ? 0x100 : 0) + low;
}

std::string UnknownItemLabel(int code)
{
    return Coded(code, 4, kUnknownItemName);
}

int EnemyListIndexOf(const EnemyList& list, int code)
{
    if (code < 0)
        return -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i].number == code)
            return static_cast<int>(i);
    }
    return -1;
}

int ShowCodeInList(EnemyList& list, int code)
{
    if (code < 0)
        return -1;
    if (const int index = EnemyListIndexOf(list, code); index >= 0)
        return index;
    list.push_back({static_cast<std::uint16_t>(code), UnknownItemLabel(code)});
    return static_cast<int>(list.size()) - 1;
}

int EquipmentListSize(EquipmentKind kind, bool expanded)
{
    return 1 + RangeOf(kind).count * (expanded ? 2 : 1);
}

int EnemyListSize(bool expanded)
{
    return expanded ? kEnemyCount : kBaseEnemyCount;
}

int GraphicNumberListSize(bool expanded)
{
    return (expanded ? kGraphicEnd : kBaseGraphicEnd) - kFirstNewGraphic;
}

int PatternListSize(bool expanded)
{
    return expanded ? kPatternCount : kBasePatternCount;
}

int TechniqueListSize(bool expanded)
{
    return expanded ? kTechniqueCount : 0x100;
}

int DropItemListSize(bool expanded)
{
    return expanded ? kLastDropItem + 1 : 0x100;
}

int TwoAttackListSize(bool expanded)
{
    return expanded ? 1 + kTwoAttackSlotCount : 1;
}

} // namespace varn
