#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "music/MusicLabels.h"
#include "rom/HexText.h"

namespace varn {
namespace {

// The entries of a label file naming every code, one a line, in the file's order.
std::vector<std::string> Entries(const MusicLabels& labels)
{
    std::vector<std::string> lines;
    for (int code = 0; code < kMapBattleLabelCount; ++code)
        lines.push_back("map " + HexDigits(code, 2) + " " + labels.maps[code]);
    for (int code = 0; code < kNamedMonsterCount; ++code)
        lines.push_back("monster " + HexDigits(code, 4) + " " + labels.monsters[code].group + " " +
                        labels.monsters[code].name);
    for (int code = 0; code < kMapThemeLabelCount; ++code)
        lines.push_back("theme " + HexDigits(code, 2) + " " + labels.themes[code]);
    return lines;
}

std::string FileText(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// Every label with "新" before its name.
MusicLabels Renamed()
{
    MusicLabels labels = BuiltInMusicLabels();
    for (std::string& name : labels.maps)
        name = "新" + name;
    for (MonsterLabel& monster : labels.monsters)
        monster.name = "新" + monster.name;
    for (std::string& name : labels.themes)
        name = "新" + name;
    return labels;
}

class MusicLabelsTest : public testing::Test {
protected:
    void TearDown() override { UseBuiltInMusicLabels(); }
};

TEST_F(MusicLabelsTest, TheThreeListsShowEveryCode)
{
    const auto& maps = MapBattleLabels();
    const auto& monsters = MonsterBattleLabels();
    const auto& themes = MapThemeLabels();
    ASSERT_EQ(maps.size(), 256u);
    ASSERT_EQ(monsters.size(), 512u);
    ASSERT_EQ(themes.size(), 33u);
    EXPECT_EQ(maps[0x00], "【00】マップ00");
    EXPECT_EQ(maps[0xFF], "【FF】マップFF");
    EXPECT_EQ(monsters[0x000], "【0000】(グループ00)モンスター000");
    EXPECT_EQ(monsters[0x13F], "【013F】(グループ13)モンスター13F");
    EXPECT_EQ(monsters[0x140], "【0140】");
    EXPECT_EQ(monsters[0x1FF], "【01FF】");
    EXPECT_EQ(themes[0x00], "【00】地名00");
    EXPECT_EQ(themes[0x20], "【20】地名20");
}

TEST_F(MusicLabelsTest, TheBuiltInFileReadsBackTheSame)
{
    const auto parsed = ParseMusicLabels(FileText(Entries(BuiltInMusicLabels())));
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    EXPECT_EQ(parsed.value(), BuiltInMusicLabels());

    // Comments, blank lines, a byte-order mark, CR LF, full-width spaces and any order.
    std::vector<std::string> lines = Entries(Renamed());
    std::reverse(lines.begin(), lines.end());
    lines.insert(lines.begin(), "# comment");
    lines.insert(lines.begin() + 5, "");
    lines[10] = "　" + lines[10] + "\r";
    const auto loose = ParseMusicLabels("\xEF\xBB\xBF" + FileText(lines));
    ASSERT_TRUE(loose.ok()) << loose.message();
    EXPECT_EQ(loose.value(), Renamed());

    // A name may hold spaces; the group is one word.
    lines = Entries(BuiltInMusicLabels());
    lines[0] = "map 00 北の 森";
    lines[256] = "monster 0000 獣 大きな 狼";
    const auto spaced = ParseMusicLabels(FileText(lines));
    ASSERT_TRUE(spaced.ok()) << spaced.message();
    EXPECT_EQ(spaced.value().maps[0], "北の 森");
    EXPECT_EQ(spaced.value().monsters[0], (MonsterLabel{"獣", "大きな 狼"}));
}

TEST_F(MusicLabelsTest, ABrokenFileIsRefusedNamingTheLine)
{
    const std::vector<std::string> good = Entries(BuiltInMusicLabels());
    struct Case {
        std::vector<std::string> lines;
        std::string message;
    };
    const auto with = [&](std::size_t at, std::string line) {
        std::vector<std::string> lines = good;
        lines[at] = std::move(line);
        return lines;
    };
    const auto without = [&](std::size_t at) {
        std::vector<std::string> lines = good;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        return lines;
    };
    std::vector<std::string> doubled = good;
    doubled.push_back("theme 05 二つ目");
    std::vector<std::string> noThemes(good.begin(), good.begin() + 256 + 320);
    const Case cases[] = {
        {with(3, "map 03"), "4行目: 「map 03」は「map コード 名前」の形ではありません（空白で区切ります）。"},
        {with(300, "monster 002C 名前だけ"),
         "301行目: 「monster 002C 名前だけ」は「monster コード グループ 名前」の形ではありません（空白で区切ります）。"},
        {with(0, "song 00 歌"), "1行目: 「song」という一覧はありません（map monster theme のどれかです）。"},
        {with(1, "map 1 マップ"), "2行目: コード「1」は2桁の16進数ではありません。"},
        {with(256, "monster 00 群 名"), "257行目: コード「00」は4桁の16進数ではありません。"},
        {with(256, "monster 0140 群 名"),
         "257行目: 一覧 monster にコード0140はありません（0000 から 013F までです）。"},
        {with(600, "theme 21 場所"), "601行目: 一覧 theme にコード21はありません（00 から 20 までです）。"},
        {with(2, "map 0G マップ"), "3行目: コード「0G」は2桁の16進数ではありません。"},
        {with(7, "map 07 \xEF\xBF\xBD"), "8行目: 文字として読めないバイトがあります。"},
        {doubled, "610行目: theme 05 は582行目にもあります。一つのコードに名前は一つです。"},
        {without(10), "10行目: map 09 の次の map 0A の行がありません。"},
        {without(0), "1行目: map 01 の前の map 00 の行がありません。"},
        {noThemes, "576行目: 一覧 theme の行が一つもありません（theme 00 から 33行が必要です）。"},
        {{}, "1行目: 一覧 map の行が一つもありません（map 00 から 256行が必要です）。"},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseMusicLabels(FileText(c.lines));
        EXPECT_EQ(parsed.message(), c.message);
    }
}

TEST_F(MusicLabelsTest, InstalledLabelsReplaceTheBuiltInOnes)
{
    const std::vector<std::string>& before = MapBattleLabels();
    ASSERT_TRUE(InstallMusicLabels(Renamed()).ok());
    EXPECT_EQ(MapBattleLabels()[5], "【05】新マップ05");
    EXPECT_EQ(MonsterBattleLabels()[5], "【0005】(グループ00)新モンスター005");
    EXPECT_EQ(MonsterBattleLabels()[0x150], "【0150】");
    EXPECT_EQ(MapThemeLabels()[5], "【05】新地名05");
    EXPECT_EQ(before[5], "【05】マップ05") << "a list taken before keeps its names";

    MusicLabels blank = Renamed();
    blank.monsters[7].group = " ";
    EXPECT_EQ(InstallMusicLabels(blank).message(),
              "項目名が揃っていません。\nmonster 0007 の名前がありません。");
    EXPECT_EQ(MapBattleLabels()[5], "【05】新マップ05") << "a refused set keeps the names in use";

    UseBuiltInMusicLabels();
    EXPECT_EQ(MapBattleLabels()[5], "【05】マップ05");
    ASSERT_TRUE(InstallMusicLabels(Renamed()).ok());
    ASSERT_TRUE(InstallMusicLabels(BuiltInMusicLabels()).ok());
    EXPECT_EQ(&MapBattleLabels(), &before) << "the built-in names in use again";
}

} // namespace
} // namespace varn
