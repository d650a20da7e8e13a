#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "charpatch/ItemLists.h"
#include "datafiles/DataFiles.h"
#include "enemy/EnemyLabels.h"
#include "enemy/EnemyLists.h"
#include "music/MusicLabels.h"
#include "rom/HexText.h"
#include "support/DataFileText.h"
#include "support/TempDir.h"
#include "text/CharacterTable.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"
#include "text/Utf8.h"

namespace varn {
namespace {

namespace fs = std::filesystem;
using test::BuiltInKanji;
using test::KanjiFileText;
using test::LabelEntries;
using test::LabelFileText;
using test::TempDir;

// The built-in order with its first and last kanji swapped.
std::vector<char32_t> SwappedKanji()
{
    std::vector<char32_t> kanji = BuiltInKanji();
    std::swap(kanji.front(), kanji.back());
    return kanji;
}

std::string Cp932(const std::string& utf8)
{
    const std::optional<std::string> bytes = Utf8ToCp932(utf8);
    EXPECT_TRUE(bytes.has_value()) << "the text has a CP932 form";
    return bytes.value_or("");
}

fs::path EmptyFile(const fs::path& path)
{
    std::ofstream{path};
    return path;
}

const std::string kTooFewMessage =
    "846行目: ファイルが終わりましたが、漢字が846字しかありません。漢字はちょうど847字です。";

// Resets the process's data after each test, so that no test sees another's files.
class DataFilesTest : public testing::Test {
protected:
    void TearDown() override { UseBuiltInDataFiles(); }

    static bool KanjiSwapped() { return CharacterTable()[157] == BuiltInKanji().back(); }
    static bool LabelsRenamed() { return WeaponItems()[1].label == "【00】新武器00"; }
};

TEST_F(DataFilesTest, TheFolderIsTheOptionElseTheConfigurationFolder)
{
    struct Case {
        std::optional<fs::path> option;
        const char* xdgConfigHome;
        const char* home;
        fs::path folder;
    };
    const Case cases[] = {
        {"/data", "/xdg", "/home/u", "/data"},
        {"relative/data", nullptr, nullptr, "relative/data"},
        {std::nullopt, "/xdg", "/home/u", "/xdg/Varnwork"},
        {std::nullopt, "", "/home/u", "/home/u/.config/Varnwork"},
        {std::nullopt, nullptr, "/home/u", "/home/u/.config/Varnwork"},
        {std::nullopt, nullptr, "", ""},
        {std::nullopt, nullptr, nullptr, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ResolveDataFolder(c.option, c.xdgConfigHome, c.home), c.folder)
            << (c.xdgConfigHome ? c.xdgConfigHome : "(unset)") << " "
            << (c.home ? c.home : "(unset)");
    }
}

TEST_F(DataFilesTest, FilesInTheFolderReplaceTheBuiltInCopies)
{
    TempDir dir;
    const fs::path kanji = dir.write("kanji.txt", KanjiFileText(SwappedKanji()));
    const fs::path labels = dir.write("item_labels.txt", LabelFileText(LabelEntries("新")));

    const DataLoadReport report = LoadDataFiles(dir.path());
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(report.loaded, (std::vector<fs::path>{kanji, labels}));
    EXPECT_TRUE(KanjiSwapped());
    EXPECT_TRUE(LabelsRenamed());
    std::vector<std::uint8_t> field(2);
    EXPECT_EQ(EncodeText(U32ToUtf8(std::u32string(1, BuiltInKanji().front())), field), 0);
    EXPECT_EQ(field, (std::vector<std::uint8_t>{0x23, 0xFF}));
    EXPECT_EQ(DataLoadWarning(report), "");

    // A folder without the files gives the built-in copies back.
    TempDir empty;
    const DataLoadReport again = LoadDataFiles(empty.path());
    EXPECT_TRUE(again.ok());
    EXPECT_TRUE(again.loaded.empty());
    EXPECT_FALSE(KanjiSwapped());
    EXPECT_FALSE(LabelsRenamed());
}

// The files are read as the other files users share: UTF-8 with or without a byte-order mark,
// or CP932.
TEST_F(DataFilesTest, FilesMayBeUtf8OrCp932)
{
    const std::string kanji = KanjiFileText(SwappedKanji());
    const std::string labels = LabelFileText(LabelEntries("新"));
    const std::pair<const char*, std::pair<std::string, std::string>> encodings[] = {
        {"UTF-8", {kanji, labels}},
        {"UTF-8 with a byte-order mark", {"\xEF\xBB\xBF" + kanji, "\xEF\xBB\xBF" + labels}},
        {"CP932", {Cp932(kanji), Cp932(labels)}},
    };
    for (const auto& [name, files] : encodings) {
        TempDir dir;
        dir.write("kanji.txt", files.first);
        dir.write("item_labels.txt", files.second);
        const DataLoadReport report = LoadDataFiles(dir.path());
        EXPECT_TRUE(report.ok()) << name << ": " << DataLoadWarning(report);
        EXPECT_EQ(report.loaded.size(), 2u) << name;
        EXPECT_TRUE(KanjiSwapped()) << name;
        EXPECT_TRUE(LabelsRenamed()) << name;
        UseBuiltInDataFiles();
    }
}

// A refused file keeps its built-in copy; the other file still loads.
TEST_F(DataFilesTest, ADamagedFileIsRefusedAndTheOtherStillLoads)
{
    std::vector<char32_t> fewer = BuiltInKanji();
    fewer.pop_back();
    std::vector<std::string> entries = LabelEntries("新");
    entries.push_back("weapon 00 二つ目");

    {
        TempDir dir;
        const fs::path kanji = dir.write("kanji.txt", KanjiFileText(fewer));
        const fs::path labels = dir.write("item_labels.txt", LabelFileText(LabelEntries("新")));
        const DataLoadReport report = LoadDataFiles(dir.path());
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_EQ(report.problems[0].path, kanji);
        EXPECT_EQ(report.problems[0].message,
                  "データファイルが正しくありません。\n" + kanji.string() + "\n" + kTooFewMessage);
        EXPECT_EQ(report.loaded, std::vector<fs::path>{labels});
        EXPECT_EQ(CharacterTable()[157], BuiltInKanji().front());
        EXPECT_TRUE(LabelsRenamed());
        EXPECT_EQ(DataLoadWarning(report),
                  report.problems[0].message + "\n組み込みの kanji.txt を使います。");
    }
    {
        TempDir dir;
        const fs::path kanji = dir.write("kanji.txt", KanjiFileText(SwappedKanji()));
        const fs::path labels = dir.write("item_labels.txt", LabelFileText(entries));
        const DataLoadReport report = LoadDataFiles(dir.path());
        ASSERT_EQ(report.problems.size(), 1u);
        EXPECT_EQ(report.problems[0].message,
                  "データファイルが正しくありません。\n" + labels.string() +
                      "\n431行目: weapon 00 は1行目にもあります。一つのコードに名前は一つです。");
        EXPECT_EQ(report.loaded, std::vector<fs::path>{kanji});
        EXPECT_TRUE(KanjiSwapped());
        EXPECT_FALSE(LabelsRenamed()) << "a refused file puts the built-in names back";
    }
    {
        TempDir dir;
        const fs::path kanji = dir.write("kanji.txt", KanjiFileText(fewer));
        const fs::path labels = dir.write("item_labels.txt", LabelFileText(entries));
        const DataLoadReport report = LoadDataFiles(dir.path());
        ASSERT_EQ(report.problems.size(), 2u);
        EXPECT_TRUE(report.loaded.empty());
        EXPECT_EQ(DataLoadWarning(report),
                  report.problems[0].message + "\n組み込みの kanji.txt を使います。\n\n" +
                      report.problems[1].message + "\n組み込みの item_labels.txt を使います。");
    }
}

// What is in the folder under a data file's name but cannot be read as one.
TEST_F(DataFilesTest, WhatCannotBeReadIsRefusedWithItsPath)
{
    TempDir dir;
    const fs::path kanji = dir.path() / "kanji.txt";
    const fs::path labels = dir.path() / "item_labels.txt";
    struct Case {
        const char* name;
        void (*make)(const fs::path& kanji, const fs::path& labels);
        std::string kanjiMessage;
        std::string labelsMessage;
    };
    const Case cases[] = {
        {"folders",
         [](const fs::path& k, const fs::path& l) {
             fs::create_directory(k);
             fs::create_directory(l);
         },
         "ファイルが開けません。\n" + kanji.string(), "ファイルが開けません。\n" + labels.string()},
        {"links to nothing",
         [](const fs::path& k, const fs::path& l) {
             fs::create_symlink("missing-kanji.txt", k);
             fs::create_symlink("missing-labels.txt", l);
         },
         "ファイルが開けません。\n" + kanji.string(), "ファイルが開けません。\n" + labels.string()},
        {"files above the size limit",
         [](const fs::path& k, const fs::path& l) {
             fs::resize_file(EmptyFile(k), kMaxDataFileSize + 1);
             fs::resize_file(EmptyFile(l), kMaxDataFileSize + 1);
         },
         "データファイルが正しくありません。\n" + kanji.string() + "\nファイルが大きすぎます。",
         "データファイルが正しくありません。\n" + labels.string() + "\nファイルが大きすぎます。"},
    };
    for (const Case& c : cases) {
        fs::remove_all(kanji);
        fs::remove_all(labels);
        c.make(kanji, labels);
        const DataLoadReport report = LoadDataFiles(dir.path());
        ASSERT_EQ(report.problems.size(), 2u) << c.name;
        EXPECT_EQ(report.problems[0].message, c.kanjiMessage) << c.name;
        EXPECT_EQ(report.problems[1].message, c.labelsMessage) << c.name;
        EXPECT_TRUE(report.loaded.empty()) << c.name;
    }
}

// The names of the MML page's playback lists, each with "新" before it, as a label file.
std::string MusicLabelFileText()
{
    const MusicLabels& labels = BuiltInMusicLabels();
    std::string text = "# music labels\n";
    for (int code = 0; code < kMapBattleLabelCount; ++code)
        text += "map " + HexDigits(code, 2) + " 新" + labels.maps[code] + "\n";
    for (int code = 0; code < kNamedMonsterCount; ++code)
        text += "monster " + HexDigits(code, 4) + " " + labels.monsters[code].group + " 新" +
                labels.monsters[code].name + "\n";
    for (int code = 0; code < kMapThemeLabelCount; ++code)
        text += "theme " + HexDigits(code, 2) + " 新" + labels.themes[code] + "\n";
    return text;
}

// The music labels load like the other files, on their own: a damaged one keeps its built-in
// copy and does not stop the others.
TEST_F(DataFilesTest, TheMusicLabelsReplaceTheirBuiltInCopy)
{
    const std::string text = MusicLabelFileText();
    for (const std::string& bytes : {text, Cp932(text)}) {
        TempDir dir;
        const fs::path music = dir.write("music_labels.txt", bytes);
        const DataLoadReport report = LoadDataFiles(dir.path());
        EXPECT_TRUE(report.ok()) << DataLoadWarning(report);
        EXPECT_EQ(report.loaded, std::vector<fs::path>{music});
        EXPECT_EQ(MapBattleLabels()[0x10], "【10】新マップ10");
        EXPECT_EQ(MonsterBattleLabels()[0x10], "【0010】(グループ01)新モンスター010");
        EXPECT_EQ(MapThemeLabels()[0x10], "【10】新地名10");
        UseBuiltInDataFiles();
        EXPECT_EQ(MapBattleLabels()[0x10], "【10】マップ10");
    }

    TempDir dir;
    const fs::path labels = dir.write("item_labels.txt", LabelFileText(LabelEntries("新")));
    const fs::path music = dir.write("music_labels.txt", "map 00 一つだけ\n");
    const DataLoadReport report = LoadDataFiles(dir.path());
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].message,
              "データファイルが正しくありません。\n" + music.string() +
                  "\n1行目: map 00 の次の map 01 の行がありません。");
    EXPECT_EQ(DataLoadWarning(report),
              report.problems[0].message + "\n組み込みの music_labels.txt を使います。");
    EXPECT_EQ(report.loaded, std::vector<fs::path>{labels});
    EXPECT_TRUE(LabelsRenamed());
    EXPECT_EQ(MapBattleLabels()[0], "【00】マップ00");
}

// The enemy page's labels, each with "新" before its built-in name, as a label file.
std::string EnemyLabelFileText()
{
    std::string text = "# enemy labels\n";
    for (const std::string_view list : EnemyLabelListNames()) {
        for (const std::uint8_t code : EnemyLabelCodes(list))
            text += std::string(list) + " " + HexDigits(code, 2) + " 新" +
                    BuiltInEnemyLabels().names.at({std::string(list), code}) + "\n";
    }
    return text;
}

// The enemy labels load like the other files, on their own.
TEST_F(DataFilesTest, TheEnemyLabelsReplaceTheirBuiltInCopy)
{
    const std::string text = EnemyLabelFileText();
    for (const std::string& bytes : {text, Cp932(text)}) {
        TempDir dir;
        const fs::path enemy = dir.write("enemy_labels.txt", bytes);
        const DataLoadReport report = LoadDataFiles(dir.path());
        EXPECT_TRUE(report.ok()) << DataLoadWarning(report);
        EXPECT_EQ(report.loaded, std::vector<fs::path>{enemy});
        EXPECT_EQ(RaceItems()[0x0C].label, "【0C】新種族0C");
        EXPECT_EQ(CurrencyName(), "新通貨");
        UseBuiltInDataFiles();
        EXPECT_EQ(RaceItems()[0x0C].label, "【0C】種族0C");
    }

    TempDir dir;
    const fs::path labels = dir.write("item_labels.txt", LabelFileText(LabelEntries("新")));
    const fs::path enemy = dir.write("enemy_labels.txt", "race 0C 一つだけ\n");
    const DataLoadReport report = LoadDataFiles(dir.path());
    ASSERT_EQ(report.problems.size(), 1u);
    EXPECT_EQ(report.problems[0].message,
              "データファイルが正しくありません。\n" + enemy.string() +
                  "\n1行目: race 0C の次の race 13 の行がありません。");
    EXPECT_EQ(DataLoadWarning(report),
              report.problems[0].message + "\n組み込みの enemy_labels.txt を使います。");
    EXPECT_EQ(report.loaded, std::vector<fs::path>{labels});
    EXPECT_TRUE(LabelsRenamed());
    EXPECT_EQ(CurrencyName(), "通貨");
}

TEST_F(DataFilesTest, AMissingFolderIsAProblemOnlyWhenTheUserNamedIt)
{
    TempDir dir;
    const fs::path file = dir.write("not-a-folder", "");
    for (const fs::path& folder : {dir.path() / "missing", file, fs::path()}) {
        const DataLoadReport quiet = LoadDataFiles(folder);
        EXPECT_TRUE(quiet.ok()) << folder;
        EXPECT_TRUE(quiet.loaded.empty()) << folder;

        const DataLoadReport named = LoadDataFiles(folder, true);
        ASSERT_EQ(named.problems.size(), 1u) << folder;
        EXPECT_EQ(named.problems[0].message,
                  "データフォルダが見つかりません。\n" + folder.string());
        EXPECT_EQ(DataLoadWarning(named),
                  named.problems[0].message + "\n組み込みのデータを使います。");
    }
}

} // namespace
} // namespace varn
