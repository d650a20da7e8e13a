#include "charpatch/ItemLists.h"

#include <array>
#include <map>
#include <span>
#include <utility>

#include "charpatch/ApplyCharacterPatch.h"
#include "charpatch/ItemLabelsFileText.h"
#include "rom/HexText.h"
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
    constexpr const char* kDigits = "0123456789ABCDEF";
    return {kDigits[code >> 4], kDigits[code & 0x0F]};
}

std::string CodedLabel(std::uint8_t code, std::string_view name)
{
    return "【" + HexCode(code) + "】" + std::string(name);
}

// The item label data: names by list keyword and code. A line is "<list> <code> <name>";
// lines starting with "#", empty lines and lines that do not have that shape are skipped, and
// the first entry for a code wins.
class ItemLabelData {
public:
    ItemLabelData()
    {
        const std::string_view text(reinterpret_cast<const char*>(kItemLabelsFileText.data()),
                                    kItemLabelsFileText.size());
        std::size_t pos = 0;
        while (pos < text.size()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            parseLine(text.substr(pos, end - pos));
            pos = end + 1;
        }
    }

    std::string name(std::string_view list, std::uint8_t code) const
    {
        const auto found = names_.find({std::string(list), code});
        return found == names_.end() ? kUnnamedLabel : found->second;
    }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

    static std::string_view Trim(std::string_view text)
    {
        while (!text.empty() && IsSpace(text.front())) {
            text.remove_prefix(1);
        }
        while (!text.empty() && IsSpace(text.back())) {
            text.remove_suffix(1);
        }
        return text;
    }

    // Splits off the first word of `text`.
    static std::string_view NextWord(std::string_view& text)
    {
        text = Trim(text);
        std::size_t end = 0;
        while (end < text.size() && !IsSpace(text[end])) {
            ++end;
        }
        const std::string_view word = text.substr(0, end);
        text.remove_prefix(end);
        return word;
    }

    void parseLine(std::string_view line)
    {
        if (line.starts_with("\xEF\xBB\xBF")) {
            line.remove_prefix(3);
        }
        line = Trim(line);
        if (line.empty() || line.front() == '#') {
            return;
        }
        const std::string_view list = NextWord(line);
        const std::string_view code = NextWord(line);
        const std::string_view name = Trim(line);
        if (code.size() != 2 || HexDigitValue(code[0]) < 0 || HexDigitValue(code[1]) < 0 ||
            name.empty()) {
            return;
        }
        const auto value =
            static_cast<std::uint8_t>(HexDigitValue(code[0]) * 16 + HexDigitValue(code[1]));
        names_.emplace(std::pair{std::string(list), value}, std::string(name));
    }

    std::map<std::pair<std::string, std::uint8_t>, std::string> names_;
};

const ItemLabelData& LabelData()
{
    static const ItemLabelData data;
    return data;
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

// "【FF】なし", then every code of the ranges named from the label data.
template <std::size_t N>
ItemList NamedItems(const std::array<CodeRange, N>& ranges, std::string_view list)
{
    ItemList items{{kNoItemCode, kNoneLabel}};
    for (const CodeRange& range : ranges) {
        for (int code = range.first; code <= range.last; ++code) {
            const auto value = static_cast<std::uint8_t>(code);
            items.push_back({value, CodedLabel(value, LabelData().name(list, value))});
        }
    }
    return items;
}

} // namespace

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
    static const ItemList items = NamedItems(kWeaponCodes, "weapon");
    return items;
}

const ItemList& ArmourItems()
{
    static const ItemList items = NamedItems(kArmourCodes, "armour");
    return items;
}

const ItemList& TechniqueItems()
{
    static const ItemList items = NamedItems(kTechniqueCodes, "technique");
    return items;
}

const ItemList& SpellItems()
{
    static const ItemList items = [] {
        ItemList list{{kNoItemCode, kNoneLabel}};
        for (const SpellSchoolCodes& school : kSpellCodes) {
            for (const std::uint8_t code : school.codes) {
                const std::string name =
                    "(" + std::string(school.school) + ")" + LabelData().name("spell", code);
                list.push_back({code, CodedLabel(code, name)});
            }
        }
        return list;
    }();
    return items;
}

const ItemList& FormationItems()
{
    static const ItemList items = [] {
        ItemList list{{0x00, "【00】なし"}};
        for (std::uint8_t code = 0x01; code <= 0x0A; ++code) {
            list.push_back({code, CodedLabel(code, LabelData().name("formation", code))});
        }
        return list;
    }();
    return items;
}

const ItemList& ExclusiveWeaponItems()
{
    static const ItemList items = [] {
        ItemList list = PlainItems({{0xFF, "【FF】なし"},
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
        list.push_back({0xB8, CodedLabel(0xB8, LabelData().name("exclusive", 0xB8))});
        return list;
    }();
    return items;
}

const ItemList& CommanderItems()
{
    static const ItemList items = [] {
        ItemList list = CodedItems({"物理", "術(主に蒼龍)", "術(主に朱鳥)", "術(主に白虎)",
                                    "術(主に玄武)", "術(主に太陽)", "術(主に月)", "物理と術"});
        list.push_back({0x08, CodedLabel(0x08, LabelData().name("commander", 0x08))});
        return list;
    }();
    return items;
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
    static const ItemList items = [] {
        ItemList list;
        for (const std::uint8_t code : kCharacterPatchTargets) {
            list.push_back({code, CodedLabel(code, LabelData().name("target", code))});
        }
        return list;
    }();
    return items;
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
