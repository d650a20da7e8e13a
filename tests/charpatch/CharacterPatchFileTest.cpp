#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>

#include "CharpatchTestSupport.h"
#include "charpatch/CharacterPatchFile.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "support/TempDir.h"
#include "text/Cp932.h"
#include "text/TextCodec.h"

namespace varn {
namespace {

using test::Bytes;
using test::GameBytes;
using test::PatternSheet;
using test::PlainExtensions;
using test::Repeat;
using test::kTooLarge;
using test::ShortConversations;
using test::Concat;


// A form in which every field differs from the fresh page, with texts in the form the
// editor shows after loading (full width, "\r\n" line breaks, nothing to trim).
CharacterForm FullForm()
{
    CharacterForm form;
    form.name = "なまえ";
    form.title = "かたがき";
    form.gender = 3;
    form.comment = "メモ\n二行目 ok"; // as the editor holds it
    form.attributes = {"5", "20", "35", "50", "65", "80", "90"};
    form.lp = "128";
    form.guardianStar = 4;
    form.favouriteWeapon = 8;
    form.sparkType = 15;
    form.growthType = 7;
    form.initialMagic = 4;
    form.hp = "900";
    form.levels = {"31", "1", "2", "3", "4", "5", "7", "9"};
    form.levelGrowth = {true, true, false, false, true, false, true, true, false};
    form.earthSchool = 3;
    form.heavenSchool = 1;
    form.techniques = {0x0F, 0x10, 0xA5, kNoItemCode};
    form.spells = {0xC0, 0x34, kNoItemCode, kNoItemCode};
    form.weapons = {0x00, 0x50, 0x5F, kNoItemCode};
    form.armours = {0x60, 0xDF, 0x77, 0xA8};
    form.growthRates = {"8", "7", "6", "5", "4", "3", "2", "1", "0", "1", "2", "3", "4", "5", "6"};
    form.purchaseBan = {true, false, false, false, false, true};
    form.formation = 0x0A;
    form.exclusiveWeapon = 0xB8;
    form.commander = 0x08;
    form.weaponCost = {true, false, true, false, false, false, false, true};
    form.magicCost = {false, true, false, false, true, false};
    form.talkMusic = 0x12;
    form.firstLine = "やあ\r\nげんき？";
    form.firstOk = "はい";
    form.firstNg = "いいえ";
    form.firstAfterOk = "よろしく";
    form.secondChoice = true;
    form.secondOk = "うん";
    form.secondNg = "いや";
    form.joinLine = "なかまに\r\nなろう";
    form.hpCondition = 2;
    form.refuseLine = "まだはやい";
    form.repeatLine = "また";
    form.repeatOk = "はい";
    form.repeatNg = "いいえ";
    form.repeatAfterOk = "よし";
    form.repeatAfterNg = "そうか";
    form.lastBattleLine = "さいごだ";
    return form;
}

// Every field of two forms, one by one, so a failure names the field.
void ExpectSameForm(const CharacterForm& a, const CharacterForm& b)
{
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.title, b.title);
    EXPECT_EQ(a.gender, b.gender);
    EXPECT_EQ(a.comment, b.comment);
    EXPECT_EQ(a.attributes, b.attributes);
    EXPECT_EQ(a.lp, b.lp);
    EXPECT_EQ(a.guardianStar, b.guardianStar);
    EXPECT_EQ(a.favouriteWeapon, b.favouriteWeapon);
    EXPECT_EQ(a.sparkType, b.sparkType);
    EXPECT_EQ(a.growthType, b.growthType);
    EXPECT_EQ(a.initialMagic, b.initialMagic);
    EXPECT_EQ(a.hp, b.hp);
    EXPECT_EQ(a.levels, b.levels);
    EXPECT_EQ(a.levelGrowth, b.levelGrowth);
    EXPECT_EQ(a.earthSchool, b.earthSchool);
    EXPECT_EQ(a.heavenSchool, b.heavenSchool);
    EXPECT_EQ(a.weapons, b.weapons);
    EXPECT_EQ(a.armours, b.armours);
    EXPECT_EQ(a.techniques, b.techniques);
    EXPECT_EQ(a.spells, b.spells);
    EXPECT_EQ(a.growthRates, b.growthRates);
    EXPECT_EQ(a.purchaseBan, b.purchaseBan);
    EXPECT_EQ(a.formation, b.formation);
    EXPECT_EQ(a.exclusiveWeapon, b.exclusiveWeapon);
    EXPECT_EQ(a.commander, b.commander);
    EXPECT_EQ(a.weaponCost, b.weaponCost);
    EXPECT_EQ(a.magicCost, b.magicCost);
    EXPECT_EQ(a.talkMusic, b.talkMusic);
    EXPECT_EQ(a.firstLine, b.firstLine);
    EXPECT_EQ(a.firstOk, b.firstOk);
    EXPECT_EQ(a.firstNg, b.firstNg);
    EXPECT_EQ(a.firstAfterOk, b.firstAfterOk);
    EXPECT_EQ(a.secondChoice, b.secondChoice);
    EXPECT_EQ(a.secondOk, b.secondOk);
    EXPECT_EQ(a.secondNg, b.secondNg);
    EXPECT_EQ(a.joinLine, b.joinLine);
    EXPECT_EQ(a.hpCondition, b.hpCondition);
    EXPECT_EQ(a.refuseLine, b.refuseLine);
    EXPECT_EQ(a.repeatLine, b.repeatLine);
    EXPECT_EQ(a.repeatOk, b.repeatOk);
    EXPECT_EQ(a.repeatNg, b.repeatNg);
    EXPECT_EQ(a.repeatAfterOk, b.repeatAfterOk);
    EXPECT_EQ(a.repeatAfterNg, b.repeatAfterNg);
    EXPECT_EQ(a.lastBattleLine, b.lastBattleLine);
}

PatchFile Build(const CharacterForm& form)
{
    Result<PatchFile> patch = BuildPatchFile(form, PatternSheet(), PlainExtensions());
    EXPECT_TRUE(patch.ok()) << patch.message();
    return patch.ok() ? std::move(patch).value() : PatchFile{};
}

Bytes Serialize(const PatchFile& patch)
{
    Result<Bytes> bytes = SerializePatchFile(patch);
    EXPECT_TRUE(bytes.ok()) << bytes.message();
    return bytes.ok() ? std::move(bytes).value() : Bytes{};
}

PatchFile Parse(std::span<const std::uint8_t> bytes)
{
    Result<PatchFile> patch = ParsePatchFile(bytes);
    EXPECT_TRUE(patch.ok()) << patch.message();
    return patch.ok() ? std::move(patch).value() : PatchFile{};
}

// The bytes after the head.
Bytes RecordBytes(const Bytes& file)
{
    return file.size() < kPatchHeadSize ? Bytes{}
                                        : Bytes(file.begin() + kPatchHeadSize, file.end());
}


template <std::size_t N> Bytes Fixed(std::string_view text)
{
    Bytes field(N);
    EXPECT_EQ(EncodeText(text, field, PlainExtensions()), 0) << text;
    return field;
}

// A head of 7158 bytes: "VNP" and a pattern in which no two neighbours are equal.
Bytes PatternHead()
{
    Bytes head(kPatchHeadSize);
    for (std::size_t i = 0; i < head.size(); ++i) {
        head[i] = static_cast<std::uint8_t>(i * 13 + 1);
    }
    std::copy(kPatchMagic.begin(), kPatchMagic.end(), head.begin());
    return head;
}

// --- Writing ------------------------------------------------------------------------------

const Bytes kDefaultRecords{
    0x01, 0x00, 0x0D, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x00, 0x00, 0x00,
    0x00, 0x00, 0x02, 0x00, 0x0A, 0x50, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x00, 0x03, 0x00, 0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x00,
    0x08, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x05, 0x00, 0x0F, 0,    0,
    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0x06,
    0x00, 0x01, 0x00, 0x07, 0x00, 0x03, 0x00, 0xFF, 0x00, 0x08, 0x00, 0x02, 0x00, 0x00,
};

TEST(WriteCharacterPatchTest, TheFreshFormGives7242BytesEndingWithTheCostRecord)
{
    const GifImage sheet = PatternSheet();
    const Bytes file = Serialize(Build(CharacterForm{}));
    ASSERT_EQ(file.size(), 7242u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 3), (Bytes{'V', 'N', 'P'}));
    EXPECT_EQ(Bytes(file.begin() + 3, file.begin() + 11), Fixed<8>("名無しさん"));
    EXPECT_EQ(file[11], 0x95);
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 22), Fixed<10>("お腹いっぱい。"));
    const SheetPalette palette = PaletteFromImage(sheet);
    const SheetTiles tiles = TilesFromImage(sheet);
    EXPECT_TRUE(std::equal(palette.begin(), palette.end(), file.begin() + 22));
    EXPECT_TRUE(std::equal(tiles.begin(), tiles.end(), file.begin() + 54));
    EXPECT_EQ(RecordBytes(file), kDefaultRecords);
}

// The palette of a chosen sheet is the colours its first frame is shown with: the frame's own
// table when it has one, else the global one. The .vnp holds those colours, with the fixed
// colours 1 to 3 in their places.
TEST(WriteCharacterPatchTest, ThePaletteIsTheColoursTheFirstFrameIsShownWith)
{
    // 17 colours (the sheet's white is colour 16) that differ from table to table in every
    // entry.
    const auto table = [](int seed) {
        GifColorTable colours;
        for (int i = 0; i < 17; ++i)
            colours.push_back({static_cast<std::uint8_t>(8 * i + 64 * seed),
                               static_cast<std::uint8_t>(16 * i + 40 * seed),
                               static_cast<std::uint8_t>(248 - 8 * i - 8 * seed)});
        return colours;
    };
    const GifColorTable global = table(1);
    const GifColorTable local = table(2);
    struct Case {
        const char* name;
        GifColorTable global;
        GifColorTable local;
        const GifColorTable& shown;
    };
    const Case cases[] = {
        {"LocalAndGlobal", global, local, local},
        {"GlobalOnly", global, {}, global},
        {"LocalOnly", {}, local, local},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        GifImage sheet;
        BuildSheetImage(SheetPalette{}, SheetTiles{}, sheet);
        sheet.colors = c.global;
        sheet.frames.front().colors = c.local;
        const auto gif = dir.path() / (std::string(c.name) + ".gif");
        ASSERT_TRUE(SaveGifFile(sheet, gif).ok()) << c.name;
        const Result<GifImage> chosen = LoadSheetImage(gif);
        ASSERT_TRUE(chosen.ok()) << c.name << ": " << chosen.message();
        const auto vnp = dir.path() / (std::string(c.name) + ".vnp");
        ASSERT_TRUE(
            WriteCharacterPatch(vnp, CharacterForm{}, chosen.value(), PlainExtensions()).ok())
            << c.name;

        Bytes expected;
        for (std::size_t i = 0; i < 16; ++i) {
            const GifColor colour = c.shown[i];
            std::uint16_t word = static_cast<std::uint16_t>(
                (colour.red >> 3) | ((colour.green >> 3) << 5) | ((colour.blue >> 3) << 10));
            if (i >= 1 && i <= 3)
                word = std::array<std::uint16_t, 3>{0x6BDE, 0x18C6, 0x0000}[i - 1];
            expected.push_back(static_cast<std::uint8_t>(word));
            expected.push_back(static_cast<std::uint8_t>(word >> 8));
        }
        const Bytes file = test::ReadFileBytes(vnp);
        ASSERT_GE(file.size(), 54u) << c.name;
        EXPECT_EQ(Bytes(file.begin() + 22, file.begin() + 54), expected) << c.name;
    }
}

TEST(WriteCharacterPatchTest, EveryFieldGoesToItsByte)
{
    CharacterForm form = FullForm();
    form.firstLine = "";
    form.comment = "";
    const Bytes file = Serialize(Build(form));
    EXPECT_EQ(Bytes(file.begin() + 3, file.begin() + 11), Fixed<8>("なまえ"));
    EXPECT_EQ(file[11], 0xDF);
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 22), Fixed<10>("かたがき"));
    const Bytes expected{
        0x01,
        0x00,
        0x0D,
        0x05,
        0x14,
        0x23,
        0x32,
        0x41,
        0x50,
        0x5A,
        0x80,
        0x04,
        0x08,
        0x0F,
        0x07,
        0x04,
        // HP 900 with growth; 斬 31 growing; 射 growing; 地術 玄武 7 growing; 天術 月 9;
        // 増幅 5 growing.
        0x02,
        0x00,
        0x0A,
        0x84,
        0x83,
        0x9F,
        0x01,
        0x02,
        0x83,
        0x04,
        0xE7,
        0x29,
        0x85,
        0x03,
        0x00,
        0x08,
        0x0F,
        0x10,
        0xA5,
        0xFF,
        0xC0,
        0x34,
        0xFF,
        0xFF,
        0x04,
        0x00,
        0x08,
        0x00,
        0x50,
        0x5F,
        0xFF,
        0x60,
        0xDF,
        0x77,
        0xA8,
        0x05,
        0x00,
        0x0F,
        8,
        7,
        6,
        5,
        4,
        3,
        2,
        1,
        0,
        1,
        2,
        3,
        4,
        5,
        6,
        0x06,
        0x00,
        0x01,
        0x21,
        0x07,
        0x00,
        0x03,
        0x0A,
        0xB8,
        0x08,
        0x08,
        0x00,
        0x02,
        0x48,
        0xA1,
        // The final-battle line "さいごだ"; the music is not written without a first line.
        0x82,
        0x00,
        0x04,
        0x5B,
        0x52,
        0xBC,
        0xC2,
    };
    EXPECT_EQ(RecordBytes(file), expected);
}

TEST(WriteCharacterPatchTest, NumbersAreWrittenAsTheirLowByte)
{
    CharacterForm form;
    form.attributes[0] = "300"; // 0x12C
    form.lp = "abc";
    form.hp = "33000"; // beyond 15 bits: 0x80E8
    form.levelGrowth[0] = false;
    form.levels[6] = "40"; // 地術 keeps its school bits
    form.earthSchool = 1;
    form.heavenSchool = -1; // neither: the 月 bit stays clear
    form.levels[7] = "3";
    const PatchFile patch = Build(form);
    EXPECT_EQ(patch.records[0].data[0], 0x2C);
    EXPECT_EQ(patch.records[0].data[7], 0x00);
    EXPECT_EQ(patch.records[1].data[0], 0xE8);
    EXPECT_EQ(patch.records[1].data[1], 0x00);
    EXPECT_EQ(patch.records[1].data[7], 0x28);
    EXPECT_EQ(patch.records[1].data[8], 0x03);
}


const Bytes kShortRepeatTalk{0x01, 0x56, 0x03, 0x6A, 0x52, 0x24, 0x04, 0x52,
                             0x52, 0x54, 0x24, 0x01, 0x57, 0x01, 0x58};

TEST(WriteCharacterPatchTest, ConversationRecordsHoldLengthPrefixedPieces)
{
    struct Case {
        const char* name;
        std::function<void(CharacterForm&)> change;
        Bytes firstTalk;
    };
    const Bytes opening{0x01, 0x51, 0x03, 0x6A, 0x52, 0x24, 0x04,
                        0x52, 0x52, 0x54, 0x24, 0x01, 0x53};
    const Bytes second{0x03, 0x6A, 0x52, 0x24, 0x04, 0x52, 0x52, 0x54, 0x24, 0x01, 0x54};
    const Case cases[] = {
        {"SecondChoiceOff", [](CharacterForm&) {}, Concat({opening, {0x00}})},
        {"NoHpCondition", [](CharacterForm& f) { f.secondChoice = true; },
         Concat({opening, {0x01}, second, {0x00}})},
        {"Hp256",
         [](CharacterForm& f) {
             f.secondChoice = true;
             f.hpCondition = 1;
         },
         Concat({opening, {0x01}, second, {0x01, 0x01, 0x55}})},
        {"Hp512",
         [](CharacterForm& f) {
             f.secondChoice = true;
             f.hpCondition = 2;
         },
         Concat({opening, {0x01}, second, {0x02, 0x01, 0x55}})},
        {"FullChoiceGetsNoBreak", [](CharacterForm& f) { f.firstOk = Repeat("あ", 15); },
         Concat({{0x01, 0x51, 0x0F},
                 Bytes(15, 0x51),
                 Bytes(opening.begin() + 6, opening.end()),
                 {0x00}})},
        {"TrailingBlanksAndBreaksGo",
         [](CharacterForm& f) {
             f.firstLine = "あ\r\nい \r\n";
             f.firstNg = "いいえ  ";
         },
         Concat({{0x03, 0x51, 0x24, 0x52}, Bytes(opening.begin() + 2, opening.end()), {0x00}})},
        {"HalfWidthIsWrittenFullWidth", [](CharacterForm& f) { f.firstAfterOk = "ｳ"; },
         Concat({Bytes(opening.begin(), opening.end() - 1), {0x84, 0x00}})},
    };
    for (const Case& c : cases) {
        CharacterForm form = ShortConversations();
        c.change(form);
        const PatchFile patch = Build(form);
        ASSERT_EQ(patch.records.size(), 10u) << c.name;
        EXPECT_EQ(patch.records[8], (PatchRecord{kFirstTalkRecord, c.firstTalk})) << c.name;
        EXPECT_EQ(patch.records[9], (PatchRecord{kRepeatTalkRecord, kShortRepeatTalk})) << c.name;
    }
}

TEST(WriteCharacterPatchTest, OptionalRecordsFollowTheCostRecordInTheirOrder)
{
    struct Case {
        const char* name;
        std::function<void(CharacterForm&)> change;
        std::vector<std::uint8_t> types; // after the eight fixed records
    };
    const Case cases[] = {
        {"Nothing", [](CharacterForm&) {}, {}},
        {"MusicAloneIsNotWritten", [](CharacterForm& f) { f.talkMusic = 5; }, {}},
        {"FinalBattleAlone", [](CharacterForm& f) { f.lastBattleLine = "あ"; }, {0x82}},
        {"CommentAlone", [](CharacterForm& f) { f.comment = "x"; }, {0xFF}},
        {"Conversations",
         [](CharacterForm& f) {
             f = ShortConversations();
             f.talkMusic = 5;
             f.lastBattleLine = "あ";
             f.comment = "x";
         },
         {0x80, 0x81, 0x82, 0x83, 0xFF}},
    };
    for (const Case& c : cases) {
        CharacterForm form;
        c.change(form);
        const Bytes file = Serialize(Build(form));
        const PatchFile parsed = Parse(file);
        std::vector<std::uint8_t> types;
        for (std::size_t i = 8; i < parsed.records.size(); ++i) {
            types.push_back(parsed.records[i].type);
        }
        if (parsed.comment) {
            types.push_back(kCommentRecord);
        }
        EXPECT_EQ(types, c.types) << c.name;
    }
}

TEST(WriteCharacterPatchTest, TheMusicRecordHoldsTheMusicNumber)
{
    CharacterForm form = ShortConversations();
    form.talkMusic = 0xFE;
    form.lastBattleLine = "あい\r\n";
    const Bytes file = Serialize(Build(form));
    const Bytes tail{0x82, 0x00, 0x02, 0x51, 0x52, 0x83, 0x00, 0x01, 0xFE};
    ASSERT_GE(file.size(), tail.size());
    EXPECT_EQ(Bytes(file.end() - static_cast<std::ptrdiff_t>(tail.size()), file.end()), tail);
}

TEST(WriteCharacterPatchTest, TheCommentIsWrittenInCp932WithItsUtf16Count)
{
    const std::pair<std::string, Bytes> cases[] = {
        {"あいうえおかきくけこ",
         {0xFF, 0x0A, 0x00, 0x82, 0xA0, 0x82, 0xA2, 0x82, 0xA4, 0x82, 0xA6, 0x82,
          0xA8, 0x82, 0xA9, 0x82, 0xAB, 0x82, 0xAD, 0x82, 0xAF, 0x82, 0xB1}},
        // A line break is stored as CR LF, as the files users share keep it; one typed in the
        // editor (LF) and one already stored (CR LF) give the same bytes.
        {"ab\nｱ", {0xFF, 0x05, 0x00, 0x61, 0x62, 0x0D, 0x0A, 0xB1}},
        {"ab\r\nｱ", {0xFF, 0x05, 0x00, 0x61, 0x62, 0x0D, 0x0A, 0xB1}},
        {"\n\n", {0xFF, 0x04, 0x00, 0x0D, 0x0A, 0x0D, 0x0A}},
    };
    for (const auto& [comment, expected] : cases) {
        CharacterForm form;
        form.comment = comment;
        const Bytes records = RecordBytes(Serialize(Build(form)));
        ASSERT_EQ(records.size(), kDefaultRecords.size() + expected.size());
        EXPECT_EQ(Bytes(records.begin() + static_cast<std::ptrdiff_t>(kDefaultRecords.size()),
                        records.end()),
                  expected);
    }
}

TEST(WriteCharacterPatchTest, RefusesWhatItCannotWrite)
{
    struct Case {
        const char* name;
        std::function<void(CharacterForm&)> change;
        std::string message;
    };
    const Case cases[] = {
        {"UnencodableName", [](CharacterForm& f) { f.name = "な■"; }, "「■」は使用できません。"},
        {"LongName", [](CharacterForm& f) { f.name = "あいうえおかきくけ"; }, "名前が長すぎます。"},
        {"LongTitle", [](CharacterForm& f) { f.title = "０１２３４５"; }, "肩書きが長すぎます。"},
        {"UnencodableChoice",
         [](CharacterForm& f) {
             f = ShortConversations();
             f.repeatNg = "b";
         },
         "「ｂ」は使用できません。"},
        {"FirstTalkOver255",
         [](CharacterForm& f) {
             f = ShortConversations();
             f.firstLine = Repeat("０", 10);     // 20 + 1
             f.firstAfterOk = Repeat("０", 120); // 240 + 1: 272 in all
         },
         kTooLarge},
        {"PieceOver255",
         [](CharacterForm& f) {
             f = ShortConversations();
             f.repeatLine = Repeat("０", 130);
         },
         kTooLarge},
        {"FinalBattleOver255", [](CharacterForm& f) { f.lastBattleLine = Repeat("０", 128); },
         kTooLarge},
        {"CommentOutsideCp932", [](CharacterForm& f) { f.comment = "\U0001F600"; },
         "「\U0001F600」は使用できません。"},
        {"CommentOver1024Bytes", [](CharacterForm& f) { f.comment = Repeat("あ", 513); },
         "コメントが長すぎます"},
    };
    for (const Case& c : cases) {
        CharacterForm form;
        c.change(form);
        const Result<PatchFile> patch = BuildPatchFile(form, PatternSheet(), PlainExtensions());
        EXPECT_FALSE(patch.ok()) << c.name;
        EXPECT_EQ(patch.message(), c.message) << c.name;
    }
    const Result<PatchFile> noSheet =
        BuildPatchFile(CharacterForm{}, GifImage{}, PlainExtensions());
    EXPECT_EQ(noSheet.message(), "画像を指定してください。");
}

TEST(WriteCharacterPatchTest, AFinalBattleLineOf255BytesFits)
{
    CharacterForm form;
    form.lastBattleLine = Repeat("０", 127) + "あ";
    const PatchFile patch = Build(form);
    ASSERT_EQ(patch.records.size(), 9u);
    EXPECT_EQ(patch.records[8].data.size(), 255u);
    const Bytes file = Serialize(patch);
    EXPECT_EQ(file[kPatchHeadSize + 84 + 2], 0xFF);
    EXPECT_EQ(file.size(), kPatchHeadSize + 84 + 3 + 255);
}

TEST(SerializePatchFileTest, RefusesLengthsItCannotStore)
{
    PatchFile patch;
    patch.records.push_back({0x40, Bytes(256, 0x51)});
    EXPECT_EQ(SerializePatchFile(patch).message(), kTooLarge);

    patch.records = {{0x40, Bytes(255, 0x51)}};
    patch.comment = PatchComment{1, Bytes(1025, 'a')};
    EXPECT_EQ(SerializePatchFile(patch).message(), "コメントが長すぎます");

    patch.comment = PatchComment{1, Bytes(1024, 'a')};
    const Result<Bytes> fits = SerializePatchFile(patch);
    ASSERT_TRUE(fits.ok());
    EXPECT_EQ(fits.value().size(), kPatchHeadSize + 3 + 255 + 3 + 1024);

    patch.records.push_back({kCommentRecord, Bytes{0x61}});
    EXPECT_FALSE(SerializePatchFile(patch).ok());
}

TEST(WriteCharacterPatchTest, WritesTheFileOrReportsThatItCannot)
{
    const test::TempDir dir;
    const CharacterForm form = FullForm();
    const GifImage sheet = PatternSheet();
    const auto path = dir.path() / "out.vnp";
    ASSERT_TRUE(WriteCharacterPatch(path, form, sheet, PlainExtensions()).ok());
    EXPECT_EQ(test::ReadFileBytes(path), Serialize(Build(form)));

    const Status missingFolder =
        WriteCharacterPatch(dir.path() / "no" / "out.vnp", form, sheet, PlainExtensions());
    EXPECT_EQ(missingFolder.message(), "ファイルが開けません。");

    CharacterForm bad = form;
    bad.name = "■";
    EXPECT_FALSE(WriteCharacterPatch(path, bad, sheet, PlainExtensions()).ok());
    EXPECT_EQ(test::ReadFileBytes(path), Serialize(Build(form))); // left as it was
}

// --- Reading ------------------------------------------------------------------------------

TEST(ParsePatchFileTest, ReadsTheHeadFields)
{
    const Bytes head = PatternHead();
    const PatchFile patch = Parse(head);
    EXPECT_TRUE(patch.hasMagic());
    EXPECT_TRUE(std::equal(patch.name.begin(), patch.name.end(), head.begin() + 3));
    EXPECT_EQ(patch.gender, head[11]);
    EXPECT_TRUE(std::equal(patch.title.begin(), patch.title.end(), head.begin() + 12));
    EXPECT_TRUE(std::equal(patch.palette.begin(), patch.palette.end(), head.begin() + 22));
    EXPECT_TRUE(std::equal(patch.tiles.begin(), patch.tiles.end(), head.begin() + 54));
    EXPECT_TRUE(patch.records.empty());
    EXPECT_FALSE(patch.comment.has_value());
    EXPECT_EQ(Serialize(patch), head);

    Bytes other = head;
    other[1] = 'X';
    EXPECT_FALSE(Parse(other).hasMagic());
}

TEST(ParsePatchFileTest, RefusesAFileShorterThanTheHead)
{
    const Bytes head = PatternHead();
    for (const std::size_t size : {std::size_t{0}, std::size_t{3}, kPatchHeadSize - 1}) {
        const Bytes bytes(head.begin(), head.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_EQ(ParsePatchFile(bytes).message(), "ファイルが壊れています。") << size;
    }
}

TEST(ParsePatchFileTest, WalksTheRecordsAsFarAsTheFileGoes)
{
    struct Case {
        const char* name;
        Bytes tail;
        std::vector<PatchRecord> records;
        std::optional<PatchComment> comment;
    };
    const Case cases[] = {
        {"CutInARecordHead", {0x01, 0x00}, {}, std::nullopt},
        {"CutInTheSecondRecordHead",
         {0x06, 0x00, 0x01, 0x21, 0x07},
         {{0x06, {0x21}}},
         std::nullopt},
        {"CutInRecordData", {0x01, 0x00, 0x0D, 0x11, 0x12}, {{0x01, {0x11, 0x12}}}, std::nullopt},
        {"AnAbsurdLengthAtTheEnd",
         {0x80, 0x00, 0xFF, 0x01, 0x51},
         {{0x80, {0x01, 0x51}}},
         std::nullopt},
        {"EmptyRecord",
         {0x82, 0x00, 0x00, 0x06, 0x00, 0x01, 0x01},
         {{0x82, {}}, {0x06, {0x01}}},
         std::nullopt},
        {"UnknownTypeInTheMiddle",
         {0x06, 0x00, 0x01, 0x01, 0x40, 0x00, 0x05, 1, 2, 3, 4, 5, 0x08, 0x00, 0x02, 0x80, 0x01},
         {{0x06, {0x01}}, {0x40, {1, 2, 3, 4, 5}}, {0x08, {0x80, 0x01}}},
         std::nullopt},
        // The second byte of a record head is not looked at.
        {"SecondHeadByteIgnored", {0x06, 0x07, 0x01, 0x01}, {{0x06, {0x01}}}, std::nullopt},
        {"CommentAtTheVeryEnd",
         {0x06, 0x00, 0x01, 0x01, 0xFF, 0x0A, 0x00},
         {{0x06, {0x01}}},
         PatchComment{10, {}}},
        {"CommentHeadCut", {0xFF, 0x0A}, {}, std::nullopt},
        {"CommentEndsTheWalk",
         {0xFF, 0x02, 0x01, 0x61, 0x62, 0x06, 0x00, 0x01, 0x01},
         {},
         PatchComment{0x0102, {0x61, 0x62, 0x06, 0x00, 0x01, 0x01}}},
    };
    for (const Case& c : cases) {
        const PatchFile patch = Parse(Concat({PatternHead(), c.tail}));
        EXPECT_EQ(patch.records, c.records) << c.name;
        EXPECT_EQ(patch.comment, c.comment) << c.name;
    }
}

TEST(ParsePatchFileTest, ACommentIsReadUpTo1024Bytes)
{
    Bytes file = Concat({PatternHead(), {0xFF, 0x00, 0x04}, Bytes(1030, 'a')});
    const PatchFile patch = Parse(file);
    ASSERT_TRUE(patch.comment.has_value());
    EXPECT_EQ(patch.comment->count, 0x0400);
    EXPECT_EQ(patch.comment->bytes, Bytes(1024, 'a'));
}

// Every prefix of a complete file is read without looking past its end, and what is read is
// the start of what the complete file holds.
TEST(ParsePatchFileTest, EveryCutOfAFileReadsAPrefixOfItsRecords)
{
    const Bytes file = Serialize(Build(FullForm()));
    const PatchFile full = Parse(file);
    for (std::size_t size = kPatchHeadSize; size <= file.size(); ++size) {
        const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
        const Result<PatchFile> patch = ParsePatchFile(cut);
        ASSERT_TRUE(patch.ok()) << size;
        const std::vector<PatchRecord>& records = patch.value().records;
        ASSERT_LE(records.size(), full.records.size()) << size;
        for (std::size_t i = 0; i < records.size(); ++i) {
            const Bytes& whole = full.records[i].data;
            ASSERT_EQ(records[i].type, full.records[i].type) << size;
            ASSERT_LE(records[i].data.size(), whole.size()) << size;
            ASSERT_TRUE(std::equal(records[i].data.begin(), records[i].data.end(), whole.begin()))
                << size;
        }
        CharacterForm form;
        GifImage sheet;
        EXPECT_TRUE(LoadPatchIntoForm(patch.value(), form, sheet, PlainExtensions()).ok()) << size;
    }
}

TEST(PatchRecordTest, PaddedCutsOrFills)
{
    const PatchRecord record{0x01, {1, 2, 3}};
    EXPECT_EQ(record.padded(5, 0xFF), (Bytes{1, 2, 3, 0xFF, 0xFF}));
    EXPECT_EQ(record.padded(2, 0x00), (Bytes{1, 2}));
    EXPECT_EQ(record.padded(0, 0x00), Bytes{});
}

TEST(PatchRecordTest, FullLengthsOfTheFixedRecords)
{
    const std::pair<std::uint8_t, std::size_t> cases[] = {
        {1, 13}, {2, 10}, {3, 8}, {4, 8},    {5, 15},   {6, 1},    {7, 3},
        {8, 2},  {0, 0},  {9, 0}, {0x80, 0}, {0x83, 0}, {0xFF, 0},
    };
    for (const auto& [type, length] : cases) {
        EXPECT_EQ(FullRecordLength(type), length) << int(type);
    }
}

TEST(PatchFileTest, FindGivesTheFirstRecordOfAType)
{
    PatchFile patch;
    patch.records = {{0x06, {1}}, {0x40, {2}}, {0x06, {3}}};
    ASSERT_NE(patch.find(0x06), nullptr);
    EXPECT_EQ(patch.find(0x06)->data, Bytes{1});
    EXPECT_EQ(patch.find(0x41), nullptr);
}

// --- Loading into the form ----------------------------------------------------------------

Status Load(const PatchFile& patch, CharacterForm& form, GifImage& sheet)
{
    return LoadPatchIntoForm(patch, form, sheet, PlainExtensions());
}

TEST(LoadPatchIntoFormTest, AFullPatchGivesBackEveryField)
{
    const CharacterForm original = FullForm();
    const GifImage originalSheet = PatternSheet();
    const Result<PatchFile> built = BuildPatchFile(original, originalSheet, PlainExtensions());
    ASSERT_TRUE(built.ok()) << built.message();
    const PatchFile patch = Parse(Serialize(built.value()));

    CharacterForm form;
    GifImage sheet;
    ASSERT_TRUE(Load(patch, form, sheet).ok());
    ExpectSameForm(form, original);
    EXPECT_EQ(PaletteFromImage(sheet), PaletteFromImage(originalSheet));
    EXPECT_EQ(TilesFromImage(sheet), TilesFromImage(originalSheet));
    EXPECT_EQ(sheet.width, kSheetWidth);
    EXPECT_EQ(sheet.frames.size(), 1u);
}

TEST(LoadPatchIntoFormTest, TextsComeBackInTheirStoredForm)
{
    CharacterForm original = ShortConversations();
    original.name = "ﾅﾏｴ  ";
    original.firstLine = "ｱ\nい\n";
    original.firstOk = "はい \t";
    original.lastBattleLine = "さらば\r\n";
    CharacterForm form;
    GifImage sheet;
    ASSERT_TRUE(Load(Parse(Serialize(Build(original))), form, sheet).ok());
    EXPECT_EQ(form.name, "ナマエ");
    EXPECT_EQ(form.firstLine, "ア\r\nい");
    EXPECT_EQ(form.firstOk, "はい");
    EXPECT_EQ(form.lastBattleLine, "さらば");
}

TEST(LoadPatchIntoFormTest, APatchWithoutOptionalRecordsLeavesTheirFields)
{
    CharacterForm form = FullForm();
    form.name = "べつ";
    form.gender = 1;
    GifImage sheet = PatternSheet();
    const Bytes file = Serialize(Build(CharacterForm{}));
    ASSERT_EQ(file.size(), 7242u);
    ASSERT_TRUE(Load(Parse(file), form, sheet).ok());

    CharacterForm expected = FullForm();
    // The fields of the head and the eight fixed records take the fresh form's values...
    const CharacterForm fresh;
    expected.name = fresh.name;
    expected.title = fresh.title;
    expected.gender = fresh.gender;
    expected.attributes = fresh.attributes;
    expected.lp = fresh.lp;
    expected.guardianStar = fresh.guardianStar;
    expected.favouriteWeapon = fresh.favouriteWeapon;
    expected.sparkType = fresh.sparkType;
    expected.growthType = fresh.growthType;
    expected.initialMagic = fresh.initialMagic;
    expected.hp = fresh.hp;
    expected.levels = fresh.levels;
    expected.levelGrowth = fresh.levelGrowth;
    expected.earthSchool = fresh.earthSchool;
    expected.heavenSchool = fresh.heavenSchool;
    expected.weapons = fresh.weapons;
    expected.armours = fresh.armours;
    expected.techniques = fresh.techniques;
    expected.spells = fresh.spells;
    expected.growthRates = fresh.growthRates;
    expected.purchaseBan = fresh.purchaseBan;
    expected.formation = fresh.formation;
    expected.exclusiveWeapon = fresh.exclusiveWeapon;
    expected.commander = fresh.commander;
    expected.weaponCost = fresh.weaponCost;
    expected.magicCost = fresh.magicCost;
    // ...the music returns to item 0, and conversations, final battle and comment stay.
    expected.talkMusic = 0;
    ExpectSameForm(form, expected);
}

TEST(LoadPatchIntoFormTest, ShortRecordsReadTheirMissingBytesAsZero)
{
    CharacterForm form = FullForm();
    GifImage sheet;
    PatchFile patch = Parse(PatternHead());
    patch.name = {0x51, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50, 0x50};
    patch.title.fill(0x50);
    patch.records = {
        {kStatusRecord, {20, 21, 22, 23, 24, 25, 26, 27, 2, 3, 4}},
        {kLevelRecord, {0x2C, 0x01, 0x85}},
        {kSkillRecord, {0x10}},
        {kGrowthRecord, {1, 2}},
        {kCostRecord, {}},
    };
    ASSERT_TRUE(Load(patch, form, sheet).ok());
    EXPECT_EQ(form.attributes,
              (std::array<std::string, 7>{"20", "21", "22", "23", "24", "25", "26"}));
    EXPECT_EQ(form.lp, "27");
    EXPECT_EQ(form.guardianStar, 2);
    EXPECT_EQ(form.favouriteWeapon, 3);
    EXPECT_EQ(form.sparkType, 4);
    EXPECT_EQ(form.growthType, 0);
    EXPECT_EQ(form.initialMagic, 0);
    EXPECT_EQ(form.hp, "300");
    EXPECT_FALSE(form.levelGrowth[0]);
    EXPECT_EQ(form.levels, (std::array<std::string, 8>{"5", "0", "0", "0", "0", "0", "0", "0"}));
    EXPECT_EQ(form.levelGrowth,
              (std::array<bool, 9>{false, true, false, false, false, false, false, false, false}));
    EXPECT_EQ(form.earthSchool, 0);
    EXPECT_EQ(form.heavenSchool, 0);
    // Code 0 is in neither list, so the slots show "none".
    EXPECT_EQ(form.techniques,
              (std::array<std::uint8_t, 4>{0x10, kNoItemCode, kNoItemCode, kNoItemCode}));
    EXPECT_EQ(form.spells,
              (std::array<std::uint8_t, 4>{kNoItemCode, kNoItemCode, kNoItemCode, kNoItemCode}));
    EXPECT_EQ(form.growthRates[0], "1");
    EXPECT_EQ(form.growthRates[1], "2");
    EXPECT_EQ(form.growthRates[14], "0");
    EXPECT_EQ(form.weaponCost, (std::array<bool, 8>{}));
    EXPECT_EQ(form.magicCost, (std::array<bool, 6>{}));
    // Records the patch does not hold leave their fields.
    EXPECT_EQ(form.weapons, FullForm().weapons);
    EXPECT_EQ(form.purchaseBan, FullForm().purchaseBan);
}

TEST(LoadPatchIntoFormTest, LevelBytesAreMaskedAndTheirSchoolsSelected)
{
    struct Case {
        std::uint8_t earth;
        std::uint8_t heaven;
        int earthSchool;
        const char* earthLevel;
        int heavenSchool;
        const char* heavenLevel;
    };
    const Case cases[] = {
        {0x00, 0x00, 0, "0", 0, "0"},
        {0x3F, 0x3F, 1, "31", 1, "31"},
        {0x45, 0x45, 2, "5", -1, "5"},
        {0xE1, 0xE1, 3, "1", -1, "1"},
    };
    for (const Case& c : cases) {
        CharacterForm form;
        GifImage sheet;
        PatchFile patch = Build(form);
        patch.records[1].data = {0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x00, 0x01, c.earth, c.heaven, 0xA0};
        ASSERT_TRUE(Load(patch, form, sheet).ok());
        EXPECT_EQ(form.hp, "32767");
        EXPECT_TRUE(form.levelGrowth[0]);
        EXPECT_EQ(form.levels[0], "127");
        EXPECT_EQ(form.levels[1], "127");
        EXPECT_EQ(form.levels[2], "0");
        EXPECT_EQ(form.levels[5], "32");
        EXPECT_EQ(form.earthSchool, c.earthSchool) << int(c.earth);
        EXPECT_EQ(form.levels[6], c.earthLevel) << int(c.earth);
        EXPECT_EQ(form.heavenSchool, c.heavenSchool) << int(c.heaven);
        EXPECT_EQ(form.levels[7], c.heavenLevel) << int(c.heaven);
        EXPECT_EQ(form.levelGrowth[7], (c.earth & 0x80) != 0);
        EXPECT_EQ(form.levelGrowth[8], (c.heaven & 0x80) != 0);
        EXPECT_EQ(form.levelGrowth[6], true); // 増幅 from byte 9
    }
}

TEST(LoadPatchIntoFormTest, CodesTheListsDoNotHoldSelectTheFirstItem)
{
    CharacterForm form = FullForm();
    GifImage sheet;
    PatchFile patch = Build(CharacterForm{});
    patch.records[0].data = {17, 17, 17, 17, 17, 17, 17, 10, 5, 9, 16, 8, 5};
    patch.records[3].data = {0x07, 0x5F, 0x16, 0x4C, 0x76, 0xDF, 0x00, 0xFF};
    patch.records[6].data = {0x0B, 0x01, 0x09};
    patch.records.push_back({kTalkMusicRecord, {0xFF}});
    ASSERT_TRUE(Load(patch, form, sheet).ok());
    EXPECT_EQ(form.guardianStar, 0);
    EXPECT_EQ(form.favouriteWeapon, 0);
    EXPECT_EQ(form.sparkType, 0);
    EXPECT_EQ(form.growthType, 0);
    EXPECT_EQ(form.initialMagic, 0);
    EXPECT_EQ(form.weapons,
              (std::array<std::uint8_t, 4>{kNoItemCode, 0x5F, kNoItemCode, kNoItemCode}));
    EXPECT_EQ(form.armours,
              (std::array<std::uint8_t, 4>{kNoItemCode, 0xDF, kNoItemCode, kNoItemCode}));
    EXPECT_EQ(form.formation, 0x00);
    EXPECT_EQ(form.exclusiveWeapon, kNoItemCode);
    EXPECT_EQ(form.commander, 0x00);
    EXPECT_EQ(form.talkMusic, 0);
}

TEST(LoadPatchIntoFormTest, GenderCodesSelectTheirItemOthersLeaveIt)
{
    const std::pair<std::uint8_t, int> cases[] = {
        {0x95, 0}, {0x55, 1}, {0x1F, 2}, {0xDF, 3}, {0x00, 2}, {0x96, 2},
    };
    for (const auto& [code, gender] : cases) {
        CharacterForm form;
        form.gender = 2;
        GifImage sheet;
        PatchFile patch = Build(CharacterForm{});
        patch.gender = code;
        ASSERT_TRUE(Load(patch, form, sheet).ok());
        EXPECT_EQ(form.gender, gender) << int(code);
    }
}

TEST(LoadPatchIntoFormTest, ConversationFlagsAndPiecesAsStored)
{
    struct Case {
        const char* name;
        Bytes data;
        bool secondChoice;
        int hpCondition;
        std::array<std::string, 8> texts; // Memo2 Edit57 Edit58 Memo3 Edit59 Edit60 Memo4 Memo5
    };
    const Case cases[] = {
        // What is not stored reads as empty pieces and zero flags.
        {"EndsAfterTheFirstFlag",
         {0x01, 0x51, 0x03, 0x6A, 0x52, 0x24, 0x01, 0x52, 0x01, 0x53, 0x00},
         false,
         0,
         {"あ", "はい", "い", "う", "", "", "", ""}},
        {"AnyNonZeroFlags",
         {0x01, 0x51, 0x00, 0x00, 0x00, 0x07, 0x01, 0x54, 0x00, 0x00, 0x05, 0x01, 0x55},
         true,
         2,
         {"あ", "", "", "", "え", "", "", "お"}},
        {"HpFlagOne", {0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01}, true, 1, {}},
        // A piece that does not decode (0x00 is no game text) stays empty.
        {"UndecodablePiece",
         {0x02, 0x51, 0x00, 0x01, 0x52},
         false,
         0,
         {"", "い", "", "", "", "", "", ""}},
        // A piece that runs past the record reads the cleared buffer and does not decode.
        {"PieceRunsPastTheRecord", {0x05, 0x51, 0x52}, false, 0, {}},
        // Line breaks go at both ends; a full-width space behind them stays.
        {"TrimmedAtBothEnds",
         {0x06, 0x24, 0x50, 0x51, 0x24, 0x52, 0x24},
         false,
         0,
         {"　あ\r\nい", "", "", "", "", "", "", ""}},
    };
    for (const Case& c : cases) {
        CharacterForm form = FullForm();
        GifImage sheet;
        PatchFile patch = Build(CharacterForm{});
        patch.records.push_back({kFirstTalkRecord, c.data});
        ASSERT_TRUE(Load(patch, form, sheet).ok()) << c.name;
        EXPECT_EQ(form.secondChoice, c.secondChoice) << c.name;
        EXPECT_EQ(form.hpCondition, c.hpCondition) << c.name;
        const std::array<std::string, 8> texts{form.firstLine,    form.firstOk,   form.firstNg,
                                               form.firstAfterOk, form.secondOk,  form.secondNg,
                                               form.joinLine,     form.refuseLine};
        EXPECT_EQ(texts, c.texts) << c.name;
        EXPECT_EQ(form.repeatLine, FullForm().repeatLine) << c.name;
    }
}

TEST(LoadPatchIntoFormTest, TheRepeatTalkAndFinalBattleRecords)
{
    CharacterForm form;
    GifImage sheet;
    PatchFile patch = Build(CharacterForm{});
    patch.records.push_back({kRepeatTalkRecord, kShortRepeatTalk});
    patch.records.push_back({kLastBattleRecord, {0x50, 0x51, 0x24, 0x52, 0x50}});
    ASSERT_TRUE(Load(patch, form, sheet).ok());
    EXPECT_EQ(form.repeatLine, "か");
    EXPECT_EQ(form.repeatOk, "はい");
    EXPECT_EQ(form.repeatNg, "いいえ");
    EXPECT_EQ(form.repeatAfterOk, "き");
    EXPECT_EQ(form.repeatAfterNg, "く");
    EXPECT_EQ(form.lastBattleLine, "あ\r\nい");

    patch.records.back().data = {0x51, 0x00};
    form.lastBattleLine = "まえ";
    ASSERT_TRUE(Load(patch, form, sheet).ok());
    EXPECT_EQ(form.lastBattleLine, "");
}

TEST(LoadPatchIntoFormTest, TheCommentIsReadUpToItsFirstZeroInEitherCharacterSet)
{
    // Line breaks show as the editor's LF: CR LF as stored, and the LF or CR of older files.
    const std::pair<Bytes, std::string> cases[] = {
        {{0x82, 0xA0, 0x00, 0x82, 0xA2}, "あ"},
        {{0x82, 0xA0, 0x0D, 0x0A, 0xB1}, "あ\nｱ"},
        {{0x82, 0xA0, 0x0A, 0x0A, 0xB1}, "あ\n\nｱ"},
        {{0x61, 0x0D, 0x62, 0x0D, 0x0A, 0x0D}, "a\nb\n\n"},
        {{0xE3, 0x81, 0x82, 0x61}, "あa"},
        // Half-width katakana whose bytes happen to be UTF-8 ("ý") are read as written.
        {{0x2F, 0xC3, 0xBD, 0x2E}, "/ﾃｽ."},
        {{}, ""},
        {{0x00, 0x61}, ""},
    };
    for (const auto& [bytes, comment] : cases) {
        CharacterForm form;
        form.comment = "まえ";
        GifImage sheet;
        PatchFile patch = Parse(Serialize(Build(CharacterForm{})));
        patch.comment = PatchComment{99, bytes};
        ASSERT_TRUE(Load(patch, form, sheet).ok());
        EXPECT_EQ(form.comment, comment);
    }
}

TEST(WriteCharacterPatchTest, ATwoLineCommentIsStoredWithCrLfAndLoadsBackAsTwoLines)
{
    test::TempDir dir;
    CharacterForm form;
    form.comment = "一行目\n二行目";
    GifImage sheet;
    const auto path = dir.path() / "two.vnp";
    ASSERT_TRUE(WriteCharacterPatch(path, form, PatternSheet(), PlainExtensions()).ok());
    const Bytes file = test::ReadFileBytes(path);
    const std::string cp932 = *Utf8ToCp932("一行目\r\n二行目");
    const Bytes stored(cp932.begin(), cp932.end());
    ASSERT_GE(file.size(), stored.size());
    EXPECT_EQ(Bytes(file.end() - static_cast<std::ptrdiff_t>(stored.size()), file.end()), stored);

    CharacterForm loaded;
    ASSERT_TRUE(LoadCharacterPatch(path, loaded, sheet, PlainExtensions()).ok());
    EXPECT_EQ(loaded.comment, "一行目\n二行目");
}

TEST(LoadPatchIntoFormTest, ANameOrTitleThatDoesNotDecodeFails)
{
    CharacterForm form = FullForm();
    GifImage sheet = PatternSheet();
    PatchFile patch = Build(CharacterForm{});
    patch.name[0] = 0x00;
    Status status = Load(patch, form, sheet);
    EXPECT_EQ(status.message(), "名前に不正なコードが含まれています。");
    EXPECT_TRUE(sheet.frames.empty());
    ExpectSameForm(form, FullForm());

    patch = Build(CharacterForm{});
    patch.title[9] = 0x20; // a lead byte without its second byte
    status = Load(patch, form, sheet);
    EXPECT_EQ(status.message(), "肩書きに不正なコードが含まれています。");
    EXPECT_TRUE(sheet.frames.empty());
    CharacterForm expected = FullForm();
    expected.name = "名無しさん";
    expected.gender = 0;
    ExpectSameForm(form, expected);
}

TEST(LoadPatchIntoFormTest, ExtensionCharactersNeedTheTableSwitchedOn)
{
    ExtensionTable extensions;
    extensions.chars = U"①";
    CharacterForm original;
    original.name = "な①";
    const Result<PatchFile> patch = BuildPatchFile(original, PatternSheet(), extensions);
    ASSERT_TRUE(patch.ok());
    CharacterForm form;
    GifImage sheet;
    ASSERT_TRUE(LoadPatchIntoForm(patch.value(), form, sheet, extensions).ok());
    EXPECT_EQ(form.name, "な①");
    extensions.enabled = false;
    EXPECT_EQ(LoadPatchIntoForm(patch.value(), form, sheet, extensions).message(),
              "名前に不正なコードが含まれています。");
}

TEST(LoadCharacterPatchTest, ReadsAFileOrReportsThatItCannot)
{
    const test::TempDir dir;
    const CharacterForm original = FullForm();
    const auto path = dir.write("in.vnp", Serialize(Build(original)));
    CharacterForm form;
    GifImage sheet;
    ASSERT_TRUE(LoadCharacterPatch(path, form, sheet, PlainExtensions()).ok());
    ExpectSameForm(form, original);

    const Status missing =
        LoadCharacterPatch(dir.path() / "none.vnp", form, sheet, PlainExtensions());
    EXPECT_EQ(missing.message(), "ファイルが開けません。");
    EXPECT_TRUE(sheet.frames.empty());

    const auto shortFile = dir.write("short.vnp", Bytes(100, 0x50));
    sheet = PatternSheet();
    EXPECT_EQ(LoadCharacterPatch(shortFile, form, sheet, PlainExtensions()).message(),
              "ファイルが壊れています。");
    EXPECT_TRUE(sheet.frames.empty());
    ExpectSameForm(form, original);
}

// --- Conversation records as the event scripts read them ------------------------------------

TEST(ParseFirstTalkTest, ReadsPiecesAndFlagsWithinTheData)
{
    const Bytes data{0x01, 0x51, 0x00, 0x02, 0x52, 0x53, 0x00, 0x03,
                     0x01, 0x54, 0x00, 0x01, 0x55, 0x02, 0x02, 0x56};
    const FirstTalk talk = ParseFirstTalk(data);
    EXPECT_EQ(talk.opening[0], Bytes{0x51});
    EXPECT_EQ(talk.opening[1], Bytes{});
    EXPECT_EQ(talk.opening[2], (Bytes{0x52, 0x53}));
    EXPECT_EQ(talk.opening[3], Bytes{});
    EXPECT_TRUE(talk.secondChoice);
    EXPECT_EQ(talk.second[0], Bytes{0x54});
    EXPECT_EQ(talk.second[1], Bytes{});
    EXPECT_EQ(talk.second[2], Bytes{0x55});
    EXPECT_EQ(talk.hpCondition, 2);
    EXPECT_EQ(talk.refuseLine, Bytes{0x56}); // cut at the end of the data

    const FirstTalk empty = ParseFirstTalk({});
    EXPECT_FALSE(empty.secondChoice);
    EXPECT_EQ(empty.hpCondition, 0);
    EXPECT_EQ(empty.refuseLine, Bytes{});
}

TEST(ParseRepeatTalkTest, ReadsFivePiecesAndCutsAtTheEnd)
{
    const auto pieces = ParseRepeatTalk(kShortRepeatTalk);
    EXPECT_EQ(pieces[0], Bytes{0x56});
    EXPECT_EQ(pieces[1], (Bytes{0x6A, 0x52, 0x24}));
    EXPECT_EQ(pieces[4], Bytes{0x58});

    const auto cut = ParseRepeatTalk(Bytes{0x01, 0x56, 0xFF, 0x6A});
    EXPECT_EQ(cut[0], Bytes{0x56});
    EXPECT_EQ(cut[1], Bytes{0x6A});
    EXPECT_EQ(cut[2], Bytes{});
    EXPECT_EQ(cut[4], Bytes{});
}

} // namespace
} // namespace varn
