// An enemy read and applied unchanged — the form as the page reads it, and the text file of
// `enemy dump` read back onto the enemy — writes back every byte it read, except the fields
// the apply normalises: the unused bits of record bytes 2 and 24 and of the equipment high
// bits (written as 0), a pattern choice code 14-1E (shown and written as 1F), and an equipment
// byte whose index rule leads to an entry of another item (that item is written).

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "EnemyTestSupport.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyFormText.h"
#include "enemy/EnemyImageReads.h"
#include "enemy/EnemyLists.h"
#include "enemy/EnemyRecord.h"
#include "enemy/EnemyTables.h"
#include "enemy/LoadEnemy.h"
#include "rom/HexText.h"
#include "rom/RomStream.h"

namespace varn {
namespace {

using test::Bytes;
using test::GameText;
using test::Put;

// Where the index rule of an equipment list leads a stored byte and high bit: the item of the
// entry it names, or the stored value when it names none. Written from the rule itself:
// entry 0 for 0xFF, else (b - first + 1) + count·h, entries 1 to count being first … and
// count + 1 to 2·count the same plus 0x100.
int LedTo(int first, int count, int low, bool high)
{
    if (low == 0xFF)
        return 0xFF;
    const int index = (low - first + 1) + (high ? count : 0);
    if (index < 1 || index > 2 * count)
        return (high ? 0x100 : 0) + low;
    return index <= count ? first + index - 1 : 0x100 + first + (index - count) - 1;
}

constexpr int kFirst[] = {0x08, 0x08, 0x50, 0x60, 0x60};
constexpr int kCount[] = {72, 72, 16, 128, 128};

// What an unchanged apply should leave at each byte of the enemy's record and high-bits byte;
// everything else it writes must be what the image holds.
std::map<std::uint64_t, std::uint8_t> Normalised(const Bytes& image, int enemy)
{
    std::map<std::uint64_t, std::uint8_t> expected;
    const std::uint64_t record = EnemyRecordOffset(enemy);
    const std::uint64_t highBits = EquipmentHighBitsOffset(enemy);
    expected[record + 2] = image[record + 2] & 0xC0;
    const int choice = image[record + 3] & 0x1F;
    expected[record + 3] = static_cast<std::uint8_t>((image[record + 3] & 0xE0) |
                                                     (choice >= 0x14 ? 0x1F : choice));
    expected[record + 24] = image[record + 24] & 0xC0;
    std::uint8_t high = 0;
    for (int slot = 0; slot < 5; ++slot) {
        const bool stored = (image[highBits] & kEquipmentHighBitMasks[static_cast<std::size_t>(slot)]) != 0;
        const int item = LedTo(kFirst[slot], kCount[slot], image[record + 19 + slot], stored);
        expected[record + 19 + slot] = static_cast<std::uint8_t>(item);
        if (item & 0x100)
            high |= kEquipmentHighBitMasks[static_cast<std::size_t>(slot)];
    }
    expected[highBits] = high;
    return expected;
}

// What kinds of cases a run met, so that a run that missed one is seen.
struct Seen {
    std::set<std::string> kinds;
};

// Checks that the writes of an unchanged apply give back what the image holds, but for the
// normalised bytes, and notes what was met.
void ExpectUnchanged(const Bytes& image, int enemy, const std::vector<ImageWrite>& writes,
                     Seen& seen)
{
    const std::map<std::uint64_t, std::uint8_t> normalised = Normalised(image, enemy);
    for (const ImageWrite& write : writes) {
        for (std::size_t i = 0; i < write.bytes.size(); ++i) {
            const std::uint64_t offset = write.offset + i;
            const auto found = normalised.find(offset);
            const std::uint8_t expected = found != normalised.end() ? found->second : image[offset];
            ASSERT_EQ(write.bytes[i], expected)
                << "enemy " << HexDigits(enemy, 3) << " at 0x" << HexDigits(offset, 6);
            if (found != normalised.end() && expected != image[offset])
                seen.kinds.insert("normalised");
        }
    }
    const std::uint64_t record = EnemyRecordOffset(enemy);
    for (int slot = 0; slot < 5; ++slot) {
        const bool stored =
            (image[EquipmentHighBitsOffset(enemy)] & kEquipmentHighBitMasks[static_cast<std::size_t>(slot)]) != 0;
        const int low = image[record + 19 + slot];
        const int item = LedTo(kFirst[slot], kCount[slot], low, stored);
        seen.kinds.insert(item == (stored ? 0x100 : 0) + low ? "equipment kept"
                                                             : "equipment led to another item");
    }
}

// A random expanded image, and in it enemies set up so that the apply passes its checks: the
// status numbers within their ranges, every other byte random.
class EnemyRoundTripTest : public testing::Test {
protected:
    static Bytes RandomImage(std::mt19937& random)
    {
        Bytes image(test::RomImageBuilder::kExpandedSize);
        for (std::uint8_t& byte : image)
            byte = static_cast<std::uint8_t>(random());
        return image;
    }

    // Enemy `enemy` with equipment bytes `equipment` and their high bits, a name that is
    // random bytes or game text, and a two-attack slot naming it or none.
    static void SetUpEnemy(Bytes& image, std::mt19937& random, int enemy,
                           const std::array<int, 5>& equipment, const std::array<bool, 5>& high)
    {
        const std::uint64_t record = EnemyRecordOffset(enemy);
        const auto number = [&](int low, int top) {
            return static_cast<std::uint8_t>(low + random() % (top - low + 1));
        };
        const std::uint16_t hp = static_cast<std::uint16_t>(30 + random() % (65536 - 30));
        image[record + 4] = static_cast<std::uint8_t>(hp);
        image[record + 5] = static_cast<std::uint8_t>(hp >> 8);
        for (int i = 6; i <= 12; ++i)
            image[record + i] = number(5, 99);
        for (int i = 13; i <= 16; ++i)
            image[record + i] = number(1, 50);
        std::uint8_t highBits = static_cast<std::uint8_t>(random() & 0x13);
        for (std::size_t slot = 0; slot < 5; ++slot) {
            image[record + 19 + slot] = static_cast<std::uint8_t>(equipment[slot]);
            if (high[slot])
                highBits |= kEquipmentHighBitMasks[slot];
        }
        image[EquipmentHighBitsOffset(enemy)] = highBits;
        image[EnemyDropsOffset(enemy) + 8] = number(0, 255);
        if (random() % 2 == 0)
            Put(image, EnemyNameOffset(enemy), GameText("スライム", EnemyNameSize(enemy)));
        if (random() % 2 == 0)
            Put(image, TwoAttackSlotOffset(static_cast<int>(random() % kTwoAttackSlotCount)),
                Bytes{static_cast<std::uint8_t>(enemy), static_cast<std::uint8_t>(enemy >> 8)});
    }
};

TEST_F(EnemyRoundTripTest, AnEnemyAppliedUnchangedWritesBackWhatItRead)
{
    std::mt19937 random(20261210);
    Seen seen;
    constexpr int kImages = 4;
    constexpr int kPerImage = 128;
    for (int round = 0; round < kImages; ++round) {
        Bytes image = RandomImage(random);
        // Each enemy of the run gets its own equipment bytes; over the run every byte and high
        // bit passes through every slot.
        std::vector<int> enemies;
        for (int i = 0; i < kPerImage; ++i) {
            const int trial = round * kPerImage + i;
            int enemy = 0;
            do {
                enemy = static_cast<int>(random() % kEnemyCount);
            } while (std::find(enemies.begin(), enemies.end(), enemy) != enemies.end());
            enemies.push_back(enemy);
            std::array<int, 5> equipment{};
            std::array<bool, 5> high{};
            for (int slot = 0; slot < 5; ++slot) {
                equipment[static_cast<std::size_t>(slot)] = (trial + 53 * slot) & 0xFF;
                high[static_cast<std::size_t>(slot)] = (((trial >> 8) ^ slot) & 1) != 0;
            }
            SetUpEnemy(image, random, enemy, equipment, high);
        }
        MemoryRomStream stream(image, false);
        const EnemyLists lists = LoadEnemyLists(stream);
        for (const int enemy : enemies) {
            SCOPED_TRACE(testing::Message() << "enemy " << HexDigits(enemy, 3));
            EnemyForm form;
            form.enemy = enemy;
            ASSERT_TRUE(LoadEnemyRecord(stream, lists, form).ok());
            std::vector<ImageWrite> writes;
            const Status planned = PlanApplyEnemy(stream, form, nullptr, writes);
            ASSERT_TRUE(planned.ok()) << planned.message() << " " << planned.failure().control;
            ExpectUnchanged(image, enemy, writes, seen);
            if (form.twoAttack != 0)
                seen.kinds.insert("two-attack slot");
            if (DecodeGameName(form.nameField, ProcessExtensionTable()).empty())
                seen.kinds.insert("name that does not decode");
            if (form.patterns[0] >= kBasePatternCount)
                seen.kinds.insert("expansion pattern");

            // The text file of the same enemy, read back onto it, gives the same writes.
            const auto values = ParseEnemyFormText(EnemyFormText(form, lists));
            ASSERT_TRUE(values.ok()) << values.message();
            EnemyForm again;
            again.enemy = enemy;
            ASSERT_TRUE(LoadEnemyRecord(stream, lists, again).ok());
            ASSERT_TRUE(ApplyEnemyFormText(values.value(), stream, lists, again).ok());
            std::vector<ImageWrite> fromText;
            ASSERT_TRUE(PlanApplyEnemy(stream, again, nullptr, fromText).ok());
            ASSERT_EQ(fromText, writes);
        }
    }
    for (const char* kind : {"normalised", "equipment kept", "equipment led to another item",
                             "two-attack slot", "name that does not decode", "expansion pattern"})
        EXPECT_TRUE(seen.kinds.count(kind)) << kind;
}

// The text of a form read back gives the form; what cannot be read is refused with its line.
TEST(EnemyFormTextTest, TheTextOfAFormReadsBackAndRefusesWhatItCannotTake)
{
    EnemyForm form;
    form.enemy = 0x145;
    form.name = "ゴブ\nリン =x\\n";
    form.address = "5B6000";
    form.graphicNumber = 0x105 - kFirstNewGraphic;
    form.boxWidth = 3;
    form.boxHeight = 4;
    form.offsetX = 2;
    form.offsetY = 20;
    form.appearance = 0x13;
    form.hp = "4660";
    form.stats = {"11", "12", "13", "14", "15", "16", "17"};
    form.levels = {"21", "22", "23", "24"};
    form.recoveryElement = 7;
    form.resistances = {true, false, true, false, true};
    form.race = 0x1F;
    form.undead = true;
    form.equipment = {0x108, 0x005, 0x150, 0xFF, 0x1DF};
    form.noDisarm = {true, false};
    form.patterns = {0x120, 0x031};
    form.techniques = {{{0x1FF, 1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13, 14, 0x100}}};
    form.drops = {0xFFFF, 0xFD, 0xFF, 0x1FC};
    form.money = "44";
    form.patternChoice = 20;
    form.techniqueChoice = 7;
    form.twoAttack = 127;
    form.techniquesEnabled = {true, false};

    const std::string text = EnemyFormText(form, EnemyLists{});
    for (const char* line : {"name=ゴブ\\nリン =x\\\\n\n", "graphic_address=5B6000\n", "graphic_number=105\n",
                             "box_width=128\n", "offset_y=160\n", "weapon2=0005\n",
                             "armour2=01DF\n", "pattern1_technique1=1FF\n", "drop_100=FFFF\n",
                             "pattern_choice=1F\n", "technique_choice=E0\n", "two_attack=7E\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line << text;

    const auto values = ParseEnemyFormText(text);
    ASSERT_TRUE(values.ok()) << values.message();
    Bytes image = test::EnemyImage();
    MemoryRomStream stream(image, false);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm read;
    read.enemy = 0x145;
    ASSERT_TRUE(ApplyEnemyFormText(values.value(), stream, lists, read).ok());
    EXPECT_EQ(read, form);

    struct Case {
        std::string text;
        std::string problem;
    };
    const Case cases[] = {
        {"hp=100\nweapon1\n", "2行目: 「=」がありません。"},
        {"# a comment\n\nhealth=100\n", "3行目: 「health」という項目はありません。"},
        {"hp=100\r\nhp=200\r\n", "2行目: 「hp」が二度あります。"},
        {"weapon1=XYZ\n", "1行目: 「weapon1」の値「XYZ」は使えません。"},
        {"weapon1=0200\n", "1行目: 「weapon1」の値「0200」は使えません。"},
        {"drop_low=10000\n", "1行目: 「drop_low」の値「10000」は使えません。"},
        {"race=20\n", "1行目: 「race」の値「20」は使えません。"},
        {"undead=yes\n", "1行目: 「undead」の値「yes」は使えません。"},
        {"pattern_choice=14\n", "1行目: 「pattern_choice」の値「14」は使えません。"},
        {"technique_choice=21\n", "1行目: 「technique_choice」の値「21」は使えません。"},
        {"two_attack=7F\n", "1行目: 「two_attack」の値「7F」は使えません。"},
        {"offset_x=12\n", "1行目: 「offset_x」の値「12」は使えません。"},
        {"box_width=-32\n", "1行目: 「box_width」の値「-32」は使えません。"},
        {"graphic_number=200\n", "1行目: 「graphic_number」の値「200」は使えません。"},
    };
    for (const Case& c : cases) {
        const auto parsed = ParseEnemyFormText(c.text);
        EXPECT_EQ(parsed.message(), c.problem) << c.text;
    }
    EXPECT_EQ(ParseEnemyFormText(std::string(kMaxEnemyTextSize + 1, '#')).message(),
              kFileTooLargeMessage);
}

// Values the image's lists do not offer are refused on the image; a pattern given without its
// techniques shows the image's; keys left out keep the enemy's values.
TEST(EnemyFormTextTest, ValuesMeetTheListsOfTheImage)
{
    Bytes image = test::EnemyImage();
    Put(image, ActionPatternOffset(0x120), Bytes{1, 2, 3, 4, 5, 6, 7, 8});
    Put(image, TechniqueHighBitsOffset(0x120), Bytes{0x80});
    MemoryRomStream stream(image, false);
    const EnemyLists lists = LoadEnemyLists(stream);
    EnemyForm form;
    form.enemy = 0x145;
    ASSERT_TRUE(LoadEnemyRecord(stream, lists, form).ok());

    EnemyForm edited = form;
    const auto values = ParseEnemyFormText("hp=999\npattern1=0120\npattern2=0120\n");
    ASSERT_TRUE(values.ok());
    ASSERT_TRUE(ApplyEnemyFormText(values.value(), stream, lists, edited).ok());
    EXPECT_EQ(edited.hp, "999");
    EXPECT_EQ(edited.techniques[0], (std::array<int, 8>{1, 2, 3, 4, 5, 6, 7, 0x108}));
    // The shared pattern is edited through the first row.
    EXPECT_EQ(edited.techniques[1], edited.techniques[0]);
    EXPECT_EQ(edited.stats, form.stats);
    EXPECT_EQ(edited.equipment, form.equipment);

    const auto later = ParseEnemyFormText("pattern1=0120\npattern1_technique8=005\n");
    ASSERT_TRUE(ApplyEnemyFormText(later.value(), stream, lists, edited).ok());
    EXPECT_EQ(edited.techniques[0][7], 0x005);

    // An image of 4 MiB offers neither the expansion's patterns nor its two-attack list.
    Bytes plain = test::EnemyImage(test::RomImageBuilder::kPlainSize);
    MemoryRomStream plainStream(plain, false);
    const EnemyLists plainLists = LoadEnemyLists(plainStream);
    EnemyForm game;
    game.enemy = 0x010;
    for (const char* text : {"pattern2=0100\n", "two_attack=00\n"}) {
        const auto refused = ParseEnemyFormText(text);
        ASSERT_TRUE(refused.ok()) << text;
        const EnemyForm before = game;
        EXPECT_FALSE(ApplyEnemyFormText(refused.value(), plainStream, plainLists, game).ok())
            << text;
        EXPECT_EQ(game, before);
    }
}

} // namespace
} // namespace varn
