#include <gtest/gtest.h>

#include "text/IniFile.h"
#include "text/Settings.h"
#include "support/TempDir.h"
#include "text/ExtensionTable.h"

namespace varn {
namespace {

Settings Load(const std::filesystem::path& path, ExtensionTable& table)
{
    return LoadSettings(path, table);
}

Settings LoadText(std::string_view text)
{
    test::TempDir dir;
    ExtensionTable table;
    return LoadSettings(dir.write("Varnkit.ini", text), table);
}

void ExpectDefaults(const Settings& s)
{
    EXPECT_EQ(s.startupPage, 0);
    EXPECT_EQ(s.extensionChar, 1);
    EXPECT_EQ(s.equipmentCheck, 0);
    EXPECT_EQ(s.smcHeaderCheck, 1);
    EXPECT_EQ(s.tmpTransparent, 0);
    EXPECT_EQ(s.aniTransparent, 1);
}

TEST(SettingsTest, MissingFileGivesDefaultsAndLeavesTheTableEmpty)
{
    test::TempDir dir;
    ExtensionTable table;
    ExpectDefaults(Load(dir.path() / "Varnkit.ini", table));
    EXPECT_TRUE(table.chars.empty());
    EXPECT_TRUE(table.enabled);
}

TEST(SettingsTest, ReadsTheSixKeysOfTheSection)
{
    const Settings s = LoadText("; comment line\r\n"
                                "[Other]\r\nStartupPage=3\r\n"
                                "[varnwork]\r\n"
                                "StartupPage = 6\r\n"
                                "extensionchar=2\r\n"
                                "EquipmentCheck=\"1\"\r\n"
                                "SmcHeaderCheck=-4\r\n"
                                "TmpTransparent=+1\r\n"
                                "AniTransparent=0\r\n"
                                "AniTransparent=1\r\n");
    EXPECT_EQ(s.startupPage, 6);
    EXPECT_EQ(s.extensionChar, 2);
    EXPECT_EQ(s.equipmentCheck, 1);
    EXPECT_EQ(s.smcHeaderCheck, -4);
    EXPECT_EQ(s.tmpTransparent, 1);
    EXPECT_EQ(s.aniTransparent, 0); // the first of two lines counts
}

TEST(SettingsTest, ValuesThatAreNotIntegersKeepTheirDefaults)
{
    ExpectDefaults(LoadText("[Varnwork]\n"
                            "StartupPage=two\n"
                            "ExtensionChar=\n"
                            "EquipmentCheck=1.5\n"
                            "SmcHeaderCheck=0x2\n"
                            "TmpTransparent=99999999999999\n"
                            "AniTransparent=1 ; comment\n"));
}

TEST(SettingsTest, StartupPageAtOrAbovePageCountOpensTheFirstPage)
{
    const std::pair<const char*, int> cases[] = {
        {"6", 6}, {"7", 0}, {"100", 0}, {"0", 0}, {"-1", -1},
    };
    for (const auto& [value, page] : cases)
        EXPECT_EQ(LoadText(std::string("[Varnwork]\nStartupPage=") + value + "\n").startupPage,
                  page)
            << value;
}

TEST(SettingsTest, ExtensionRowsComeFromTheSameFile)
{
    test::TempDir dir;
    ExtensionTable table;
    const Settings s =
        Load(dir.write("Varnkit.ini", "[Varnwork]\nExtensionChar=0\n"
                                      "10,あ,い,う,え,お,か,き,く,け,こ,さ,し,す,せ,そ,た\n"),
             table);
    EXPECT_EQ(s.extensionChar, 0);
    EXPECT_FALSE(table.enabled);
    ASSERT_EQ(table.chars.size(), 240u);
    EXPECT_EQ(table.chars[0], U'あ');
    EXPECT_EQ(table.chars[16], U'□');
}

TEST(SettingsTest, UnreadableSettingsTurnExtensionCharactersOff)
{
    // A folder where the file should be exists but cannot be read as text.
    test::TempDir dir;
    const auto path = dir.path() / "Varnkit.ini";
    std::filesystem::create_directory(path);
    ExtensionTable table;
    const Settings s = Load(path, table);
    EXPECT_EQ(s.extensionChar, 0);
    EXPECT_FALSE(table.enabled);
    EXPECT_EQ(s.smcHeaderCheck, 1);
    // Only a file too large to be a settings file is worth a word.
    EXPECT_EQ(s.problem, "");
}

// The settings are read from a file of up to kMaxSettingsFileSize bytes; a larger one is not
// read at all (defaults, extension characters off) and is named in the problem to show.
TEST(SettingsTest, AFileLargerThanAnySettingsFileIsNotReadAndNamed)
{
    const std::string settings = "[Varnwork]\r\nStartupPage=3\r\n;";
    const std::string row = "\r\n10,\xE3\x81\x82\r\n"; // "あ" as the first extension character
    const auto padded = [&](std::uintmax_t size) {
        return settings + std::string(size - settings.size() - row.size(), ';') + row;
    };
    test::TempDir dir;

    ExtensionTable table;
    const Settings read = Load(dir.write("exact.ini", padded(kMaxSettingsFileSize)), table);
    EXPECT_EQ(read.startupPage, 3);
    EXPECT_EQ(read.problem, "");
    ASSERT_EQ(table.chars.size(), 240u);
    EXPECT_EQ(table.chars[0], U'あ');

    ExtensionTable untouched;
    const auto over = dir.write("over.ini", padded(kMaxSettingsFileSize + 1));
    const Settings refused = Load(over, untouched);
    EXPECT_EQ(refused.startupPage, 0);
    EXPECT_EQ(refused.extensionChar, 0);
    EXPECT_FALSE(untouched.enabled);
    EXPECT_TRUE(untouched.chars.empty());
    EXPECT_EQ(refused.problem, "ファイルが大きすぎます。\n" + over.string());
    EXPECT_EQ(IniFile::load(over).message(), "ファイルが大きすぎます。");
}

TEST(SettingsTest, SettingsFileBesideTheProgramComesFirst)
{
    test::TempDir program, config;
    const auto besideProgram = program.path() / "Varnkit.ini";
    EXPECT_EQ(FindSettingsFile(program.path(), config.path()), besideProgram); // neither exists

    const auto userFile = config.write("Varnkit.ini", "[Varnwork]\n");
    EXPECT_EQ(FindSettingsFile(program.path(), config.path()), userFile);

    program.write("Varnkit.ini", "[Varnwork]\n");
    EXPECT_EQ(FindSettingsFile(program.path(), config.path()), besideProgram);
    EXPECT_EQ(FindSettingsFile(program.path(), {}), besideProgram);
}

TEST(IniFileTest, ReadsCp932FilesAndIgnoresForeignLines)
{
    // "; 設定" in CP932, then a row line of the extension table that is not a key.
    const std::string text = "; \x90\xDD\x92\xE8\r\n[Varnwork]\r\n10,\x82\xA0\r\nKey = value \r\n";
    const IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.value("VARNWORK", "key"), "value");
    EXPECT_EQ(ini.value("Varnwork", "10,\x82\xA0"), std::nullopt);
    EXPECT_EQ(ini.value("Other", "Key"), std::nullopt);

    test::TempDir dir;
    const auto loaded = IniFile::load(dir.write("a.ini", "[S]\nName=\x90\xDD\x92\xE8\n"));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.value().value("S", "Name"), "設定");
    EXPECT_FALSE(IniFile::load(dir.path() / "missing.ini"));
}

} // namespace
} // namespace varn
