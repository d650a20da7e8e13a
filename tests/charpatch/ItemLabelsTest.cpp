#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "CharpatchTestSupport.h"
#include "charpatch/ItemLists.h"

namespace varn {
namespace {

using test::TwoHexDigits;


// The entries of a complete label file, one for every code of every list in list order, with
// the built-in names (or `prefix` before each): entry k belongs on line k + 1.
std::vector<std::string> Entries(const std::string& prefix = "")
{
    std::vector<std::string> entries;
    for (const std::string_view list : ItemLabelListNames()) {
        for (const std::uint8_t code : ItemLabelCodes(list)) {
            const std::string name = BuiltInItemLabels().names.at({std::string(list), code});
            entries.push_back(std::string(list) + " " + TwoHexDigits(code) + " " + prefix + name);
        }
    }
    return entries;
}

std::string Lines(const std::vector<std::string>& entries, const std::string& lineEnd = "\n")
{
    std::string text;
    for (const std::string& entry : entries) {
        text += entry + lineEnd;
    }
    return text;
}

// Resets the process's labels after each test, so that no test sees another's names.
class ItemLabelsTest : public testing::Test {
protected:
    void TearDown() override { UseBuiltInItemLabels(); }
};

TEST_F(ItemLabelsTest, TheShippedFileNamesEveryCodeOnce)
{
    std::ifstream file(VARN_ITEM_LABELS_FILE, std::ios::binary);
    ASSERT_TRUE(file) << VARN_ITEM_LABELS_FILE;
    const std::string text{std::istreambuf_iterator<char>(file), {}};
    const Result<ItemLabels> labels = ParseItemLabels(text);
    ASSERT_TRUE(labels) << labels.message();
    EXPECT_EQ(labels.value().names, BuiltInItemLabels().names);

    // 89 weapons, 99 armours, 104 techniques, 84 spells, 10 formations, the exclusive
    // weapon, the commander and 42 character slots.
    const std::pair<std::string_view, std::size_t> sizes[] = {
        {"weapon", 89},    {"armour", 99},   {"technique", 104}, {"spell", 84},
        {"formation", 10}, {"exclusive", 1}, {"commander", 1},   {"target", 42},
    };
    for (const auto& [list, size] : sizes) {
        EXPECT_EQ(ItemLabelCodes(list).size(), size) << list;
    }
    EXPECT_EQ(Entries().size(), 430u);
    EXPECT_EQ(labels.value().names.size(), 430u);
    EXPECT_TRUE(ItemLabelCodes("shield").empty());
}

// The same names written in the ways the file allows.
TEST_F(ItemLabelsTest, CommentsSpacesAndOrderDoNotChangeTheNames)
{
    std::vector<std::string> reversed = Entries();
    std::reverse(reversed.begin(), reversed.end());
    std::vector<std::string> spaced;
    for (const std::string& entry : Entries()) {
        std::string line = entry;
        std::replace(line.begin(), line.end(), ' ', '\t');
        spaced.push_back("  " + line + " \t");
    }
    std::vector<std::string> fullWidth;
    std::vector<std::string> lowerCase;
    for (const std::string& entry : Entries()) {
        std::string line = entry;
        line.replace(line.find(' '), 1, "\u3000");
        line.replace(line.find(' '), 1, "\u3000\u3000");
        fullWidth.push_back(line + "\u3000");
        std::string lower = entry;
        const std::size_t code = lower.find(' ') + 1;
        std::transform(lower.begin() + static_cast<std::ptrdiff_t>(code),
                       lower.begin() + static_cast<std::ptrdiff_t>(code + 2),
                       lower.begin() + static_cast<std::ptrdiff_t>(code),
                       [](char c) { return static_cast<char>(std::tolower(c)); });
        lowerCase.push_back(lower);
    }
    const std::pair<const char*, std::string> layouts[] = {
        {"list order", Lines(Entries())},
        {"reverse order", Lines(reversed)},
        {"CRLF", Lines(Entries(), "\r\n")},
        {"byte-order mark", "\xEF\xBB\xBF" + Lines(Entries())},
        {"comments and blank lines", "# labels\n\n" + Lines(Entries(), "\n\n  # more\n")},
        {"tabs and spaces", Lines(spaced)},
        {"full-width spaces", Lines(fullWidth)},
        {"lower-case codes", Lines(lowerCase)},
        {"no final line break", Lines(Entries()).substr(0, Lines(Entries()).size() - 1)},
    };
    for (const auto& [name, text] : layouts) {
        const Result<ItemLabels> labels = ParseItemLabels(text);
        ASSERT_TRUE(labels) << name << ": " << labels.message();
        EXPECT_EQ(labels.value().names, BuiltInItemLabels().names) << name;
    }

    // A name is the rest of the line, spaces inside it kept.
    std::vector<std::string> entries = Entries();
    entries[0] = "weapon 00 大 剣　改";
    const Result<ItemLabels> labels = ParseItemLabels(Lines(entries));
    ASSERT_TRUE(labels) << labels.message();
    EXPECT_EQ(labels.value().names.at({"weapon", 0x00}), "大 剣　改");
}

TEST_F(ItemLabelsTest, ADamagedFileIsRefusedNamingTheLine)
{
    const std::vector<std::string> entries = Entries();
    const auto without = [&](std::size_t first, std::size_t count = 1) {
        std::vector<std::string> kept = entries;
        kept.erase(kept.begin() + static_cast<std::ptrdiff_t>(first),
                   kept.begin() + static_cast<std::ptrdiff_t>(first + count));
        return Lines(kept);
    };
    const auto replaced = [&](std::size_t line, const std::string& with) {
        std::vector<std::string> changed = entries;
        changed[line - 1] = with;
        return Lines(changed);
    };
    const auto appended = [&](const std::string& line) { return Lines(entries) + line + "\n"; };
    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    // Lines 1-89 name the weapons (00-06 on lines 1-7, 08 on line 8), 90-188 the armours
    // (armour 60 first), 389-430 the character slots.
    const Case cases[] = {
        {"a missing code", without(7), "7行目: weapon 06 の次の weapon 08 の行がありません。"},
        {"a missing first code", without(0),
         "1行目: weapon 01 の前の weapon 00 の行がありません。"},
        {"a missing list", without(388, 42),
         "388行目: 一覧 target の行が一つもありません（target B0 から 42行が必要です）。"},
        {"an empty file", "",
         "1行目: 一覧 weapon の行が一つもありません（weapon 00 から 89行が必要です）。"},
        {"a duplicate code", appended("armour 60 別名"),
         "431行目: armour 60 は90行目にもあります。一つのコードに名前は一つです。"},
        {"an unknown list", replaced(5, "shield 04 盾"),
         "5行目: 「shield」という一覧はありません（weapon armour technique spell formation "
         "exclusive commander target のどれかです）。"},
        {"a code the list does not hold", appended("weapon 07 武器07"),
         "431行目: 一覧 weapon にコード07はありません。"},
        {"a code that is not hexadecimal", appended("weapon 0G 武器"),
         "431行目: コード「0G」は2桁の16進数ではありません。"},
        {"a code of three digits", appended("weapon 100 武器"),
         "431行目: コード「100」は2桁の16進数ではありません。"},
        {"a line without a name", replaced(1, "weapon 00"),
         "1行目: 「weapon 00」は「一覧 コード 名前」の形ではありません（空白で区切ります）。"},
        {"a line with only a word", replaced(2, "weapon"),
         "2行目: 「weapon」は「一覧 コード 名前」の形ではありません（空白で区切ります）。"},
        {"bytes read as U+FFFD", replaced(3, "weapon 02 \xEF\xBF\xBD"),
         "3行目: 文字として読めないバイトがあります。"},
    };
    for (const Case& c : cases) {
        const Result<ItemLabels> labels = ParseItemLabels(c.text);
        EXPECT_FALSE(labels) << c.name;
        EXPECT_EQ(labels.message(), c.message) << c.name;
    }
}

// Every list that carries names takes them from the installed labels; the rest stay as they
// are.
TEST_F(ItemLabelsTest, InstalledLabelsNameTheLists)
{
    const Result<ItemLabels> renamed = ParseItemLabels(Lines(Entries("新")));
    ASSERT_TRUE(renamed) << renamed.message();
    const ItemList genders = GenderItems();
    ASSERT_TRUE(InstallItemLabels(renamed.value()));

    struct Named {
        std::string_view list;
        const ItemList& (*items)();
        std::size_t firstNamed; // index of the first item named from the file
    };
    const Named lists[] = {
        {"weapon", WeaponItems, 1},       {"armour", ArmourItems, 1},
        {"technique", TechniqueItems, 1}, {"spell", SpellItems, 1},
        {"formation", FormationItems, 1}, {"exclusive", ExclusiveWeaponItems, 15},
        {"commander", CommanderItems, 8}, {"target", CharacterTargetItems, 0},
    };
    for (const Named& named : lists) {
        const ItemList& items = named.items();
        const std::vector<std::uint8_t> codes = ItemLabelCodes(named.list);
        ASSERT_EQ(items.size(), named.firstNamed + codes.size()) << named.list;
        for (std::size_t i = 0; i < codes.size(); ++i) {
            const ListItem& item = items[named.firstNamed + i];
            EXPECT_EQ(item.code, codes[i]) << named.list;
            const std::string name =
                "新" + BuiltInItemLabels().names.at({std::string(named.list), codes[i]});
            EXPECT_TRUE(item.label.starts_with("【" + TwoHexDigits(codes[i]) + "】")) << item.label;
            EXPECT_TRUE(item.label.ends_with(name)) << item.label;
        }
    }
    EXPECT_EQ(WeaponItems()[1].label, "【00】新武器00");
    EXPECT_EQ(SpellItems()[1].label, "【AB】(蒼龍)新術AB");
    EXPECT_EQ(SpellSchool(0xAB), "蒼");
    EXPECT_EQ(SpellSchool(0xD7), "特");
    EXPECT_EQ(WeaponItems()[0].label, "【FF】なし");
    EXPECT_EQ(ExclusiveWeaponItems()[1].label, "【00】剣");
    EXPECT_EQ(GenderItems().size(), genders.size());
    EXPECT_EQ(GenderItems()[0].label, genders[0].label);

    UseBuiltInItemLabels();
    EXPECT_EQ(WeaponItems()[1].label, "【00】武器00");
    EXPECT_EQ(CharacterTargetItems()[0].label, "【B0】場所B0");
}

// A list taken before an install keeps the names it was taken with; the sanitizer build
// would report it if those lists had been freed.
TEST_F(ItemLabelsTest, ListsTakenBeforeAnInstallStayValid)
{
    const Result<ItemLabels> first = ParseItemLabels(Lines(Entries("一")));
    const Result<ItemLabels> second = ParseItemLabels(Lines(Entries("二")));
    ASSERT_TRUE(first && second);

    const ItemList& builtIn = WeaponItems();
    ASSERT_TRUE(InstallItemLabels(first.value()));
    const ItemList& firstWeapons = WeaponItems();
    const ItemList& firstTargets = CharacterTargetItems();
    ASSERT_TRUE(InstallItemLabels(second.value()));
    ASSERT_TRUE(InstallItemLabels(first.value()));
    EXPECT_EQ(&WeaponItems(), &firstWeapons) << "the same names reuse the lists built for them";
    ASSERT_TRUE(InstallItemLabels(BuiltInItemLabels()));
    EXPECT_EQ(&WeaponItems(), &builtIn);

    EXPECT_EQ(builtIn[1].label, "【00】武器00");
    EXPECT_EQ(firstWeapons[1].label, "【00】一武器00");
    EXPECT_EQ(firstTargets.back().label, "【1B】一人物1B");
}

TEST_F(ItemLabelsTest, InstallRefusesLabelsThatDoNotNameEveryCodeOnce)
{
    const Result<ItemLabels> renamed = ParseItemLabels(Lines(Entries("新")));
    ASSERT_TRUE(renamed);
    ASSERT_TRUE(InstallItemLabels(renamed.value()));

    const auto changed = [&](auto change) {
        ItemLabels labels = BuiltInItemLabels();
        change(labels.names);
        return labels;
    };
    const std::pair<ItemLabels, std::string> cases[] = {
        {changed([](auto& names) {
             names.erase({"spell", 0xD7});
         }),
         "項目名が揃っていません。\nspell D7 の名前がありません。"},
        {changed([](auto& names) {
             names[{"target", 0x1B}] = " ";
         }),
         "項目名が揃っていません。\ntarget 1B の名前がありません。"},
        {changed([](auto& names) {
             names[{"weapon", 0x07}] = "武器07";
         }),
         "項目名が正しくありません。\nweapon 07 という項目はありません。"},
        {changed([](auto& names) {
             names[{"shield", 0x00}] = "盾";
         }),
         "項目名が正しくありません。\nshield 00 という項目はありません。"},
    };
    for (const auto& [labels, message] : cases) {
        const Status installed = InstallItemLabels(labels);
        EXPECT_FALSE(installed);
        EXPECT_EQ(installed.message(), message);
        EXPECT_EQ(WeaponItems()[1].label, "【00】新武器00") << "the names in use stay";
    }
}

} // namespace
} // namespace varn
