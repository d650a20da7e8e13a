#include "charpatch/ItemLists.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "charpatch/ApplyCharacterPatch.h"
#include "charpatch/ItemLabelsFileText.h"
#include "graphics/CharacterSheetRom.h"
#include "rom/HexText.h"
#include "rom/ReplaceableData.h"
#include "text/LabelFields.h"
#include "text/LabelFile.h"
#include "text/Utf8.h"

namespace varn {

namespace {

// A run of consecutive codes, first to last.
struct CodeRange {
    std::uint8_t first;
    std::uint8_t last;
};

constexpr std::array<CodeRange, 5> kWeaponCodes{{
    {0x00, 0x06},
    {0x08, 0x15},
    {0x17, 0x37},
    {0x39, 0x4B},
    {0x50, 0x5F},
}};

constexpr std::array<CodeRange, 9> kArmourCodes{{
    {0x60, 0x75},
    {0x77, 0x77},
    {0x86, 0x88},
    {0x90, 0x92},
    {0x95, 0xA6},
    {0xA8, 0xAB},
    {0xAD, 0xC1},
    {0xC3, 0xD6},
    {0xD9, 0xDF},
}};

constexpr std::array<CodeRange, 8> kTechniqueCodes{{
    {0x0F, 0x1D},
    {0x28, 0x33},
    {0x38, 0x43},
    {0x49, 0x53},
    {0x5D, 0x67},
    {0x6E, 0x7B},
    {0x82, 0x8E},
    {0x96, 0xA5},
}};

// The spells of one school, in list order.
struct SpellSchoolCodes {
    const char* school;
    std::span<const std::uint8_t> codes;
};

constexpr std::uint8_t kAzureDragonSpells[] = {0xAB, 0xDF, 0xF8, 0xEA, 0xAC, 0xF7, 0xAD,
                                               0xEE, 0xAE, 0xE0, 0xF4, 0xAF, 0xF9, 0xF1};
constexpr std::uint8_t kVermilionBirdSpells[] = {0xB2, 0xDA, 0xB3, 0xB4, 0xE2, 0xDC, 0xE7,
                                                 0xB5, 0xB6, 0xE3, 0xE8, 0xE4, 0xE9};
constexpr std::uint8_t kWhiteTigerSpells[] = {0x44, 0xB9, 0xBA, 0xBB, 0xBC, 0x2E, 0xDD,
                                              0xBD, 0xFD, 0x3B, 0xEB, 0xBE, 0x7F};
constexpr std::uint8_t kBlackTortoiseSpells[] = {0xC0, 0xC1, 0xD8, 0xD9, 0xF6, 0xE1, 0xC2,
                                                 0xC3, 0xEC, 0xF2, 0xC4, 0xF5, 0xE5, 0xF0};
constexpr std::uint8_t kSunSpells[] = {0xDB, 0xFC, 0x32, 0x33, 0xC7, 0xC8, 0xFA,
                                       0xC9, 0x30, 0xCA, 0x2D, 0xCB, 0x2B};
constexpr std::uint8_t kMoonSpells[] = {0x34, 0xCE, 0x35, 0xCF, 0xD0, 0xD1, 0xD2,
                                        0x31, 0x2F, 0xEF, 0xDE, 0xF3, 0x2C};
constexpr std::uint8_t kSpecialSpells[] = {0xD4, 0xD5, 0xD6, 0xD7};

constexpr std::array<SpellSchoolCodes, 7> kSpellCodes{{
    {"蒼龍", kAzureDragonSpells},
    {"朱鳥", kVermilionBirdSpells},
    {"白虎", kWhiteTigerSpells},
    {"玄武", kBlackTortoiseSpells},
    {"太陽", kSunSpells},
    {"月", kMoonSpells},
    {"特殊", kSpecialSpells},
}};

// The name shown for a code the label data does not name.
constexpr const char* kUnnamedLabel = "？";

constexpr const char* kNoneLabel = "【FF】なし";

std::string HexCode(std::uint8_t code)
{
    return HexDigits(code, 2);
}

std::string CodedLabel(std::uint8_t code, std::string_view name)
{
    return "【" + HexCode(code) + "】" + std::string(name);
}

ItemList PlainItems(std::initializer_list<std::pair<std::uint8_t, const char*>> items)
{
    ItemList list;
    for (const auto& [code, label] : items) {
        list.push_back({code, label});
    }
    return list;
}

// Items with consecutive codes from 0 and fixed names, labelled with their codes.
ItemList CodedItems(std::initializer_list<const char*> names)
{
    ItemList list;
    for (const char* name : names) {
        const auto code = static_cast<std::uint8_t>(list.size());
        list.push_back({code, CodedLabel(code, name)});
    }
    return list;
}

// --- The item label file -------------------------------------------------------------------

constexpr std::string_view kWeaponList = "weapon";
constexpr std::string_view kArmourList = "armour";
constexpr std::string_view kTechniqueList = "technique";
constexpr std::string_view kSpellList = "spell";
constexpr std::string_view kFormationList = "formation";
constexpr std::string_view kExclusiveList = "exclusive";
constexpr std::string_view kCommanderList = "commander";
constexpr std::string_view kTargetList = "target";

constexpr std::array<std::string_view, 8> kLabelListNames{
    kWeaponList,    kArmourList,    kTechniqueList, kSpellList,
    kFormationList, kExclusiveList, kCommanderList, kTargetList,
};

// The exclusive weapon and the commander each have one item named from the file.
constexpr std::uint8_t kNamedExclusiveCode = 0xB8;
constexpr std::uint8_t kNamedCommanderCode = 0x08;
constexpr std::uint8_t kFirstFormationCode = 0x01;
constexpr std::uint8_t kLastFormationCode = 0x0A;

template <std::size_t N>
std::vector<std::uint8_t> RangeCodes(const std::array<CodeRange, N>& ranges)
{
    std::vector<std::uint8_t> codes;
    for (const CodeRange& range : ranges) {
        for (int code = range.first; code <= range.last; ++code) {
            codes.push_back(static_cast<std::uint8_t>(code));
        }
    }
    return codes;
}

using LabelKey = std::pair<std::string, std::uint8_t>;

// The name of a code; a code the labels lack (only possible in a broken built-in copy) shows
// the placeholder.
std::string NameOf(const ItemLabels& labels, std::string_view list, std::uint8_t code)
{
    const auto found = labels.names.find(LabelKey{std::string(list), code});
    return found == labels.names.end() ? kUnnamedLabel : found->second;
}

// The lists whose items carry names from the label file, built together from one set of
// labels.
struct NamedLists {
    ItemList weapons;
    ItemList armours;
    ItemList techniques;
    ItemList spells;
    ItemList formations;
    ItemList exclusiveWeapons;
    ItemList commanders;
    ItemList targets;
    ItemList sheets;
};

// "【FF】なし", then every code of the list named from the labels.
ItemList NoneThenNamed(const ItemLabels& labels, std::string_view list)
{
    ItemList items{{kNoItemCode, kNoneLabel}};
    for (const std::uint8_t code : ItemLabelCodes(list)) {
        items.push_back({code, CodedLabel(code, NameOf(labels, list, code))});
    }
    return items;
}

NamedLists BuildNamedLists(const ItemLabels& labels)
{
    NamedLists lists;
    lists.weapons = NoneThenNamed(labels, kWeaponList);
    lists.armours = NoneThenNamed(labels, kArmourList);
    lists.techniques = NoneThenNamed(labels, kTechniqueList);

    lists.spells = {{kNoItemCode, kNoneLabel}};
    for (const SpellSchoolCodes& school : kSpellCodes) {
        for (const std::uint8_t code : school.codes) {
            const std::string name =
                "(" + std::string(school.school) + ")" + NameOf(labels, kSpellList, code);
            lists.spells.push_back({code, CodedLabel(code, name)});
        }
    }

    lists.formations = {{0x00, "【00】なし"}};
    for (const std::uint8_t code : ItemLabelCodes(kFormationList)) {
        lists.formations.push_back({code, CodedLabel(code, NameOf(labels, kFormationList, code))});
    }

    lists.exclusiveWeapons = PlainItems({{0xFF, "【FF】なし"},
                                         {0x00, "【00】剣"},
                                         {0x08, "【08】剣(曲刀)"},
                                         {0x10, "【10】小剣"},
                                         {0x18, "【18】小剣(剣技可能)"},
                                         {0x20, "【20】斧"},
                                         {0x28, "【28】棍棒"},
                                         {0x30, "【30】棍棒(杖)"},
                                         {0x80, "【80】大剣"},
                                         {0x88, "【88】大剣(刀)"},
                                         {0x90, "【90】大剣(剣技可能)"},
                                         {0x98, "【98】槍"},
                                         {0xA0, "【A0】槍(矛槍)"},
                                         {0xA8, "【A8】槍(三椏)"},
                                         {0xB0, "【B0】弓"}});
    lists.exclusiveWeapons.push_back(
        {kNamedExclusiveCode,
         CodedLabel(kNamedExclusiveCode, NameOf(labels, kExclusiveList, kNamedExclusiveCode))});

    lists.commanders = CodedItems({"物理", "術(主に蒼龍)", "術(主に朱鳥)", "術(主に白虎)",
                                   "術(主に玄武)", "術(主に太陽)", "術(主に月)", "物理と術"});
    lists.commanders.push_back(
        {kNamedCommanderCode,
         CodedLabel(kNamedCommanderCode, NameOf(labels, kCommanderList, kNamedCommanderCode))});

    for (const std::uint8_t code : kCharacterPatchTargets) {
        lists.targets.push_back({code, CodedLabel(code, NameOf(labels, kTargetList, code))});
    }
    // The character graphics list names the game's characters as the slot list does.
    for (const std::uint8_t code : kCharacterSheetCodes) {
        lists.sheets.push_back({code, CodedLabel(code, NameOf(labels, kTargetList, code))});
    }
    return lists;
}

const NamedLists& BuiltInNamedLists()
{
    static const NamedLists lists = BuildNamedLists(BuiltInItemLabels());
    return lists;
}

// The named lists in use: the built-in ones until a labels file is installed.
ReplaceableData<NamedLists>& NamedListsData()
{
    static auto* data = new ReplaceableData<NamedLists>(BuiltInNamedLists);
    return *data;
}

const NamedLists& NamedListsInUse()
{
    return NamedListsData().inUse();
}

bool SameLabels(const NamedLists& a, const NamedLists& b)
{
    const auto same = [](const ItemList& x, const ItemList& y) {
        return std::equal(x.begin(), x.end(), y.begin(), y.end(),
                          [](const ListItem& p, const ListItem& q) {
                              return p.code == q.code && p.label == q.label;
                          });
    };
    return same(a.weapons, b.weapons) && same(a.armours, b.armours) &&
           same(a.techniques, b.techniques) && same(a.spells, b.spells) &&
           same(a.formations, b.formations) && same(a.exclusiveWeapons, b.exclusiveWeapons) &&
           same(a.commanders, b.commanders) && same(a.targets, b.targets) &&
           same(a.sheets, b.sheets);
}

} // namespace

std::span<const std::string_view> ItemLabelListNames()
{
    return kLabelListNames;
}

std::vector<std::uint8_t> ItemLabelCodes(std::string_view list)
{
    if (list == kWeaponList) {
        return RangeCodes(kWeaponCodes);
    }
    if (list == kArmourList) {
        return RangeCodes(kArmourCodes);
    }
    if (list == kTechniqueList) {
        return RangeCodes(kTechniqueCodes);
    }
    if (list == kSpellList) {
        std::vector<std::uint8_t> codes;
        for (const SpellSchoolCodes& school : kSpellCodes) {
            codes.insert(codes.end(), school.codes.begin(), school.codes.end());
        }
        return codes;
    }
    if (list == kFormationList) {
        std::vector<std::uint8_t> codes;
        for (int code = kFirstFormationCode; code <= kLastFormationCode; ++code) {
            codes.push_back(static_cast<std::uint8_t>(code));
        }
        return codes;
    }
    if (list == kExclusiveList) {
        return {kNamedExclusiveCode};
    }
    if (list == kCommanderList) {
        return {kNamedCommanderCode};
    }
    if (list == kTargetList) {
        return {kCharacterPatchTargets.begin(), kCharacterPatchTargets.end()};
    }
    return {};
}

Result<ItemLabels> ParseItemLabels(std::string_view utf8)
{
    CodedLabelReading reading = ReadCodedLabelFile(utf8, kLabelListNames, ItemLabelCodes);
    if (!reading.problem.empty()) {
        return Failure{std::move(reading.problem)};
    }
    return ItemLabels{std::move(reading.names)};
}

const ItemLabels& BuiltInItemLabels()
{
    static const ItemLabels labels{
        ReadCodedLabelFile(std::string_view(reinterpret_cast<const char*>(kItemLabelsFileText.data()),
                                            kItemLabelsFileText.size()),
                           kLabelListNames, ItemLabelCodes)
            .names};
    return labels;
}

Status InstallItemLabels(const ItemLabels& labels)
{
    std::size_t expected = 0;
    for (const std::string_view list : kLabelListNames) {
        for (const std::uint8_t code : ItemLabelCodes(list)) {
            ++expected;
            const auto found = labels.names.find(LabelKey{std::string(list), code});
            if (found == labels.names.end() || TrimLabelText(found->second).empty()) {
                return Failure{"項目名が揃っていません。\n" + std::string(list) + " " +
                               HexCode(code) + " の名前がありません。"};
            }
        }
    }
    if (labels.names.size() != expected) {
        for (const auto& [key, name] : labels.names) {
            const std::vector<std::uint8_t> codes = ItemLabelCodes(key.first);
            if (std::find(codes.begin(), codes.end(), key.second) == codes.end()) {
                return Failure{"項目名が正しくありません。\n" + key.first + " " +
                               HexCode(key.second) + " という項目はありません。"};
            }
        }
    }

    auto lists = std::make_unique<const NamedLists>(BuildNamedLists(labels));
    NamedListsData().install([&](const NamedLists& known) { return SameLabels(known, *lists); },
                             [&] { return std::move(lists); });
    return {};
}

void UseBuiltInItemLabels()
{
    NamedListsData().useBuiltIn();
}

const ItemList& GenderItems()
{
    static const ItemList items =
        PlainItems({{0x95, "男"}, {0x55, "女"}, {0x1F, "無性"}, {0xDF, "両性"}});
    return items;
}

const ItemList& GuardianStarItems()
{
    static const ItemList items =
        PlainItems({{0, "歳星"}, {1, "螢惑"}, {2, "鎮星"}, {3, "太白"}, {4, "辰星"}});
    return items;
}

const ItemList& FavouriteWeaponItems()
{
    static const ItemList items = PlainItems({{0, "剣"},
                                              {1, "大剣"},
                                              {2, "斧"},
                                              {3, "棍棒"},
                                              {4, "小剣"},
                                              {5, "槍"},
                                              {6, "弓"},
                                              {7, "素手"},
                                              {8, "なし"}});
    return items;
}

const ItemList& GrowthTypeItems()
{
    static const ItemList items =
        CodedItems({"戦士", "聖戦士", "魔戦士", "武闘家", "シーフ", "魔術師", "僧侶", "詩人"});
    return items;
}

const ItemList& SparkTypeItems()
{
    static const ItemList items =
        CodedItems({"太陽", "剣", "大剣", "斧", "棍棒", "小剣", "槍", "弓", "体術", "汎用1",
                    "汎用2", "月", "蒼龍", "朱鳥", "白虎", "玄武"});
    return items;
}

const ItemList& InitialMagicItems()
{
    static const ItemList items = CodedItems({"蒼龍", "朱鳥", "太陽(男)、月(女)", "白虎", "玄武"});
    return items;
}

const ItemList& WeaponItems()
{
    return NamedListsInUse().weapons;
}

const ItemList& ArmourItems()
{
    return NamedListsInUse().armours;
}

const ItemList& TechniqueItems()
{
    return NamedListsInUse().techniques;
}

const ItemList& SpellItems()
{
    return NamedListsInUse().spells;
}

const ItemList& FormationItems()
{
    return NamedListsInUse().formations;
}

const ItemList& ExclusiveWeaponItems()
{
    return NamedListsInUse().exclusiveWeapons;
}

const ItemList& CommanderItems()
{
    return NamedListsInUse().commanders;
}

const ItemList& TalkMusicItems()
{
    static const ItemList items = [] {
        ItemList list{{0x00, "【00】変更しない"}};
        for (int code = 0x01; code <= 0xFE; ++code) {
            const auto value = static_cast<std::uint8_t>(code);
            list.push_back({value, CodedLabel(value, "")});
        }
        return list;
    }();
    return items;
}

const ItemList& CharacterTargetItems()
{
    return NamedListsInUse().targets;
}

const ItemList& CharacterSheetItems()
{
    return NamedListsInUse().sheets;
}

int ItemIndexOfCode(const ItemList& items, std::uint8_t code)
{
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].code == code) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

std::string SpellSchool(std::uint8_t code)
{
    // A spell label is "【XX】(school)name": the school's first character is the sixth.
    constexpr std::size_t kSchoolPosition = 5;
    const ItemList& spells = SpellItems();
    const int index = ItemIndexOfCode(spells, code);
    if (index == 0) {
        return {};
    }
    const std::u32string label = Utf8ToU32(spells[static_cast<std::size_t>(index)].label);
    if (label.size() <= kSchoolPosition || label[kSchoolPosition - 1] != U'(') {
        return {};
    }
    return U32ToUtf8(label.substr(kSchoolPosition, 1));
}

} // namespace varn
