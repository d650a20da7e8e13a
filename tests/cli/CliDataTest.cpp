#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "CliRunner.h"
#include "support/DataFileText.h"
#include "support/TempDir.h"
#include "text/Utf8.h"

namespace varn::test {
namespace {

namespace fs = std::filesystem;

std::string Utf8Of(char32_t c)
{
    return U32ToUtf8(std::u32string(1, c));
}

// "旅" is not among the built-in kanji; the replaced order puts it second (position 158,
// byte EE) and swaps the first kanji (position 157, byte ED) with the last (position 1023,
// bytes 23 FF).
std::vector<char32_t> ReplacedKanji()
{
    std::vector<char32_t> kanji = BuiltInKanji();
    std::swap(kanji.front(), kanji.back());
    kanji[1] = U'旅';
    return kanji;
}

// The two ways of naming the data folder: --data before the verb, or the "Varnwork" folder
// of the user's configuration folder.
struct DataFolder {
    const char* name;
    bool option;
};

constexpr DataFolder kDataFolders[] = {{"--data", true}, {"configuration folder", false}};

// A data folder holding `files` (name, content), reached as `how` says.
class DataFolderRun {
public:
    DataFolderRun(const DataFolder& how,
                  const std::vector<std::pair<std::string, std::string>>& files)
        : option_(how.option)
    {
        folder_ = option_ ? dir_.path() / "data" : dir_.path() / "config" / "Varnwork";
        fs::create_directories(folder_);
        for (const auto& [name, content] : files)
            std::ofstream(folder_ / name, std::ios::binary) << content;
    }

    CliRun run(std::vector<std::string> arguments) const
    {
        if (!option_)
            return RunCliWithConfigHome(dir_.path() / "config", std::move(arguments));
        arguments.insert(arguments.begin(), {"--data", folder_.string()});
        return RunCli(std::move(arguments));
    }

    fs::path file(const std::string& name) const { return folder_ / name; }

private:
    TempDir dir_;
    bool option_;
    fs::path folder_;
};

TEST(CliDataTest, TextFollowsTheKanjiFileOfTheDataFolder)
{
    const std::vector<char32_t> builtIn = BuiltInKanji();
    struct Case {
        std::vector<std::string> arguments;
        std::string builtInOut; // with the built-in order; empty when it refuses the text
        std::string replacedOut;
        std::string replacedErr;
    };
    const Case cases[] = {
        {{"text", "encode", "旅"}, "", "EE\n", ""},
        {{"text", "encode", Utf8Of(builtIn.front())}, "ED\n", "23 FF\n", ""},
        {{"text", "encode", "あ" + Utf8Of(builtIn.back())}, "51 23 FF\n", "51 ED\n", ""},
        {{"text", "encode", Utf8Of(builtIn[1])},
         "EE\n",
         "",
         "1文字目の「" + Utf8Of(builtIn[1]) + "」は使用できません。\n"},
        {{"text", "decode", "ED EE"},
         Utf8Of(builtIn[0]) + Utf8Of(builtIn[1]) + "\n",
         Utf8Of(builtIn.back()) + "旅\n",
         ""},
    };
    for (const DataFolder& how : kDataFolders) {
        const DataFolderRun replaced(how, {{"kanji.txt", KanjiFileText(ReplacedKanji())}});
        for (const Case& c : cases) {
            const CliRun before = RunCli(c.arguments);
            EXPECT_EQ(before.out, c.builtInOut) << c.arguments.back();
            EXPECT_EQ(before.exitCode, c.builtInOut.empty() ? 2 : 0) << c.arguments.back();

            const CliRun after = replaced.run(c.arguments);
            EXPECT_EQ(after.out, c.replacedOut) << how.name << ": " << c.arguments.back();
            EXPECT_EQ(after.err, c.replacedErr) << how.name << ": " << c.arguments.back();
            EXPECT_EQ(after.exitCode, c.replacedOut.empty() ? 2 : 0) << how.name;
        }
    }
}

// A damaged kanji file is named with its line. From the configuration folder the command
// goes on with the built-in table and says so; a folder named with --data stops it.
TEST(CliDataTest, ADamagedKanjiFileIsRefusedNamingItsLine)
{
    const std::vector<char32_t> builtIn = BuiltInKanji();
    std::vector<char32_t> fewer = builtIn;
    fewer.pop_back();
    std::vector<char32_t> duplicate = builtIn;
    duplicate[599] = builtIn[19];
    std::string notKanji = KanjiFileText(builtIn);
    notKanji.insert(notKanji.find(Utf8Of(builtIn[400])), "kanji\n");
    const std::pair<std::string, std::string> damaged[] = {
        {KanjiFileText(fewer),
         "846行目: ファイルが終わりましたが、漢字が846字しかありません。漢字はちょうど847字です。"},
        {KanjiFileText(duplicate), "600行目: 「" + Utf8Of(builtIn[19]) +
                                       "」は20行目にもあります。同じ漢字は一度しか書けません。"},
        {notKanji, "401行目: 「k」は漢字ではありません。"},
    };
    for (const DataFolder& how : kDataFolders) {
        for (const auto& [text, line] : damaged) {
            const DataFolderRun folder(how, {{"kanji.txt", text}});
            const std::string message = "データファイルが正しくありません。\n" +
                                        folder.file("kanji.txt").string() + "\n" + line + "\n";
            const CliRun run = folder.run({"text", "encode", Utf8Of(builtIn.front())});
            if (how.option) {
                EXPECT_EQ(run.exitCode, 2);
                EXPECT_EQ(run.err, message);
                EXPECT_EQ(run.out, "");
            } else {
                EXPECT_EQ(run.exitCode, 0);
                EXPECT_EQ(run.err, message + "組み込みの kanji.txt を使います。\n");
                EXPECT_EQ(run.out, "ED\n") << "the built-in table";
            }
        }
    }
}

TEST(CliDataTest, LabelsFollowTheLabelFileOfTheDataFolder)
{
    for (const DataFolder& how : kDataFolders) {
        const DataFolderRun folder(how, {{"item_labels.txt", LabelFileText(LabelEntries("新"))}});
        const std::pair<std::string, std::vector<std::string>> lists[] = {
            {"weapon", {"【FF】なし", "【00】新武器00", "【01】新武器01"}},
            {"spell", {"【FF】なし", "【AB】(蒼龍)新術AB", "【DF】(蒼龍)新術DF"}},
            {"exclusive", {"【FF】なし", "【00】剣", "【08】剣(曲刀)"}},
            {"target", {"【B0】新場所B0", "【B1】新場所B1", "【B2】新場所B2"}},
        };
        for (const auto& [list, firstLines] : lists) {
            const CliRun run = folder.run({"data", "labels", list});
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_EQ(run.err, "");
            std::string expected;
            for (const std::string& line : firstLines)
                expected += line + "\n";
            EXPECT_TRUE(run.out.starts_with(expected)) << how.name << ": " << run.out;

            const CliRun builtIn = RunCli({"data", "labels", list});
            EXPECT_EQ(builtIn.exitCode, 0);
            EXPECT_EQ(builtIn.out.find("新"), std::string::npos) << list;
        }
        const CliRun commander = folder.run({"data", "labels", "commander"});
        EXPECT_TRUE(commander.out.ends_with("【07】物理と術\n【08】新人物08\n")) << commander.out;
    }
}

TEST(CliDataTest, ADamagedLabelFileIsRefusedNamingItsLine)
{
    const std::vector<std::string> entries = LabelEntries("新");
    std::vector<std::string> missing = entries;
    missing.erase(missing.begin() + 7); // weapon 08, after weapon 06 on line 7
    std::vector<std::string> duplicate = entries;
    duplicate.insert(duplicate.begin() + 2, "weapon 00 二つ目");
    std::vector<std::string> unknownList = entries;
    unknownList.push_back("shield 00 盾");
    const std::pair<std::vector<std::string>, std::string> damaged[] = {
        {missing, "7行目: weapon 06 の次の weapon 08 の行がありません。"},
        {duplicate, "3行目: weapon 00 は1行目にもあります。一つのコードに名前は一つです。"},
        {unknownList, "431行目: 「shield」という一覧はありません（weapon armour technique spell "
                      "formation exclusive commander target のどれかです）。"},
    };
    for (const DataFolder& how : kDataFolders) {
        for (const auto& [lines, line] : damaged) {
            const DataFolderRun folder(how, {{"item_labels.txt", LabelFileText(lines)}});
            const std::string message = "データファイルが正しくありません。\n" +
                                        folder.file("item_labels.txt").string() + "\n" + line +
                                        "\n";
            const CliRun run = folder.run({"data", "labels", "weapon"});
            if (how.option) {
                EXPECT_EQ(run.exitCode, 2);
                EXPECT_EQ(run.err, message);
                EXPECT_EQ(run.out, "");
            } else {
                EXPECT_EQ(run.exitCode, 0);
                EXPECT_EQ(run.err, message + "組み込みの item_labels.txt を使います。\n");
                EXPECT_TRUE(run.out.starts_with("【FF】なし\n【00】武器00\n")) << run.out;
            }
        }
    }
}

TEST(CliDataTest, CheckNamesTheFilesInUse)
{
    std::vector<char32_t> fewer = BuiltInKanji();
    fewer.pop_back();
    for (const DataFolder& how : kDataFolders) {
        const DataFolderRun both(how, {{"kanji.txt", KanjiFileText(ReplacedKanji())},
                                       {"item_labels.txt", LabelFileText(LabelEntries())}});
        const fs::path folder = both.file("kanji.txt").parent_path();
        const CliRun run = both.run({"data", "check"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out,
                  "folder: " + folder.string() + "\nkanji.txt: " + both.file("kanji.txt").string() +
                      "\nitem_labels.txt: " + both.file("item_labels.txt").string() +
                      "\nmusic_labels.txt: 組み込み\nenemy_labels.txt: 組み込み\n");

        const DataFolderRun none(how, {});
        const CliRun builtIn = none.run({"data", "check"});
        EXPECT_EQ(builtIn.exitCode, 0) << builtIn.err;
        EXPECT_TRUE(builtIn.out.ends_with("\nkanji.txt: 組み込み\nitem_labels.txt: 組み込み\n"
                                          "music_labels.txt: 組み込み\nenemy_labels.txt: 組み込み\n"))
            << builtIn.out;
    }
    // The playback and enemy label files are named as well (the shipped copies stand in for
    // replacements).
    const fs::path shipped = fs::path(VARN_EXAMPLES_DIR).parent_path() / "data";
    const auto shippedText = [&](const char* name) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(shipped / name);
        return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    };
    const DataFolderRun labels(kDataFolders[0],
                               {{"music_labels.txt", shippedText("music_labels.txt")},
                                {"enemy_labels.txt", shippedText("enemy_labels.txt")}});
    const CliRun named = labels.run({"data", "check"});
    EXPECT_EQ(named.exitCode, 0) << named.err;
    EXPECT_TRUE(named.out.ends_with("\nkanji.txt: 組み込み\nitem_labels.txt: 組み込み\n"
                                    "music_labels.txt: " +
                                    labels.file("music_labels.txt").string() +
                                    "\nenemy_labels.txt: " +
                                    labels.file("enemy_labels.txt").string() + "\n"))
        << named.out;

    // A refused file in the configuration folder: the check fails after its message.
    const DataFolderRun damaged(
        kDataFolders[1],
        {{"kanji.txt", KanjiFileText(fewer)}, {"item_labels.txt", LabelFileText(LabelEntries())}});
    const CliRun run = damaged.run({"data", "check"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.err.starts_with("データファイルが正しくありません。\n")) << run.err;
    EXPECT_TRUE(run.out.ends_with("\nkanji.txt: 組み込み\nitem_labels.txt: " +
                                  damaged.file("item_labels.txt").string() +
                                  "\nmusic_labels.txt: 組み込み\nenemy_labels.txt: 組み込み\n"))
        << run.out;
}

TEST(CliDataTest, BadDataOptionsAndDataCommands)
{
    TempDir dir;
    const std::string missing = (dir.path() / "missing").string();
    const CliRun missingFolder = RunCli({"--data", missing, "text", "encode", "あ"});
    EXPECT_EQ(missingFolder.exitCode, 2);
    EXPECT_EQ(missingFolder.err, "データフォルダが見つかりません。\n" + missing + "\n");
    EXPECT_EQ(missingFolder.out, "");

    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"--data"},
          {"--data", dir.path().string()},
          {"--data", dir.path().string(), "nonsense"},
          {"data"},
          {"data", "labels"},
          {"data", "labels", "shield"},
          {"data", "labels", "weapon", "armour"},
          {"data", "check", "extra"},
          {"data", "list"},
          {"text", "encode", "--data", dir.path().string(), "あ"}}) {
        const CliRun run = RunCli(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.back();
        EXPECT_TRUE(run.err.starts_with("varnwork-cli: ")) << run.err;
    }

    // The help is printed without looking at the data folder.
    const CliRun help = RunCli({"--data", missing, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--data DIR"), std::string::npos);
}

} // namespace
} // namespace varn::test
