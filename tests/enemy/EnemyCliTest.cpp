#include <gtest/gtest.h>

#include <sstream>

#include "EnemyTestSupport.h"
#include "cli/CliRunner.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyFormText.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyTables.h"
#include "graphics/GifCodec.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::Bytes;
using test::GameText;
using test::Put;
using test::RunCli;

// An expanded image with enemy 0x145 and its graphic set up.
Bytes ShowImage(const GifImage& picture)
{
    Bytes image = test::EnemyImage();
    EnemyRecord record = test::SampleRecord();
    record.patternLow = {0x20, 0x20};
    record.patternHigh = {true, true};
    record.equipment = {0x08, 0xFF, 0x50, 0x60, 0xFF};
    Put(image, EnemyRecordOffset(0x145), SerializeEnemyRecord(record));
    Put(image, EnemyNameOffset(0x145), GameText("ワイバン", 12));
    Put(image, EquipmentHighBitsOffset(0x145), Bytes{0x80});
    Put(image, ItemNameOffset(0x108), GameText("ツルギ", 12));
    Put(image, ItemNameOffset(0x50), GameText("コタテ", 8));
    Put(image, ArmourDataOffset(0x60), Bytes{40, 0x82, 0, 0, 0x01, 0, 0x03, 0, 0x40});
    Put(image, ActionPatternOffset(0x120), Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    Put(image, TechniqueHighBitsOffset(0x120), Bytes{0x80});
    Put(image, EnemyTechniqueNameOffset(0x001), GameText("パンチ", 10));
    Put(image, EnemyTechniqueNameOffset(0x108), GameText("メテオ", 10));
    Put(image, ItemNameOffset(0x1FC), GameText("ヤクソウ", 12));
    Put(image, EnemyDropsOffset(0x145), Bytes{0x08, 0x01, 0xFD, 0x00, 0xFF, 0x00, 0xFC, 0x01, 0x2C});
    for (int slot = 0; slot < kTwoAttackSlotCount; ++slot)
        Put(image, TwoAttackSlotOffset(slot), Bytes{0xFF, 0xFF});
    Put(image, TwoAttackSlotOffset(6), Bytes{0x45, 0x01});

    Put(image, GraphicRecordOffsetEntry(0x145), Bytes{0x23, 0x01});
    EnemyForm form;
    form.enemy = 0x145;
    form.graphicNumber = 0x105 - kFirstNewGraphic;
    form.address = "580000";
    form.boxWidth = 1;
    form.boxHeight = 2;
    MemoryRomStream stream(image);
    std::vector<ImageWrite> writes;
    EXPECT_TRUE(WriteEnemyGraphic(stream, picture, form, writes).ok());
    for (const ImageWrite& write : writes)
        Put(image, write.offset, write.bytes);
    return image;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(EnemyCliTest, ShowPrintsTheEnemyOneFieldALine)
{
    test::TempDir dir;
    std::mt19937 random(3);
    const auto rom = dir.write("game.smc", ShowImage(test::RandomPicture(random, 32, 40, 0.5)));
    const test::CliRun run = RunCli({"enemy", "show", rom.string(), "--enemy", "145"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::vector<std::string> lines = Lines(run.out);
    for (const char* line : {
             "enemy: 【0145】ワイバン",
             "name: ワイバン",
             "race: 【13】種族13",
             "undead: yes",
             "female: no",
             "recovery element: 【5】太陽",
             "resists water: yes",
             "resists float: no",
             "hp: 4660",
             "strength: 11",
             "charm: 17",
             "spark level: 24",
             "weapon 1: 【0108】ツルギ",
             "weapon 1 cannot be disarmed: no",
             "weapon 2: 【00FF】無し",
             "weapon 2 cannot be disarmed: yes",
             "shield: 【0050】コタテ",
             "defence 斬: 20",
             "defence 打: 40",
             "defence 熱: 0",
             "armour resistances: スタン (なし)",
             "armour recovery: 白虎",
             "armour automatic recovery: yes",
             "pattern 1: 【0120】行動パターン0120",
             "pattern 1 technique 1: 【001】パンチ",
             "pattern 1 technique 8: 【108】メテオ",
             "pattern 2: 【0120】行動パターン0120",
             "pattern choice: 【11】パターン1の技5～8",
             "technique choice: 【C0】技7まで使用",
             "two attacks: 【06】【0145】ワイバン",
             "drop 100%: 【0108】ツルギ",
             "drop high: 【00FD】装備武器1",
             "drop low: 【01FC】ヤクソウ",
             "money: 44",
         })
        EXPECT_TRUE(HasLine(lines, line)) << line << "\n" << run.out;
}

TEST(EnemyCliTest, ShowRefusesWhatTheImageDoesNotOffer)
{
    test::TempDir dir;
    const auto plain = dir.write("plain.smc", test::EnemyImage(test::RomImageBuilder::kPlainSize));
    const test::CliRun expansion = RunCli({"enemy", "show", plain.string(), "--enemy", "140"});
    EXPECT_EQ(expansion.exitCode, 2);
    EXPECT_NE(expansion.err.find("0140"), std::string::npos) << expansion.err;
    // The game's enemy on a 4 MiB image: the tables above 4 MiB show none.
    const test::CliRun game = RunCli({"enemy", "show", plain.string(), "--enemy", "13f"});
    ASSERT_EQ(game.exitCode, 0) << game.err;
    EXPECT_TRUE(HasLine(Lines(game.out), "drop 100%: (なし)")) << game.out;
    EXPECT_TRUE(HasLine(Lines(game.out), "money: (なし)")) << game.out;

    const test::CliRun missing =
        RunCli({"enemy", "show", (dir.path() / "missing.smc").string(), "--enemy", "000"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(missing.err.substr(0, 33), "ファイルが開けません。");

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"enemy"},
             {"enemy", "show", plain.string()},
             {"enemy", "show", plain.string(), "--enemy", "200"},
             {"enemy", "show", plain.string(), "--enemy", "x1"},
             {"enemy", "show", plain.string(), "--enemy"},
             {"enemy", "show", "--enemy", "001"},
             {"enemy", "frobnicate"},
         }) {
        const test::CliRun run = RunCli(bad);
        EXPECT_EQ(run.exitCode, 1) << testing::PrintToString(bad);
    }
}

TEST(EnemyCliTest, PackWritesThePackedGraphicAndPrintsItsSizeAndSizeCode)
{
    test::TempDir dir;
    const auto blank = dir.write("blank.gif", EncodeGif(test::BlankPicture(8, 8)).value());
    const auto out = dir.path() / "blank.bin";
    const test::CliRun run = RunCli({"enemy", "pack", blank.string(), out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "size: 0004\nsize code: 22\nbox: 64 x 64\noffsets: 24 56\n");
    EXPECT_EQ(test::ReadFileBytes(out), (Bytes{0x01, 0x01, 0x00, 0x20}));

    std::mt19937 random(11);
    const GifImage picture = test::RandomPicture(random, 128, 160, 0.6);
    const auto large = dir.write("large.gif", EncodeGif(picture).value());
    const test::CliRun largeRun = RunCli({"enemy", "pack", large.string(), out.string()});
    ASSERT_EQ(largeRun.exitCode, 0) << largeRun.err;
    EXPECT_EQ(test::ReadFileBytes(out), PackEnemyGraphic(picture));
    EXPECT_EQ(Lines(largeRun.out)[0], "size: " + HexDigits(MeasureEnemyGraphic(picture), 4));
    EXPECT_EQ(Lines(largeRun.out)[1], "size code: 54");

    GifImage coloured = test::BlankPicture(16, 8);
    coloured.colors.resize(32);
    coloured.frames.front().setPixel(3, 0, 16);
    const auto bad = dir.write("bad.gif", EncodeGif(coloured).value());
    const test::CliRun refused = RunCli({"enemy", "pack", bad.string(), out.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, "使用できない色が検出されました。\nx:3  y:0\n");
    // The earlier output is still there.
    EXPECT_EQ(test::ReadFileBytes(out), PackEnemyGraphic(picture));
}

TEST(EnemyCliTest, ExportSavesTheGraphicTheImageHolds)
{
    test::TempDir dir;
    std::mt19937 random(5);
    const GifImage picture = test::RandomPicture(random, 40, 48, 0.3);
    const auto rom = dir.write("game.smc", ShowImage(picture));
    const auto out = dir.path() / "enemy.gif";
    const test::CliRun run = RunCli({"enemy", "export", rom.string(), "--enemy", "145", out.string()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "graphic number: 0105\naddress: 580000\nsize: " +
                           HexDigits(MeasureEnemyGraphic(picture), 4) +
                           "\nsize code: 32\npicture: 40 x 48\n");
    const Result<GifImage> saved = DecodeGif(test::ReadFileBytes(out));
    ASSERT_TRUE(saved.ok()) << saved.message();
    EXPECT_EQ(saved.value().frames.front().pixels, picture.frames.front().pixels);
    EXPECT_EQ(EnemyPaletteBytes(saved.value()), EnemyPaletteBytes(picture));

    // An enemy whose graphic address leads past the end is refused, and nothing is written.
    Bytes damaged = test::ReadFileBytes(rom);
    Put(damaged, GraphicAddressOffset(0x105), Bytes{0x7F, 0xFF, 0xFF});
    const auto damagedRom = dir.write("damaged.smc", damaged);
    const auto none = dir.path() / "none.gif";
    const test::CliRun refused =
        RunCli({"enemy", "export", damagedRom.string(), "--enemy", "145", none.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, std::string(kEnemyGraphicDamagedMessage) + "\n");
    EXPECT_FALSE(std::filesystem::exists(none));
}

std::string ReadText(const std::filesystem::path& path)
{
    const Bytes bytes = test::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// The line of `key` replaced with key=value.
std::string WithValue(std::string text, const std::string& key, const std::string& value)
{
    const std::size_t start = text.find("\n" + key + "=") + 1;
    const std::size_t end = text.find('\n', start);
    return text.replace(start, end - start, key + "=" + value);
}

TEST(EnemyCliTest, DumpWritesThePageAndApplyOfItUnchangedChangesNothing)
{
    test::TempDir dir;
    std::mt19937 random(9);
    const GifImage picture = test::RandomPicture(random, 32, 40, 0.5);
    Bytes image = ShowImage(picture);
    Put(image, EnemyRecordOffset(0x010), SerializeEnemyRecord(test::SampleRecord()));
    Put(image, EquipmentHighBitsOffset(0x010), Bytes{0x00});
    const auto rom = dir.write("game.smc", image);
    const auto text = dir.path() / "145.txt";
    const test::CliRun dump =
        RunCli({"enemy", "dump", rom.string(), "--enemy", "145", text.string()});
    ASSERT_EQ(dump.exitCode, 0) << dump.err;
    const std::string written = ReadText(text);
    for (const char* line : {"# 【0145】ワイバン\n", "name=ワイバン\n", "hp=4660\n",
                             "weapon1=0108\n", "weapon2=00FF\n", "shield=0050\n",
                             "pattern1=0120\n", "pattern1_technique8=108\n", "drop_100=0108\n",
                             "drop_low=01FC\n", "money=44\n", "two_attack=06\n",
                             "race=13\n", "undead=1\n", "technique_choice=C0\n",
                             // The graphic the enemy has.
                             "graphic_address=580000\n", "graphic_number=105\n",
                             "box_width=64\n", "box_height=96\n"})
        EXPECT_NE(written.find(line), std::string::npos) << line << written;

    const test::CliRun apply =
        RunCli({"enemy", "apply", rom.string(), "--enemy", "145", text.string()});
    ASSERT_EQ(apply.exitCode, 0) << apply.err;
    EXPECT_TRUE(test::SameBytes(image, test::ReadFileBytes(rom)));

    // A script's change: the HP, and nothing else.
    const auto harder = dir.write("harder.txt", WithValue(written, "hp", "9999"));
    ASSERT_EQ(RunCli({"enemy", "apply", rom.string(), "--enemy", "145", harder.string()}).exitCode,
              0);
    Bytes expected = image;
    Put(expected, EnemyRecordOffset(0x145) + 4, Bytes{0x0F, 0x27});
    EXPECT_TRUE(test::SameBytes(expected, test::ReadFileBytes(rom)));

    // A file of one key onto another enemy: the rest is that enemy's own.
    const auto oneKey = dir.write("one.txt", std::string("money=7\n"));
    const Bytes before = test::ReadFileBytes(rom);
    const test::CliRun other =
        RunCli({"enemy", "apply", rom.string(), "--enemy", "010", oneKey.string()});
    ASSERT_EQ(other.exitCode, 0) << other.err;
    Bytes moneyOnly = before;
    moneyOnly[EnemyDropsOffset(0x010) + 8] = 7;
    // The enemy's name does not decode in the builder's image: it is written back as it was.
    EXPECT_TRUE(test::SameBytes(moneyOnly, test::ReadFileBytes(rom)));
}

TEST(EnemyCliTest, ApplyRefusesWhatItCannotTakeAndWritesNothing)
{
    test::TempDir dir;
    std::mt19937 random(4);
    const Bytes image = ShowImage(test::RandomPicture(random, 16, 16, 0.5));
    const auto rom = dir.write("game.smc", image);
    const auto text = dir.path() / "145.txt";
    ASSERT_EQ(RunCli({"enemy", "dump", rom.string(), "--enemy", "145", text.string()}).exitCode, 0);
    const std::string written = ReadText(text);

    struct Case {
        const char* name;
        std::string text;
        std::string message;
    };
    const Case cases[] = {
        {"unknown key", written + "strenght=40\n",
         "「strenght」という項目はありません。"},
        {"unreadable value", WithValue(written, "weapon1", "G00D"),
         "「weapon1」の値「G00D」は使えません。"},
        {"HP out of range", WithValue(written, "hp", "29"), "30～65535の範囲外です。\nhp"},
        {"a name too long", WithValue(written, "name", "アイウエオカキクケコサシス"),
         "名前が長すぎます。\nname"},
        {"a pattern of no list", WithValue(written, "pattern2", "0200"),
         "「pattern2」の値「0200」は使えません。"},
        {"a file larger than any enemy's", std::string(kMaxEnemyTextSize + 1, '#'),
         "ファイルが大きすぎます。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = dir.write("bad.txt", c.text);
        const test::CliRun run =
            RunCli({"enemy", "apply", rom.string(), "--enemy", "145", file.string()});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(test::SameBytes(image, test::ReadFileBytes(rom)));
    }
    // The line of a problem in the file is named.
    const auto late = dir.write("late.txt", std::string("hp=100\n\nfoo=1\n"));
    EXPECT_EQ(RunCli({"enemy", "apply", rom.string(), "--enemy", "145", late.string()}).err,
              "3行目: 「foo」という項目はありません。\n" + late.string() + "\n");

    // An image of 4 MiB has no tables to write an enemy into.
    const Bytes plain = test::EnemyImage(test::RomImageBuilder::kPlainSize);
    const auto plainRom = dir.write("plain.smc", plain);
    const auto money = dir.write("money.txt", std::string("money=1\n"));
    const test::CliRun refused =
        RunCli({"enemy", "apply", plainRom.string(), "--enemy", "010", money.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err, std::string(kEnemyNeedsExpandedImageMessage) + "\n");
    EXPECT_TRUE(test::SameBytes(plain, test::ReadFileBytes(plainRom)));

    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"enemy", "apply", rom.string(), text.string()},
             {"enemy", "apply", rom.string(), "--enemy", "145"},
             {"enemy", "apply", rom.string(), "--enemy", "145", text.string(), "--picture"},
             {"enemy", "apply", rom.string(), "--enemy", "145", text.string(), "--force"},
             {"enemy", "dump", rom.string(), "--enemy", "145"},
         }) {
        EXPECT_EQ(RunCli(bad).exitCode, 1) << testing::PrintToString(bad);
    }
}

TEST(EnemyCliTest, ApplyWithAPictureWritesItAsTheEnemysGraphic)
{
    test::TempDir dir;
    std::mt19937 random(6);
    const Bytes image = ShowImage(test::RandomPicture(random, 16, 16, 0.5));
    const auto rom = dir.write("game.smc", image);
    const GifImage picture = test::RandomPicture(random, 24, 32, 0.4);
    const auto gif = dir.write("new.gif", EncodeGif(picture).value());
    // The picture goes to 5B6000 as graphic 110; the box is the one the page chooses.
    const auto text = dir.write("new.txt", std::string("graphic_address=5B6000\ngraphic_number=110\n"));
    const test::CliRun run = RunCli({"enemy", "apply", rom.string(), "--enemy", "145",
                                     text.string(), "--picture", gif.string(), "--backup"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(test::SameBytes(image, test::ReadFileBytes(dir.path() / "game.smc.bak")));

    const Bytes after = test::ReadFileBytes(rom);
    MemoryRomStream stream(after, false);
    const Result<EnemyGraphic> graphic = ReadEnemyGraphic(stream, 0x145);
    ASSERT_TRUE(graphic.ok()) << graphic.message();
    EXPECT_EQ(graphic.value().graphicNumber, 0x110);
    EXPECT_EQ(graphic.value().address, 0x5B6000u);
    EXPECT_EQ(graphic.value().sizeCode, 0x22);
    EXPECT_EQ(graphic.value().picture.frames.front().pixels, picture.frames.front().pixels);

    // A picture the page refuses is refused before anything is read of the image.
    GifImage large = test::BlankPicture(136, 8);
    const auto bad = dir.write("large.gif", EncodeGif(large).value());
    const test::CliRun refused = RunCli({"enemy", "apply", rom.string(), "--enemy", "145",
                                         text.string(), "--picture", bad.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_EQ(refused.err.substr(0, std::string(kEnemyPictureTooLargeMessage).size()),
              kEnemyPictureTooLargeMessage);
    EXPECT_TRUE(test::SameBytes(after, test::ReadFileBytes(rom)));
}

// Over a random image, dump and apply unchanged leave the file as it was, for enemies whose
// values the apply writes back as they are.
TEST(EnemyCliTest, DumpAndApplyUnchangedOfRandomEnemiesLeaveTheFileIdentical)
{
    test::TempDir dir;
    std::mt19937 random(2026);
    Bytes image(test::RomImageBuilder::kExpandedSize);
    for (std::uint8_t& byte : image)
        byte = static_cast<std::uint8_t>(random());
    const int enemies[] = {0x000, 0x13F, 0x140, 0x1FF};
    for (const int enemy : enemies) {
        const std::uint64_t record = EnemyRecordOffset(enemy);
        // Values within the checks, no bits the apply clears, equipment each kind's own.
        const Bytes fields{0x13, 0x5A, 0x80, 0x12, 0x34, 0x12, 11, 12, 13, 14, 15, 16, 17,
                           21, 22, 23, 24, 0x20, 0x31, 0x05, 0x4F, 0x50, 0xE0, 0x60, 0x80};
        Put(image, record, fields);
        image[EquipmentHighBitsOffset(enemy)] = 0x08;
    }
    const auto rom = dir.write("game.smc", image);
    for (const int enemy : enemies) {
        const std::string number = HexDigits(enemy, 3);
        const auto text = dir.path() / (number + ".txt");
        ASSERT_EQ(RunCli({"enemy", "dump", rom.string(), "--enemy", number, text.string()}).exitCode,
                  0);
        const test::CliRun apply =
            RunCli({"enemy", "apply", rom.string(), "--enemy", number, text.string()});
        ASSERT_EQ(apply.exitCode, 0) << number << ": " << apply.err;
        ASSERT_TRUE(test::SameBytes(image, test::ReadFileBytes(rom))) << number;
    }
}

} // namespace
} // namespace varn
