#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <sstream>

#include "CharpatchTestSupport.h"
#include "charpatch/ApplyCharacterPatch.h"
#include "charpatch/RecruitEventScript.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn {
namespace {

using test::Bytes;
using test::RomImageBuilder;
using test::kRepeatTalk;

constexpr const char* kName = "hero.vnp";

Bytes Counting(std::size_t size, std::uint8_t first, std::uint8_t step = 1)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i * step);
    return bytes;
}

// First meeting: four pieces and a zero flag (the later meeting is kRepeatTalk).
const Bytes kFirstTalk{0x01, 0x51, 0x03, 0x6A, 0x52, 0x24, 0x04,
                       0x52, 0x52, 0x54, 0x24, 0x01, 0x53, 0x00};
const Bytes kLastBattle{0x60, 0x61, 0x24, 0x62};
constexpr std::uint8_t kMusic = 0x21;

// A patch in which every byte differs from the others near it, with all records in the order
// the editor writes them, so that a byte put in the wrong place is seen.
PatchFile TestPatch()
{
    PatchFile patch;
    std::copy_n(Counting(8, 0x60).begin(), 8, patch.name.begin());
    patch.gender = 0x55;
    std::copy_n(Counting(10, 0x70).begin(), 10, patch.title.begin());
    // Colours with every bit set in places, so clearing green shows.
    std::copy_n(Counting(32, 0xE1, 3).begin(), 32, patch.palette.begin());
    // Tiles repeat every 251 bytes: the pieces at 0x000, 0x200, 0x400 and so on all differ.
    for (std::size_t i = 0; i < patch.tiles.size(); ++i)
        patch.tiles[i] = static_cast<std::uint8_t>(i % 251);
    patch.records = {
        {kStatusRecord, Counting(13, 0x11)},  {kLevelRecord, Counting(10, 0x21)},
        {kSkillRecord, Counting(8, 0x31)},    {kEquipmentRecord, Counting(8, 0x41)},
        {kGrowthRecord, Counting(15, 0x81)},  {kPurchaseBanRecord, {0x3F}},
        {kSpecialRecord, {0xA1, 0xA2, 0xA3}}, {kCostRecord, {0xB1, 0xB2}},
        {kFirstTalkRecord, kFirstTalk},       {kRepeatTalkRecord, kRepeatTalk},
        {kLastBattleRecord, kLastBattle},     {kTalkMusicRecord, {kMusic}},
    };
    return patch;
}

const PatchRecord& Record(const PatchFile& patch, std::uint8_t type)
{
    const PatchRecord* record = patch.find(type);
    EXPECT_NE(record, nullptr) << int(type);
    static const PatchRecord none;
    return record ? *record : none;
}

// The image a patch should leave: the original with the expected writes put in.
class ExpectedImage {
public:
    explicit ExpectedImage(Bytes image) : image_(std::move(image)) {}

    void put(std::uint64_t offset, std::span<const std::uint8_t> bytes)
    {
        ASSERT_LE(offset + bytes.size(), image_.size());
        std::copy(bytes.begin(), bytes.end(), image_.begin() + static_cast<std::ptrdiff_t>(offset));
    }
    void put(std::uint64_t offset, std::uint8_t byte) { put(offset, std::span(&byte, 1)); }
    Bytes get(std::uint64_t offset, std::size_t count) const
    {
        const auto at = image_.begin() + static_cast<std::ptrdiff_t>(offset);
        return Bytes(at, at + static_cast<std::ptrdiff_t>(count));
    }
    const Bytes& bytes() const { return image_; }

private:
    Bytes image_;
};

// Where the records of a slot go: character block, growth block, cost block.
struct RecordSlot {
    std::uint64_t block;
    std::uint64_t growth;
    std::uint64_t cost;
    bool spells;
};

RecordSlot GameSlot(std::uint64_t s)
{
    return {0x3E0600 + 48 * s, 0x3E31BF + 16 * s, 0x3E373F + 2 * s, s > 0x07};
}

void ExpectRecords(ExpectedImage& image, const RecordSlot& slot, const PatchFile& patch)
{
    const Bytes status = Record(patch, kStatusRecord).data;
    const Bytes level = Record(patch, kLevelRecord).data;
    const Bytes skill = Record(patch, kSkillRecord).data;
    const Bytes equipment = Record(patch, kEquipmentRecord).data;
    const Bytes growth = Record(patch, kGrowthRecord).data;
    const Bytes special = Record(patch, kSpecialRecord).data;
    const std::uint64_t c = slot.block;
    image.put(c + 3, std::span(level).subspan(0, 2));
    image.put(c + 5, status[7]);
    image.put(c + 6, std::span(status).subspan(0, 7));
    image.put(c + 13, std::span(level).subspan(2, 8));
    image.put(c + 21, status[11]);
    image.put(c + 22, status[10]);
    image.put(c + 23, std::span(skill).subspan(0, slot.spells ? 8 : 4));
    image.put(c + 31, equipment);
    image.put(c + 39, special[0]);
    image.put(c + 40, status[8]);
    image.put(c + 41, status[12]);
    image.put(c + 42, status[9]);
    image.put(c + 43, special[1]);
    image.put(c + 45, Record(patch, kPurchaseBanRecord).data[0]);
    image.put(c + 46, special[2]);
    // Weapons (斬 打 突 射 体術), schools (蒼龍 朱鳥 白虎 玄武 太陽 月), then 増幅 WP JP HP.
    image.put(slot.growth, std::span(growth).subspan(3, 11));
    image.put(slot.growth + 12, growth[14]);
    image.put(slot.growth + 13, growth[1]);
    image.put(slot.growth + 14, growth[2]);
    image.put(slot.growth + 15, growth[0]);
    image.put(slot.cost, Record(patch, kCostRecord).data);
}

// The first offset where two images differ, for a readable failure.
std::string Difference(const Bytes& actual, const Bytes& expected)
{
    if (actual.size() != expected.size())
        return "size " + std::to_string(actual.size()) + " instead of " +
               std::to_string(expected.size());
    const auto [a, e] = std::mismatch(actual.begin(), actual.end(), expected.begin());
    if (a == actual.end())
        return "";
    std::ostringstream text;
    text << "first difference at 0x" << std::hex << (a - actual.begin()) << ": 0x" << int(*a)
         << " instead of 0x" << int(*e);
    return text.str();
}

Bytes Tiles(const PatchFile& patch, std::size_t from, std::size_t size)
{
    return Bytes(patch.tiles.begin() + static_cast<std::ptrdiff_t>(from),
                 patch.tiles.begin() + static_cast<std::ptrdiff_t>(from + size));
}

// The pieces of the sheet 0x0D and 0x0E keep right after it.
Bytes PiecesAfter0D(const PatchFile& p)
{
    Bytes out;
    const auto add = [&out](const Bytes& bytes) {
        out.insert(out.end(), bytes.begin(), bytes.end());
    };
    add(Tiles(p, 0x000, 96));
    add(Bytes(32, 0));
    add(Tiles(p, 0x200, 96));
    add(Bytes(64, 0));
    add(Tiles(p, 0x400, 96));
    add(Tiles(p, 0x620, 32));
    add(Tiles(p, 0x000, 32));
    add(Tiles(p, 0x040, 32));
    add(Bytes(32, 0));
    add(Tiles(p, 0x200, 32));
    add(Tiles(p, 0x240, 32));
    add(Bytes(64, 0));
    add(Tiles(p, 0x400, 32));
    add(Tiles(p, 0x440, 32));
    return out;
}

Bytes PiecesOf0F(const PatchFile& p)
{
    Bytes out;
    for (const std::size_t from : {0x10C0, 0x12C0, 0x14C0, 0x16C0}) {
        const Bytes piece = Tiles(p, from, 96);
        out.insert(out.end(), piece.begin(), piece.end());
    }
    return out;
}

struct TargetCase {
    const char* name;
    std::uint8_t target;
    std::vector<std::uint64_t> names;
    std::uint64_t gender;
    std::optional<std::uint64_t> title;
    std::vector<std::uint64_t> palettes; // where the palette goes unchanged
    std::uint64_t sheet;
    RecordSlot records;
    // Writes only some targets make.
    std::function<void(ExpectedImage&, const PatchFile&)> extra;
};

void PrintTo(const TargetCase& c, std::ostream* os)
{
    *os << c.name;
}

const TargetCase kTargetCases[] = {
    {"Target03",
     0x03,
     {0x3D1498},
     0x3E0692,
     std::nullopt,
     {0x2C8060},
     0x1A5520,
     GameSlot(0x03),
     nullptr},
    {"Target00",
     0x00,
     {0x3D1480},
     0x3E0602,
     std::nullopt,
     {0x2C8020},
     0x1A1C60,
     GameSlot(0x00),
     nullptr},
    // The last slot that keeps its spells and the first that takes them.
    {"Target07",
     0x07,
     {0x3D14B8},
     0x3E0752,
     0x3D1CA8,
     {0x2C80E0},
     0x1AC6A0,
     GameSlot(0x07),
     nullptr},
    {"Target08",
     0x08,
     {0x3D14C0},
     0x3E0782,
     0x3D1CB2,
     {0x2C8140},
     0x1B1C60,
     GameSlot(0x08),
     nullptr},
    {"Target05",
     0x05,
     {0x3D14A8},
     0x3E06F2,
     0x3D1C94,
     {0x2C8040},
     0x1A38C0,
     GameSlot(0x05),
     [](ExpectedImage& image, const PatchFile& p) {
         image.put(0x1A5480, Tiles(p, 0x10C0, 96)); // the graphics end at 0x1A54DF
     }},
    {"Target0D",
     0x0D,
     {0x3D14E8},
     0x3E0872,
     std::nullopt,
     {0x2C8180},
     0x1B5740,
     GameSlot(0x0D),
     [](ExpectedImage& image, const PatchFile& p) { image.put(0x1B7300, PiecesAfter0D(p)); }},
    {"Target0E",
     0x0E,
     {0x3D14F0},
     0x3E08A2,
     std::nullopt,
     {0x2C8160},
     0x1B38C0,
     GameSlot(0x0E),
     [](ExpectedImage& image, const PatchFile& p) {
         image.put(0x1B5480, PiecesAfter0D(p));
         Bytes pieces = Tiles(p, 0x000, 96);
         for (const std::size_t from : {0x200, 0x400}) {
             const Bytes piece = Tiles(p, from, 96);
             pieces.insert(pieces.end(), piece.begin(), piece.end());
         }
         image.put(0x21F780, pieces);
     }},
    {"Target0F",
     0x0F,
     {0x3D14F8},
     0x3E08D2,
     0x3D1CEE,
     {0x2C81E0},
     0x1BAE80,
     GameSlot(0x0F),
     [](ExpectedImage& image, const PatchFile& p) {
         Bytes dimmed(p.palette.begin(), p.palette.end());
         for (const std::size_t colour : {6, 7, 8}) {
             dimmed[2 * colour] &= 0x1F;
             dimmed[2 * colour + 1] &= 0xFC;
         }
         image.put(0x2C9680, dimmed);
         image.put(0x20FE40, PiecesOf0F(p));
         image.put(0x21F480, PiecesOf0F(p));
     }},
    // Character 0x12: nine names, gender in its own block, parameters in slot 0x21's blocks
    // and copied to the seven slots after it.
    {"Target12",
     0x12,
     {0x3D1510, 0x3D1588, 0x3D1590, 0x3D1598, 0x3D15A0, 0x3D15A8, 0x3D15B0, 0x3D15B8, 0x3D15C0},
     0x3E0962,
     0x3D1D0C,
     {0x2C8240},
     0x1C1C60,
     {0x3E0C30, 0x3E33CF, 0x3E3781, true},
     [](ExpectedImage& image, const PatchFile&) {
         const Bytes block = image.get(0x3E0C30, 48);
         const Bytes growth = image.get(0x3E33CF, 16);
         const Bytes cost = image.get(0x3E3781, 2);
         for (std::uint64_t s = 0x22; s <= 0x28; ++s) {
             const RecordSlot slot = GameSlot(s);
             image.put(slot.block, block);
             image.put(slot.growth, growth);
             image.put(slot.cost, cost);
         }
     }},
    // 0x1B is 0x07 again with its own palette and sheet.
    {"Target1B",
     0x1B,
     {0x3D14B8},
     0x3E0752,
     0x3D1CA8,
     {0x2C8D80},
     0x1FB1A0,
     GameSlot(0x07),
     nullptr},
    {"Target1C",
     0x1C,
     {0x3D1560},
     0x3E0B42,
     0x3D1D48,
     {0x2C93A0, 0x2C8380, 0x2C93C0},
     0x1D38C0,
     GameSlot(0x1C),
     nullptr},
    {"Target1D",
     0x1D,
     {0x3D1568},
     0x3E0B72,
     0x3D1D52,
     {0x2C8360, 0x2C96C0},
     0x1D1C60,
     GameSlot(0x1D),
     nullptr},
    {"Target1E",
     0x1E,
     {0x3D1570},
     0x3E0BA2,
     std::nullopt,
     {0x2C8340, 0x2C9520, 0x2C9540, 0x2C95E0},
     0x1D0000,
     GameSlot(0x1E),
     nullptr},
    {"Target1F",
     0x1F,
     {0x3D1578},
     0x3E0BD2,
     0x3D1D5C,
     {0x2C83A0, 0x2C96E0},
     0x1D5520,
     GameSlot(0x1F),
     nullptr},
    {"Target1A",
     0x1A,
     {0x3D1550},
     0x3E0AE2,
     0x3D1D34,
     {0x2C9580},
     0x21D820,
     GameSlot(0x1A),
     nullptr},
};

class ApplyToGameSlotTest : public testing::TestWithParam<TargetCase> {};

// The conversations, their music and the final-battle line belong to the additional slots
// only: for a game character they write nothing.
TEST_P(ApplyToGameSlotTest, WritesExactlyTheSlotsAreas)
{
    const TargetCase& c = GetParam();
    const PatchFile patch = TestPatch();
    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();

    ExpectedImage expected(original);
    for (const std::uint64_t name : c.names)
        expected.put(name, patch.name);
    expected.put(c.gender, patch.gender);
    if (c.title)
        expected.put(*c.title, patch.title);
    for (const std::uint64_t palette : c.palettes)
        expected.put(palette, patch.palette);
    expected.put(c.sheet, patch.tiles);
    ExpectRecords(expected, c.records, patch);
    if (c.extra)
        c.extra(expected, patch);

    MemoryRomStream rom(original);
    const Status status = ApplyCharacterPatch(rom, patch, kName, c.target);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(Difference(rom.bytes(), expected.bytes()), "");
}

INSTANTIATE_TEST_SUITE_P(Targets, ApplyToGameSlotTest, testing::ValuesIn(kTargetCases),
                         [](const auto& info) { return std::string(info.param.name); });

// An expanded image whose slot 3 sheet pointer (at 0x5A863D) points at 0x5C1240.
constexpr std::uint64_t kB3Sheet = 0x5C1240;
Bytes ExpandedImage()
{
    return RomImageBuilder(RomImageBuilder::kExpandedSize)
        .bytes(0x5A863D, {0x40, 0x12, 0x5C})
        .build();
}

// What applying TestPatch (or a patch with other records) to 0xB3 writes, without the scripts.
ExpectedImage ExpectedB3(const Bytes& original, const PatchFile& patch)
{
    ExpectedImage expected(original);
    expected.put(0x3D1A18, patch.name);
    expected.put(0x5A7A52, patch.gender);
    expected.put(0x3D237E, patch.title);
    expected.put(0x5A9DD0, patch.palette);
    expected.put(kB3Sheet, patch.tiles);
    if (patch.find(kStatusRecord))
        ExpectRecords(expected, {0x5A7A50, 0x5A7FF0, 0x5A81C6, true}, patch);
    if (const PatchRecord* line = patch.find(kLastBattleRecord)) {
        Bytes bytes = line->data;
        bytes.insert(bytes.end(), {0x2C, 0x2A, 0x2E});
        expected.put(0x558BED, bytes);
    }
    expected.put(0x5B0111, 0x07);
    return expected;
}

TEST(ApplyToAdditionalSlotTest, WritesTheSlotTheScriptsTheLineAndTheMarker)
{
    const PatchFile patch = TestPatch();
    const Bytes original = ExpandedImage();
    ExpectedImage expected = ExpectedB3(original, patch);
    // The music record stands after the conversations and still reaches the script.
    expected.put(0x559D10, LaterMeetingScript(kRepeatTalk, kMusic, 3));
    expected.put(0x559DBE, FirstMeetingScript(kFirstTalk, 3));

    MemoryRomStream rom(original);
    const Status status = ApplyCharacterPatch(rom, patch, kName, 0xB3);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(Difference(rom.bytes(), expected.bytes()), "");
    EXPECT_EQ(rom.bytes()[0x559D10], 0x1D); // the music command opens the later meeting
}

// Scripts are written only from both conversation records; the marker always.
TEST(ApplyToAdditionalSlotTest, ScriptsNeedBothConversationRecords)
{
    const Bytes original = ExpandedImage();
    const std::vector<std::uint8_t> kept[] = {
        {},
        {kFirstTalkRecord},
        {kRepeatTalkRecord},
        {kFirstTalkRecord, kTalkMusicRecord},
    };
    for (const auto& types : kept) {
        PatchFile patch = TestPatch();
        std::erase_if(patch.records, [&](const PatchRecord& record) {
            return record.type >= kFirstTalkRecord && record.type != kLastBattleRecord &&
                   std::find(types.begin(), types.end(), record.type) == types.end();
        });
        MemoryRomStream rom(original);
        ASSERT_TRUE(ApplyCharacterPatch(rom, patch, kName, 0xB3).ok());
        EXPECT_EQ(Difference(rom.bytes(), ExpectedB3(original, patch).bytes()), "")
            << types.size() << " conversation records";
    }
}

// The music counts wherever its record stands; one cut to nothing reads as 0xFF.
TEST(ApplyToAdditionalSlotTest, ConversationMusicFromAnywhereInTheFile)
{
    struct MusicCase {
        const char* name;
        std::vector<PatchRecord> records;
        std::uint8_t music;
    };
    const MusicCase cases[] = {
        {"BeforeTheConversations",
         {{kTalkMusicRecord, {0x30}},
          {kFirstTalkRecord, kFirstTalk},
          {kRepeatTalkRecord, kRepeatTalk}},
         0x30},
        {"None", {{kFirstTalkRecord, kFirstTalk}, {kRepeatTalkRecord, kRepeatTalk}}, 0x00},
        {"Empty",
         {{kFirstTalkRecord, kFirstTalk}, {kRepeatTalkRecord, kRepeatTalk}, {kTalkMusicRecord, {}}},
         0xFF},
    };
    const Bytes original = ExpandedImage();
    for (const MusicCase& c : cases) {
        PatchFile patch = TestPatch();
        patch.records = c.records;
        ExpectedImage expected = ExpectedB3(original, patch);
        expected.put(0x559D10, LaterMeetingScript(kRepeatTalk, c.music, 3));
        expected.put(0x559DBE, FirstMeetingScript(kFirstTalk, 3));
        MemoryRomStream rom(original);
        ASSERT_TRUE(ApplyCharacterPatch(rom, patch, kName, 0xB3).ok()) << c.name;
        EXPECT_EQ(Difference(rom.bytes(), expected.bytes()), "") << c.name;
    }
}

TEST(ApplyToAdditionalSlotTest, EachSlotHasItsOwnAreas)
{
    // Slot 9, the last one: sheet pointer at 0x5A8655, into the expanded area.
    const Bytes original =
        RomImageBuilder(RomImageBuilder::kExpandedSize).bytes(0x5A8655, {0x00, 0x80, 0x41}).build();
    const PatchFile patch = TestPatch();
    ExpectedImage expected(original);
    expected.put(0x3D1A48, patch.name);
    expected.put(0x5A7B72, patch.gender);
    expected.put(0x3D23BA, patch.title);
    expected.put(0x5A9E90, patch.palette);
    expected.put(0x418000, patch.tiles);
    ExpectRecords(expected, {0x5A7B70, 0x5A8050, 0x5A81D2, true}, patch);
    Bytes line = kLastBattle;
    line.insert(line.end(), {0x2C, 0x2A, 0x2E});
    expected.put(0x558E2D, line);
    expected.put(0x55A910, LaterMeetingScript(kRepeatTalk, kMusic, 9));
    expected.put(0x55A9BE, FirstMeetingScript(kFirstTalk, 9));
    expected.put(0x5B029B, 0x07);

    MemoryRomStream rom(original);
    ASSERT_TRUE(ApplyCharacterPatch(rom, patch, kName, 0xB9).ok());
    EXPECT_EQ(Difference(rom.bytes(), expected.bytes()), "");
}

// Bytes a short record lacks read as 0xFF and are written so, except growth type and initial
// magic, which keep the slot's own value when they read 0xFF.
TEST(ApplyRecordsTest, ShortStatusRecord)
{
    struct StatusCase {
        const char* name;
        Bytes record;
        // Expected bytes of C+5 to C+12, C+21, C+22, C+40, C+41, C+42 (nullopt: unchanged).
        std::array<std::optional<std::uint8_t>, 13> block;
    };
    const StatusCase cases[] = {
        {"ElevenBytes",
         Counting(11, 0x11),
         {0x18, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, std::nullopt, 0x1B, 0x19, std::nullopt,
          0x1A}},
        {"FiveBytes",
         Counting(5, 0x11),
         {0xFF, 0x11, 0x12, 0x13, 0x14, 0x15, 0xFF, 0xFF, std::nullopt, 0xFF, 0xFF, std::nullopt,
          0xFF}},
        {"GrowthTypeFF",
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xFF, 4},
         {8, 1, 2, 3, 4, 5, 6, 7, std::nullopt, 11, 9, 4, 10}},
    };
    constexpr std::array<std::size_t, 13> kFields{5, 6, 7, 8, 9, 10, 11, 12, 21, 22, 40, 41, 42};
    constexpr std::uint64_t kBlock = 0x3E0690; // slot 0x03
    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    for (const StatusCase& c : cases) {
        PatchFile patch = TestPatch();
        patch.records = {{kStatusRecord, c.record}};
        MemoryRomStream rom(original);
        ASSERT_TRUE(ApplyCharacterPatch(rom, patch, kName, 0x03).ok());
        for (std::size_t i = 0; i < kFields.size(); ++i) {
            const std::uint64_t at = kBlock + kFields[i];
            EXPECT_EQ(rom.bytes()[at], c.block[i].value_or(original[at]))
                << c.name << " C+" << kFields[i];
        }
    }
}

TEST(ApplyRecordsTest, RecordsApplyInFileOrderAndUnknownOnesAreSkipped)
{
    PatchFile patch = TestPatch();
    patch.records = {
        {kEquipmentRecord, Counting(8, 0x41)},
        {0x40, Counting(5, 0xEE)},
        {kEquipmentRecord, {0x91, 0x92}}, // short: the rest reads 0xFF
    };
    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    ExpectedImage expected(original);
    expected.put(0x3D1498, patch.name);
    expected.put(0x3E0692, patch.gender);
    expected.put(0x2C8060, patch.palette);
    expected.put(0x1A5520, patch.tiles);
    expected.put(0x3E0690 + 31, Bytes{0x91, 0x92, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});

    MemoryRomStream rom(original);
    ASSERT_TRUE(ApplyCharacterPatch(rom, patch, kName, 0x03).ok());
    EXPECT_EQ(Difference(rom.bytes(), expected.bytes()), "");
}

// Refused entries leave the image exactly as it was.
TEST(ApplyRefusalTest, RefusedBeforeTheFirstWrite)
{
    struct RefusalCase {
        const char* name;
        Bytes image;
        std::uint8_t target;
        std::string message;
    };
    const std::string missing = "追加キャラクターの領域がありません。\nhero.vnp";
    const RefusalCase cases[] = {
        {"AdditionalSlotOnPlainImage", RomImageBuilder(RomImageBuilder::kPlainSize).build(), 0xB0,
         missing},
        {"AdditionalSlotWithoutItsPointer", RomImageBuilder(0x5A8632).build(), 0xB0, missing},
        {"SheetPastTheEnd",
         RomImageBuilder(RomImageBuilder::kExpandedSize)
             .bytes(0x5A8631, {0x00, 0xF0, 0x5F})
             .build(),
         0xB0, missing},
        // An unprepared slot's pointer is zero; one into the first 4 MiB would overwrite the game.
        {"SheetPointerZero",
         RomImageBuilder(RomImageBuilder::kExpandedSize).bytes(0x5A8631, {0, 0, 0}).build(), 0xB0,
         missing},
        {"SheetPointerIntoTheGame",
         RomImageBuilder(RomImageBuilder::kExpandedSize)
             .bytes(0x5A8631, {0x00, 0x80, 0xE1})
             .build(),
         0xB0, missing},
        {"MarkerPastTheEnd", RomImageBuilder(0x5B0200).bytes(0x5A8655, {0x00, 0x00, 0x50}).build(),
         0xB9, missing},
        {"GameSlotOnShortImage", RomImageBuilder(0x3E0000).build(), 0x03,
         "キャラクターの領域がありません。\nhero.vnp"},
        {"SharedSlotsOnShortImage", RomImageBuilder(0x3E0C60).build(), 0x12,
         "キャラクターの領域がありません。\nhero.vnp"},
    };
    for (const RefusalCase& c : cases) {
        MemoryRomStream rom(c.image);
        const Status status = ApplyCharacterPatch(rom, TestPatch(), kName, c.target);
        EXPECT_EQ(status.message(), c.message) << c.name;
        EXPECT_TRUE(test::SameBytes(c.image, rom.bytes())) << c.name;
    }

    const Bytes image = ExpandedImage();
    for (const std::uint8_t target : {0x20, 0x21, 0x80, 0xAF, 0xBA, 0xFF}) {
        MemoryRomStream rom(image);
        const Status status = ApplyCharacterPatch(rom, TestPatch(), kName, target);
        EXPECT_EQ(status.message(), "適用先のキャラクターが正しくありません。\nhero.vnp")
            << int(target);
        EXPECT_TRUE(test::SameBytes(image, rom.bytes())) << int(target);
    }
}

TEST(ApplyRefusalTest, ConversationsLongerThanTheirAreasAreRefused)
{
    // Records the editor would never write: a 94-byte final-battle line (97 with its end
    // bytes, one more than its area) and a later meeting whose first piece alone makes a script
    // longer than its 174 bytes.
    PatchFile longLine = TestPatch();
    for (PatchRecord& record : longLine.records) {
        if (record.type == kLastBattleRecord)
            record.data.assign(94, 0x51);
    }
    PatchFile longScript = TestPatch();
    for (PatchRecord& record : longScript.records) {
        if (record.type == kRepeatTalkRecord) {
            record.data.assign(161, 0x51);
            record.data[0] = 160;
        }
    }
    const Bytes image = ExpandedImage();
    for (const PatchFile& patch : {longLine, longScript}) {
        MemoryRomStream rom(image);
        EXPECT_EQ(ApplyCharacterPatch(rom, patch, kName, 0xB3).message(),
                  "イベントの合計サイズが大きすぎます。\nhero.vnp");
        EXPECT_TRUE(test::SameBytes(image, rom.bytes()));
    }
    // The longest line that fits: 93 bytes and its three end bytes.
    PatchFile fitting = TestPatch();
    for (PatchRecord& record : fitting.records) {
        if (record.type == kLastBattleRecord)
            record.data.assign(93, 0x51);
    }
    MemoryRomStream rom(image);
    EXPECT_TRUE(ApplyCharacterPatch(rom, fitting, kName, 0xB3).ok());
}

TEST(ApplyRefusalTest, AWriteThatFailsIsAFailure)
{
    MemoryRomStream rom(RomImageBuilder(RomImageBuilder::kPlainSize).build(), false);
    const Status status = ApplyCharacterPatch(rom, TestPatch(), kName, 0x03);
    EXPECT_EQ(status.message(), "ファイルに書き込めません。\nhero.vnp");
}

TEST(ApplyTargetsTest, FortyTwoDistinctTargetsInListOrder)
{
    std::set<std::uint8_t> codes(kCharacterPatchTargets.begin(), kCharacterPatchTargets.end());
    EXPECT_EQ(codes.size(), 42u);
    for (int code = 0; code < 0x100; ++code) {
        const bool listed = code <= 0x1F || (code >= 0xB0 && code <= 0xB9);
        EXPECT_EQ(IsCharacterPatchTarget(static_cast<std::uint8_t>(code)), listed) << code;
    }
    EXPECT_EQ(kCharacterPatchTargets.front(), 0xB0);
    EXPECT_EQ(kCharacterPatchTargets[10], 0x08);
    EXPECT_EQ(kCharacterPatchTargets[29], 0x1C);
    EXPECT_EQ(kCharacterPatchTargets[33], 0x00);
    EXPECT_EQ(kCharacterPatchTargets.back(), 0x1B);
}

TEST(ApplyPatchFileTest, ReadsTheFileWithoutCheckingItsMagic)
{
    test::TempDir dir;
    PatchFile patch = TestPatch();
    patch.magic = {'X', 'Y', 'Z'};
    const auto bytes = SerializePatchFile(patch);
    ASSERT_TRUE(bytes.ok()) << bytes.message();
    const auto path = dir.write("hero.vnp", bytes.value());

    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    MemoryRomStream fromFile(original);
    ASSERT_TRUE(ApplyCharacterPatch(fromFile, path, 0x0F).ok());
    MemoryRomStream fromPatch(original);
    ASSERT_TRUE(ApplyCharacterPatch(fromPatch, patch, kName, 0x0F).ok());
    EXPECT_EQ(Difference(fromFile.bytes(), fromPatch.bytes()), "");
    EXPECT_NE(Difference(fromFile.bytes(), original), "");
}

TEST(ApplyPatchFileTest, AFileThatCannotBeUsedIsNamed)
{
    test::TempDir dir;
    const auto bytes = SerializePatchFile(TestPatch());
    ASSERT_TRUE(bytes.ok());
    const auto shortFile =
        dir.write("short.vnp", std::span(bytes.value()).subspan(0, kPatchHeadSize - 1));
    const std::pair<std::filesystem::path, std::string> cases[] = {
        {dir.path() / "missing.vnp", "ファイルが開けません。\nmissing.vnp"},
        {shortFile, "ファイルが壊れています。\nshort.vnp"},
    };
    const Bytes original = RomImageBuilder(RomImageBuilder::kPlainSize).build();
    for (const auto& [path, message] : cases) {
        MemoryRomStream rom(original);
        EXPECT_EQ(ApplyCharacterPatch(rom, path, 0x03).message(), message);
        EXPECT_TRUE(test::SameBytes(original, rom.bytes()));
    }
}

} // namespace
} // namespace varn
