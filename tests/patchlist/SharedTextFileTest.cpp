// Every reader of the text files users share reads them by one rule: list files, MML songs,
// the settings file and its extension character rows. Each case is a text in the encodings
// other programs save it in; every reader must come back with the text.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "music/MML.h"
#include "music/MusicSlots.h"
#include "patchlist/PatchListFile.h"
#include "patchlist/PatchPreview.h"
#include "text/IniFile.h"
#include "support/TempDir.h"
#include "text/Cp932.h"
#include "text/ExtensionTable.h"
#include "text/Utf8.h"

namespace varn {
namespace {

namespace fs = std::filesystem;

const std::string kBom = "\xEF\xBB\xBF";

// A text, and its bytes in one encoding.
struct EncodedText {
    const char* name;
    std::string text;
    std::string bytes; // of the text alone; a byte-order mark is put in front of the file
    bool bom = false;
};

const EncodedText kTexts[] = {
    {"SjisKatakanaPair", "ﾃｽ", "\xC3\xBD"},
    {"SjisKatakana", "ｱｲｳ", "\xB1\xB2\xB3"},
    {"SjisKanji", "漢字", "\x8A\xBF\x8E\x9A"},
    {"Utf8WithBom", "ﾃｽ", "\xEF\xBE\x83\xEF\xBD\xBD", true},
    {"Utf8Japanese", "テスト", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88"},
    {"Utf8Latin", "café", "caf\xC3\xA9"},
};

class SharedTextFileTest : public ::testing::TestWithParam<EncodedText> {
protected:
    // A file of `before`, the text's bytes and `after`, with the mark when the case has one.
    fs::path write(const std::string& name, const std::string& before, const std::string& after)
    {
        const EncodedText& c = GetParam();
        return dir.write(name, (c.bom ? kBom : "") + before + c.bytes + after);
    }

    test::TempDir dir;
};

TEST_P(SharedTextFileTest, ListFilePath)
{
    // The folder part is ASCII; the file's name is the case's text.
    const fs::path patch = dir.write(GetParam().text + ".ips", "PATCHEOF");
    const fs::path list = write("list.txt", "// Varnpatch Patch List 2026/12/10 00:00:00\r\n" +
                                                 dir.path().string() + "/",
                                ".ips\r\n");
    PatchList loaded;
    const auto result = LoadPatchList(list, loaded);
    ASSERT_TRUE(result.ok());
    EXPECT_FALSE(result.value().anyFailed());
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded.entries()[0].path, patch);
}

TEST_P(SharedTextFileTest, MmlTitle)
{
    const fs::path song = write("song.mml", "#TITLE ", ";\r\nc4;\r\n");
    EXPECT_EQ(PreviewMmlFile(song), "曲名：" + GetParam().text + "\r\n");
}

TEST_P(SharedTextFileTest, SettingsValue)
{
    const fs::path ini = write("Varnkit.ini", "[Varnwork]\r\nNote=", "\r\n");
    const auto file = IniFile::load(ini);
    ASSERT_TRUE(file);
    EXPECT_EQ(file.value().value("Varnwork", "Note"), GetParam().text);
}

TEST_P(SharedTextFileTest, ExtensionRow)
{
    const fs::path ini = write("Varnkit.ini", "[Varnwork]\r\n10,", "\r\n");
    ExtensionTable table;
    ASSERT_TRUE(LoadExtensionChars(ini, table));
    const std::u32string expected = Utf8ToU32(GetParam().text);
    ASSERT_GE(table.chars.size(), expected.size());
    // The row's first field is the whole text; a field longer than one character is cut to
    // the row's columns, so the row begins with the text's characters.
    EXPECT_EQ(table.chars.substr(0, expected.size()), expected);
}

INSTANTIATE_TEST_SUITE_P(Encodings, SharedTextFileTest, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

// Random lists of awkward paths and random song titles, written by the program and read back:
// every one must come back exactly.
TEST(SharedTextFileRoundTripTest, WrittenListsAndTitlesReadBackUnchanged)
{
    static const char* const kPieces[] = {"a", "Z", "0", " ", ",", "\"", "ﾃ", "ｽ", "ｱ", "ﾞ", "ﾟ",
                                          "ﾐ", "ｿ", "漢", "字", "あ", "é", "ñ", "©", "-", "_"};
    std::mt19937 random(20261210);
    std::uniform_int_distribution<int> piece(0, std::size(kPieces) - 1);
    std::uniform_int_distribution<int> length(1, 6);
    const auto randomName = [&] {
        std::string name;
        for (int i = length(random); i > 0; --i)
            name += kPieces[piece(random)];
        return name;
    };

    test::TempDir dir;
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        PatchList list;
        for (int i = 0; i < 4; ++i) {
            const std::string name = randomName() + std::to_string(i);
            const fs::path file = dir.write(name + ".ips", "PATCHEOF");
            // Sometimes the path begins with "//", as a network path or a doubled slash does.
            list.addIps(round % 3 == 0 ? fs::path("/" + file.string()) : file);
        }
        const fs::path listFile = dir.path() / "list.txt";
        ASSERT_TRUE(SavePatchList(listFile, list.entries(), std::tm{}).ok());
        PatchList loaded;
        const auto result = LoadPatchList(listFile, loaded);
        ASSERT_TRUE(result.ok());
        EXPECT_FALSE(result.value().anyFailed());
        EXPECT_EQ(loaded.entries(), list.entries());

        // The information lines drop blanks at the ends of a title; inside, anything goes.
        const std::string title = "<" + randomName() + ">";
        const fs::path song = dir.write(
            "song.mml", EncodeTextFileBytes("#TITLE " + title + ";\r\n#COMPOSER x" + title +
                                            ";\r\nc4;\r\n"));
        EXPECT_EQ(PreviewMmlFile(song), "曲名：" + title + "\r\n作曲：x" + title + "\r\n");
    }
}

} // namespace
} // namespace varn
