#include <gtest/gtest.h>

#include <random>

#include "EnemyTestSupport.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "graphics/GifCodec.h"
#include "rom/FileIo.h"
#include "rom/RomStream.h"
#include "support/FailureTesting.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::At;
using test::Bytes;
using test::GameText;
using test::Put;
using test::RomImageBuilder;

// A form that passes every check, for enemy 0x145 of the expansion.
EnemyForm ValidForm()
{
    EnemyForm form;
    form.enemy = 0x145;
    form.name = "ワイバン";
    form.hp = "4660";
    form.stats = {"11", "12", "13", "14", "15", "16", "17"};
    form.levels = {"21", "22", "23", "24"};
    form.money = "44";
    form.drops = {0x108, 0xFD, 0xFF, 0x1FC};
    return form;
}

Bytes Image()
{
    Bytes image = test::EnemyImage();
    Put(image, GraphicRecordOffsetEntry(0x145), Bytes{0x23, 0x01});
    return image;
}

TEST(CheckEnemyRangeTest, ANumberPassesWithinItsRangeOrAtItsExtraValue)
{
    struct Case {
        std::string text;
        bool passes;
    };
    const Case hp[] = {{"29", false},   {"30", true},    {"65535", true}, {"65536", false},
                       {"0", false},    {"-30", false},  {"abc", false},  {"", false},
                       {" 100 ", true}, {"+100", true},  {"1e2", false},  {"100x", false},
                       {"99999999999", false}};
    for (const Case& c : hp) {
        const Status checked =
            CheckEnemyRange(c.text, kStatusSubTab, kHpRangeMessage, 30, 65535, 30, "Edit85");
        EXPECT_EQ(checked.ok(), c.passes) << c.text;
        if (!checked) {
            EXPECT_EQ(checked.failure(), (Failure{kHpRangeMessage, kStatusSubTab, "Edit85"}));
        }
    }
    // The extra value passes outside the range.
    EXPECT_TRUE(CheckEnemyRange("128", 1, "m", 128, 99, 5, "Edit78").ok());
    EXPECT_FALSE(CheckEnemyRange("127", 1, "m", 128, 99, 5, "Edit78").ok());
}

TEST(CheckEnemyFormTest, TheFirstBoxOutOfItsRangeIsNamedWithItsSubTab)
{
    struct Case {
        const char* name;
        void (*change)(EnemyForm&);
        Failure problem;
    };
    const Case cases[] = {
        {"HP 29", [](EnemyForm& f) { f.hp = "29"; }, {kHpRangeMessage, 1, "Edit85"}},
        {"HP not a number", [](EnemyForm& f) { f.hp = "x"; }, {kHpRangeMessage, 1, "Edit85"}},
        {"agility 4", [](EnemyForm& f) { f.stats[2] = "4"; }, {kStatRangeMessage, 1, "Edit80"}},
        {"charm 100", [](EnemyForm& f) { f.stats[6] = "100"; }, {kStatRangeMessage, 1, "Edit84"}},
        {"technique level 0", [](EnemyForm& f) { f.levels[0] = "0"; },
         {kLevelRangeMessage, 1, "Edit86"}},
        {"spark level 51", [](EnemyForm& f) { f.levels[3] = "51"; },
         {kLevelRangeMessage, 1, "Edit89"}},
        {"HP before a stat", [](EnemyForm& f) { f.stats[0] = "1"; f.hp = "1"; },
         {kHpRangeMessage, 1, "Edit85"}},
        {"name too long", [](EnemyForm& f) { f.name = "アイウエオカキクケコサシス"; },
         {kEnemyNameTooLongMessage, -1, "Edit73"}},
        {"name not encodable", [](EnemyForm& f) { f.name = "ワイ□ン"; },
         {"「□」は使用できません。", -1, "Edit73"}},
        {"money not a number", [](EnemyForm& f) { f.money = "abc"; },
         {kMoneyRangeMessage, 4, "Edit94"}},
        {"money 1000", [](EnemyForm& f) { f.money = "1000"; }, {kMoneyRangeMessage, 4, "Edit94"}},
        {"money empty", [](EnemyForm& f) { f.money = ""; }, {kMoneyRangeMessage, 4, "Edit94"}},
        {"a range before the name", [](EnemyForm& f) { f.name = "□"; f.levels[1] = "0"; },
         {kLevelRangeMessage, 1, "Edit87"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnemyForm form = ValidForm();
        c.change(form);
        EXPECT_EQ(test::FailureOf(CheckEnemyForm(form, false)), c.problem);
    }
    EXPECT_EQ(test::FailureOf(CheckEnemyForm(ValidForm(), false)), std::nullopt);

    // Twelve bytes for an enemy of the expansion, eight for one of the game.
    EnemyForm longName = ValidForm();
    longName.name = "アイウエオカキクケ";
    EXPECT_EQ(test::FailureOf(CheckEnemyForm(longName, false)), std::nullopt);
    longName.enemy = 0x13F;
    EXPECT_EQ(test::FailureOf(CheckEnemyForm(longName, false)),
              (Failure{kEnemyNameTooLongMessage, -1, "Edit73"}));

    // The address counts only when a picture is held.
    EnemyForm badAddress = ValidForm();
    badAddress.address = "40000G";
    EXPECT_EQ(test::FailureOf(CheckEnemyForm(badAddress, false)), std::nullopt);
    EXPECT_EQ(test::FailureOf(CheckEnemyForm(badAddress, true)),
              (Failure{kEnemyAddressMessage, kGraphicSubTab, "Edit74"}));
}

TEST(CheckEnemyFormTest, EverySelectionMustBeAnItemOfItsList)
{
    struct Case {
        const char* name;
        void (*change)(EnemyForm&);
        Failure problem;
    };
    const Case cases[] = {
        {"drop box showing nothing", [](EnemyForm& f) { f.drops[2] = -1; },
         {kNothingSelectedMessage, 4, "ComboBox68"}},
        {"drop past 16 bits", [](EnemyForm& f) { f.drops[0] = 0x10000; },
         {kNothingSelectedMessage, 4, "ComboBox66"}},
        {"technique of a written pattern", [](EnemyForm& f) {
             f.patterns = {0x120, 0x010};
             f.techniques[0][3] = -1;
         },
         {kNothingSelectedMessage, 3, "ComboBox46"}},
        {"second row of a written pattern", [](EnemyForm& f) {
             f.patterns = {0x010, 0x121};
             f.techniques[1][7] = 0x200;
         },
         {kNothingSelectedMessage, 3, "ComboBox59"}},
        {"pattern 200", [](EnemyForm& f) { f.patterns[1] = 0x200; },
         {kNothingSelectedMessage, 3, "ComboBox51"}},
        {"armour 2 past 9 bits", [](EnemyForm& f) { f.equipment[4] = 0x200; },
         {kNothingSelectedMessage, 2, "ComboBox41"}},
        {"shield showing nothing", [](EnemyForm& f) { f.equipment[2] = -1; },
         {kNothingSelectedMessage, 2, "ComboBox39"}},
        {"race", [](EnemyForm& f) { f.race = 32; }, {kNothingSelectedMessage, 1, "ComboBox62"}},
        {"two-attack", [](EnemyForm& f) { f.twoAttack = 128; },
         {kNothingSelectedMessage, 4, "ComboBox65"}},
        {"pattern choice", [](EnemyForm& f) { f.patternChoice = 21; },
         {kNothingSelectedMessage, 4, "ComboBox63"}},
        {"appearance", [](EnemyForm& f) { f.appearance = 21; },
         {kNothingSelectedMessage, 0, "ComboBox36"}},
        {"graphic number", [](EnemyForm& f) { f.graphicNumber = 397; },
         {kNothingSelectedMessage, 0, "ComboBox31"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnemyForm form = ValidForm();
        c.change(form);
        EXPECT_EQ(test::FailureOf(CheckEnemySelections(form, true, true)), c.problem);
    }
    // Techniques of rows that are not written are not looked at.
    EnemyForm unwritten = ValidForm();
    unwritten.techniques[0].fill(-1);
    unwritten.techniques[1].fill(-1);
    EXPECT_EQ(test::FailureOf(CheckEnemySelections(unwritten, false, true)), std::nullopt);
    unwritten.patterns = {0x150, 0x150};
    unwritten.techniques[0].fill(3);
    EXPECT_EQ(test::FailureOf(CheckEnemySelections(unwritten, false, true)), std::nullopt);
    // The graphic sub-tab counts only when a picture is held.
    EnemyForm noPicture = ValidForm();
    noPicture.appearance = 99;
    EXPECT_EQ(test::FailureOf(CheckEnemySelections(noPicture, false, true)), std::nullopt);
}

TEST(BuildEnemyRecordTest, EachByteIsBuiltFromItsControls)
{
    EnemyForm form = ValidForm();
    form.race = 0x13;
    form.undead = true;
    form.male = true;
    form.recoveryElement = 5;
    form.resistances = {true, false, true, true, false};
    form.patterns = {0x120, 0x031};
    form.patternChoice = 20;
    form.techniqueChoice = 7;
    form.hp = "65535";
    form.equipment = {0x08, 0x14F, 0x150, 0xFF, 0x1DF};
    form.noDisarm = {false, true};
    const EnemyRecordWrite built = BuildEnemyRecord(form);
    const EnemyRecordBytes expected{
        0x13 | 0x20 | 0x80, 0x05 | 0x08 | 0x20 | 0x40, 0x80, 0xFF, 0xFF, 0xFF,
        11, 12, 13, 14, 15, 16, 17, 21, 22, 23, 24, 0x20, 0x31,
        0x08, 0x4F, 0x50, 0xFF, 0xDF, 0x40};
    EXPECT_EQ(built.record, expected);
    // Weapon 2 【014F】, the shield 【0150】 and armour 2 【01DF】 carry the high bits.
    EXPECT_EQ(built.highBits, 0x40 | 0x20 | 0x04);

    form.patternChoice = 0;
    form.techniqueChoice = 0;
    form.patterns = {0x000, 0x1FF};
    form.equipment.fill(kNoEquipment);
    const EnemyRecordWrite plain = BuildEnemyRecord(form);
    EXPECT_EQ(plain.record[2], 0x40);
    EXPECT_EQ(plain.record[3], 0x00);
    EXPECT_EQ(plain.record[18], 0xFF);
    EXPECT_EQ(Bytes(plain.record.begin() + 19, plain.record.begin() + 24),
              (Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(plain.highBits, 0x00);
}

class ApplyEnemyTest : public testing::Test {
protected:
    std::vector<ImageWrite> Plan(const EnemyForm& form, const GifImage* picture = nullptr)
    {
        MemoryRomStream stream(image_);
        std::vector<ImageWrite> writes;
        const Status planned = PlanApplyEnemy(stream, form, picture, writes);
        EXPECT_TRUE(planned.ok()) << planned.message();
        return writes;
    }

    std::vector<std::uint64_t> Offsets(const std::vector<ImageWrite>& writes)
    {
        std::vector<std::uint64_t> offsets;
        for (const ImageWrite& write : writes)
            offsets.push_back(write.offset);
        return offsets;
    }

    Bytes image_ = Image();
};

TEST_F(ApplyEnemyTest, TheWritesComeInTheirOrderWithTheirBytes)
{
    EnemyForm form = ValidForm();
    form.twoAttack = 3; // slot 2
    form.patterns = {0x150, 0x120};
    form.techniques[0] = {0x101, 2, 3, 4, 5, 6, 7, 0x1FF};
    form.techniques[1] = {9, 10, 11, 12, 13, 14, 0x10F, 16};
    form.address = "580000";
    form.graphicNumber = 0x105 - kFirstNewGraphic;
    const GifImage picture = test::BlankPicture(8, 8);
    const std::vector<ImageWrite> writes = Plan(form, &picture);
    EXPECT_EQ(Offsets(writes), (std::vector<std::uint64_t>{
                                   0x580000, 0x5A1360, 0x5A2AC5, 0x5A369F, 0x26D123, // graphic
                                   0x5A2D3C,                                         // name
                                   0x5A007D,                                         // record
                                   0x59FF04,                                         // slot 2
                                   0x5A3C10, 0x5B5D10, // pattern 1 0x150
                                   0x5A3A90, 0x5B5CE0, // pattern 2 0x120
                                   0x5B1985,           // equipment high bits
                                   0x5B11AD,           // drops
                               }));
    EXPECT_EQ(writes[5].bytes, GameText("ワイバン", 12));
    EXPECT_EQ(writes[7].bytes, (Bytes{0x45, 0x01}));
    EXPECT_EQ(writes[8].bytes, (Bytes{0x01, 2, 3, 4, 5, 6, 7, 0xFF}));
    EXPECT_EQ(writes[9].bytes, (Bytes{0x81}));
    EXPECT_EQ(writes[10].bytes, (Bytes{9, 10, 11, 12, 13, 14, 0x0F, 16}));
    EXPECT_EQ(writes[11].bytes, (Bytes{0x40}));
    EXPECT_EQ(writes[13].bytes, (Bytes{0x08, 0x01, 0xFD, 0x00, 0xFF, 0x00, 0xFC, 0x01, 0x2C}));
}

// The palette an apply writes for a picture is the colours its first frame is shown with:
// the frame's own table when it has one, else the global one; an entry beyond the table takes
// entry 0's colour.
TEST_F(ApplyEnemyTest, ThePaletteWrittenIsTheColoursTheFirstFrameIsShownWith)
{
    const auto table = [](int count, int seed) {
        GifColorTable colours;
        for (int i = 0; i < count; ++i)
            colours.push_back({static_cast<std::uint8_t>(8 * i + 64 * seed),
                               static_cast<std::uint8_t>(16 * i + 40 * seed),
                               static_cast<std::uint8_t>(248 - 8 * i - 8 * seed)});
        return colours;
    };
    const GifColorTable global = table(16, 1);
    const GifColorTable local = table(4, 2);
    const auto words = [](const GifColorTable& shown) {
        Bytes bytes;
        for (std::size_t i = 0; i < 16; ++i) {
            const GifColor colour = i < shown.size() ? shown[i] : shown.front();
            const auto word = static_cast<std::uint16_t>(
                (colour.red >> 3) | ((colour.green >> 3) << 5) | ((colour.blue >> 3) << 10));
            bytes.push_back(static_cast<std::uint8_t>(word));
            bytes.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        return bytes;
    };
    struct Case {
        const char* name;
        GifColorTable global;
        GifColorTable local;
        Bytes palette;
    };
    const Case cases[] = {
        {"LocalAndGlobal", global, local, words(local)},
        {"GlobalOnly", global, {}, words(global)},
        {"LocalOnly", {}, local, words(local)},
    };
    for (const Case& c : cases) {
        GifImage picture = test::BlankPicture(8, 8);
        picture.colors = c.global;
        picture.frames.front().colors = c.local;
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x)
                picture.frames.front().setPixel(x, y, static_cast<std::uint8_t>((x + y) % 4));
        }
        const auto encoded = EncodeGif(picture);
        ASSERT_TRUE(encoded.ok()) << c.name;
        const Result<GifImage> chosen = LoadEnemyPictureBytes(encoded.value());
        ASSERT_TRUE(chosen.ok()) << c.name << ": " << chosen.message();

        EnemyForm form = ValidForm();
        form.address = "580000";
        form.graphicNumber = 0x105 - kFirstNewGraphic;
        MemoryRomStream stream(image_);
        const Status applied = ApplyEnemy(stream, form, &chosen.value());
        ASSERT_TRUE(applied.ok()) << c.name << ": " << applied.message();
        // Graphic 0x105's palette entry.
        EXPECT_EQ(Bytes(stream.bytes().begin() + 0x5A1360, stream.bytes().begin() + 0x5A1380),
                  c.palette)
            << c.name;
    }
}

TEST_F(ApplyEnemyTest, OnlyPatternsOfTheExpansionAreWrittenAndTheSharedOneOnce)
{
    struct Case {
        std::array<int, 2> patterns;
        std::vector<std::uint64_t> patternWrites;
    };
    const Case cases[] = {
        {{0x010, 0x020}, {}},
        {{0x010, 0x120}, {0x5A3A90, 0x5B5CE0}},
        {{0x150, 0x150}, {0x5A3C10, 0x5B5D10}},
        {{0x100, 0x1FF}, {0x5A3990, 0x5B5CC0, 0x5A4188, 0x5B5DBF}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.patterns[0] << " " << c.patterns[1]);
        EnemyForm form = ValidForm();
        form.patterns = c.patterns;
        const std::vector<std::uint64_t> offsets = Offsets(Plan(form));
        // name, record, then the patterns, then the high bits and the drops.
        ASSERT_EQ(offsets.size(), 4 + c.patternWrites.size());
        EXPECT_EQ(std::vector<std::uint64_t>(offsets.begin() + 2, offsets.end() - 2),
                  c.patternWrites);
    }
}

TEST_F(ApplyEnemyTest, TheMoneyIsStoredAsItsLow8Bits)
{
    EnemyForm form = ValidForm();
    for (const auto& [money, stored] :
         {std::pair("300", 0x2C), std::pair("0", 0x00), std::pair("255", 0xFF),
          std::pair("999", 0xE7)}) {
        form.money = money;
        EXPECT_EQ(Plan(form).back().bytes[8], stored) << money;
    }
}

TEST_F(ApplyEnemyTest, ARefusedApplyWritesNothing)
{
    struct Case {
        const char* name;
        void (*change)(EnemyForm&);
        std::string message;
    };
    const Case cases[] = {
        {"HP 29", [](EnemyForm& f) { f.hp = "29"; }, kHpRangeMessage},
        {"name", [](EnemyForm& f) { f.name = "■"; }, "「■」は使用できません。"},
        {"money", [](EnemyForm& f) { f.money = "1,0"; }, kMoneyRangeMessage},
        {"address", [](EnemyForm& f) { f.address = "zz"; }, kEnemyAddressMessage},
        {"graphic past the end", [](EnemyForm& f) { f.address = "5FFFFF"; },
         kEnemyGraphicPastEndMessage},
        {"drop", [](EnemyForm& f) { f.drops[3] = -1; }, kNothingSelectedMessage},
    };
    const GifImage picture = test::BlankPicture(8, 8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EnemyForm form = ValidForm();
        c.change(form);
        MemoryRomStream stream(image_);
        const Status applied = ApplyEnemy(stream, form, &picture);
        ASSERT_FALSE(applied.ok());
        EXPECT_EQ(applied.message(), c.message);
        EXPECT_EQ(stream.bytes(), image_);
    }
}

// On an image of 4 MiB or less the tables above 4 MiB are absent: the apply refuses instead of
// writing past the end. An expanded image cut inside a table is refused as well.
TEST_F(ApplyEnemyTest, AnImageWithoutTheTablesIsRefused)
{
    EnemyForm form = ValidForm();
    form.enemy = 0x010;
    form.name = "スライム";
    Bytes plain = test::EnemyImage(RomImageBuilder::kPlainSize);
    MemoryRomStream plainStream(plain);
    EXPECT_EQ(test::FailureOf(ApplyEnemy(plainStream, form, nullptr)),
              (Failure{kEnemyNeedsExpandedImageMessage, -1, ""}));
    EXPECT_EQ(plainStream.bytes(), plain);
    EXPECT_EQ(plainStream.size(), RomImageBuilder::kPlainSize);

    Bytes cut = test::EnemyImage(0x5B0000);
    MemoryRomStream cutStream(cut);
    EXPECT_EQ(test::FailureOf(ApplyEnemy(cutStream, form, nullptr)),
              (Failure{kEnemyDataPastEndMessage, -1, ""}));
    EXPECT_EQ(cutStream.bytes(), cut);
}

// An image that takes no writes: the first write is refused, and nothing is written.
TEST_F(ApplyEnemyTest, AnImageThatCannotBeWrittenIsLeftAsItWas)
{
    MemoryRomStream readOnly(image_, false);
    const GifImage picture = test::BlankPicture(8, 8);
    EXPECT_EQ(test::FailureOf(ApplyEnemy(readOnly, ValidForm(), &picture)),
              (Failure{kCannotWriteFileMessage, -1, ""}));
    EXPECT_EQ(readOnly.bytes(), image_);
}

// What an apply writes is what reading the enemy gives back.
TEST_F(ApplyEnemyTest, ReadingBackGivesTheValuesApplied)
{
    EnemyForm form = ValidForm();
    form.race = 0x0C;
    form.female = true;
    form.recoveryElement = 7;
    form.resistances = {false, true, false, false, true};
    form.patterns = {0x1FE, 0x0AB};
    form.techniques[0] = {0x1FF, 0x100, 0x0FF, 0x000, 0x123, 0x045, 0x167, 0x089};
    form.patternChoice = 13;
    form.techniqueChoice = 2;
    form.equipment = {0x14F, 0x08, 0x15F, 0xDF, 0x160};
    form.noDisarm = {true, true};
    form.twoAttack = 127;
    MemoryRomStream stream(image_);
    ASSERT_EQ(test::FailureOf(ApplyEnemy(stream, form, nullptr)), std::nullopt);

    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm read;
    read.enemy = 0x145;
    ASSERT_TRUE(LoadEnemyRecord(stream, lists, read).ok());
    EXPECT_EQ(read.name, form.name);
    EXPECT_EQ(read.race, form.race);
    EXPECT_EQ(read.female, form.female);
    EXPECT_EQ(read.recoveryElement, form.recoveryElement);
    EXPECT_EQ(read.resistances, form.resistances);
    EXPECT_EQ(read.hp, form.hp);
    EXPECT_EQ(read.stats, form.stats);
    EXPECT_EQ(read.levels, form.levels);
    EXPECT_EQ(read.patterns, form.patterns);
    EXPECT_EQ(read.techniques[0], form.techniques[0]);
    EXPECT_EQ(read.patternChoice, form.patternChoice);
    EXPECT_EQ(read.techniqueChoice, form.techniqueChoice);
    EXPECT_EQ(read.equipment, form.equipment);
    EXPECT_EQ(read.noDisarm, form.noDisarm);
    EXPECT_EQ(read.drops, form.drops);
    EXPECT_EQ(read.money, form.money);
    EXPECT_EQ(read.twoAttack, form.twoAttack);
    EXPECT_EQ(lists.twoAttack[127].label, "【7E】【0145】ワイバン");
}

// With reading off, selecting another enemy and applying copies the page onto it.
TEST_F(ApplyEnemyTest, AnEnemyIsCopiedOntoAnotherWithReadingOff)
{
    EnemyForm source = ValidForm();
    source.patterns = {0x1A0, 0x020};
    source.techniques[0] = {1, 2, 3, 4, 5, 6, 7, 8};
    {
        MemoryRomStream stream(image_);
        ASSERT_EQ(test::FailureOf(ApplyEnemy(stream, source, nullptr)), std::nullopt);
        image_ = stream.bytes();
    }
    MemoryRomStream stream(image_);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm form;
    form.enemy = 0x145;
    ASSERT_TRUE(LoadEnemyRecord(stream, lists, form).ok());
    form.readStatus = false;
    form.enemy = 0x013;
    ASSERT_TRUE(ComboBox30Change(stream, lists, form).ok());
    ASSERT_EQ(test::FailureOf(ApplyEnemy(stream, form, nullptr)), std::nullopt);

    const Bytes& copied = stream.bytes();
    EXPECT_EQ(At(copied, EnemyRecordOffset(0x013), 25), At(copied, EnemyRecordOffset(0x145), 25));
    EXPECT_EQ(At(copied, EnemyDropsOffset(0x013), 9), At(copied, EnemyDropsOffset(0x145), 9));
    EXPECT_EQ(copied[EquipmentHighBitsOffset(0x013)], copied[EquipmentHighBitsOffset(0x145)]);
    EXPECT_EQ(At(copied, EnemyNameOffset(0x013), 8), GameText("ワイバン", 8));
}

class ApplyEnemyFileTest : public ApplyEnemyTest {
protected:
    test::TempDir dir_;
};

TEST_F(ApplyEnemyFileTest, TheFileIsReplacedOnlyByAWholeApply)
{
    const auto path = dir_.write("game.smc", image_);
    EnemyForm form = ValidForm();
    form.patterns = {0x123, 0x000};
    const GifImage picture = test::BlankPicture(16, 16);
    form.address = "590000";
    ASSERT_EQ(test::FailureOf(ApplyEnemy(path, form, &picture)), std::nullopt);
    MemoryRomStream expected(image_);
    ASSERT_EQ(test::FailureOf(ApplyEnemy(expected, form, &picture)), std::nullopt);
    EXPECT_EQ(test::ReadFileBytes(path), expected.bytes());
    EXPECT_FALSE(std::filesystem::exists(dir_.path() / "game.smc.bak"));

    // Refused: the file stays as it was, and nothing else is left beside it.
    const Bytes before = test::ReadFileBytes(path);
    form.address = "5FFFFF";
    EXPECT_EQ(test::FailureOf(ApplyEnemy(path, form, &picture)),
              (Failure{kEnemyGraphicPastEndMessage, kGraphicSubTab, "Edit74"}));
    EXPECT_EQ(test::ReadFileBytes(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.path()),
                            std::filesystem::directory_iterator()),
              1);

    // With a backup asked for, the image as it was is kept beside it.
    form.address = "590000";
    form.hp = "30";
    ImageChangeOptions backup;
    backup.backup = true;
    ASSERT_EQ(test::FailureOf(ApplyEnemy(path, form, &picture, backup)), std::nullopt);
    EXPECT_EQ(test::ReadFileBytes(dir_.path() / "game.smc.bak"), before);
}

TEST_F(ApplyEnemyFileTest, AnImageThatCannotBeOpenedIsReported)
{
    EXPECT_EQ(test::FailureOf(ApplyEnemy("", ValidForm(), nullptr)),
              (Failure{kNoRomPathMessage, -1, ""}));
    EXPECT_EQ(test::FailureOf(ApplyEnemy(dir_.path() / "missing.smc", ValidForm(), nullptr)),
              (Failure{"ファイルが開けません。\nmissing.smc", -1, ""}));
    const auto folder = ApplyEnemy(dir_.path(), ValidForm(), nullptr);
    ASSERT_FALSE(folder.ok());
    EXPECT_TRUE(folder.message().starts_with("ファイルが開けません。")) << folder.message();
    // The form's checks come before the image is opened.
    EnemyForm bad = ValidForm();
    bad.levels[2] = "0";
    EXPECT_EQ(test::FailureOf(ApplyEnemy(dir_.path() / "missing.smc", bad, nullptr)),
              (Failure{kLevelRangeMessage, kStatusSubTab, "Edit88"}));
}

// On an image without the expansion the apply is refused for that reason first, before the
// boxes whose values come from the tables above 4 MiB (the money read as nothing) are looked
// at; the status boxes are still checked before the file is opened.
TEST_F(ApplyEnemyFileTest, AnImageWithoutTheExpansionIsNamedBeforeTheBoxesItLeavesEmpty)
{
    const Bytes plain = test::EnemyImage(RomImageBuilder::kPlainSize);
    const auto path = dir_.write("plain.smc", plain);
    EnemyForm form = ValidForm();
    form.enemy = 0x010;
    form.money.clear();
    form.drops.fill(-1);
    EXPECT_EQ(test::FailureOf(ApplyEnemy(path, form, nullptr)),
              (Failure{kEnemyNeedsExpandedImageMessage, -1, ""}));
    form.hp = "29";
    EXPECT_EQ(test::FailureOf(ApplyEnemy(path, form, nullptr)),
              (Failure{kHpRangeMessage, kStatusSubTab, "Edit85"}));
    EXPECT_EQ(test::ReadFileBytes(path), plain);
}

} // namespace
} // namespace varn
