#include <gtest/gtest.h>

#include <span>

#include "rom/RomStream.h"
#include "spark/SparkTable.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "text/TextCodec.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A memory image that fails the test when anything asks it for bytes outside the image.
class GuardedRomStream : public MemoryRomStream {
public:
    using MemoryRomStream::MemoryRomStream;

    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) override
    {
        if (!contains(offset, out.size()))
            ADD_FAILURE() << "read of " << out.size() << " bytes at " << std::hex << offset
                          << " outside an image of " << size() << " bytes";
        return MemoryRomStream::readAt(offset, out);
    }
};

// A technique name as the game stores it: 10 bytes of game text padded with 0x50.
Bytes Name(std::string_view text)
{
    Bytes field(10);
    EXPECT_EQ(EncodeText(text, field), 0) << text;
    return field;
}

Bytes Mask(std::uint16_t mask)
{
    return {static_cast<std::uint8_t>(mask), static_cast<std::uint8_t>(mask >> 8)};
}

// An expanded image whose index list holds `entries` first and 0xFF after them.
RomImageBuilder ExpandedWithIndex(const Bytes& entries, std::size_t size = RomImageBuilder::kExpandedSize)
{
    Bytes list(kSparkIndexEntries, 0xFF);
    std::copy(entries.begin(), entries.end(), list.begin());
    RomImageBuilder builder = RomImageBuilder::Target(size);
    builder.bytes(kSparkIndexList, list);
    return builder;
}

std::vector<std::string> Labels(const SparkTable& table)
{
    std::vector<std::string> labels;
    for (const SparkRow& row : table.rows)
        labels.push_back(SparkRowLabel(row));
    return labels;
}

TEST(SparkTableTest, RowsOneAnd205AreTechniques0FAndDB)
{
    GuardedRomStream rom(RomImageBuilder::Target(RomImageBuilder::kPlainSize)
                             .bytes(0x3D2856, Name("ツルギ"))
                             .bytes(0x3E355D, Mask(0x0001))
                             .bytes(0x3D304E, Name("ヤリ"))
                             .bytes(0x3E36F5, Mask(0x8000))
                             .build());
    const SparkTable table = LoadSparkTable(rom);
    EXPECT_TRUE(table.loaded);
    // An image of exactly 4 MiB is not expanded: the 205 techniques and no more.
    ASSERT_EQ(table.rows.size(), 205u);
    const SparkRow& first = table.rows.front();
    EXPECT_EQ(first.code, 0x0F);
    EXPECT_FALSE(first.expansion);
    EXPECT_EQ(first.maskOffset, 0x3E355Du);
    EXPECT_EQ(first.mask, 0x0001);
    EXPECT_EQ(SparkRowLabel(first), "【0F】ツルギ");
    const SparkRow& last = table.rows.back();
    EXPECT_EQ(last.code, 0xDB);
    EXPECT_EQ(last.maskOffset, 0x3E36F5u);
    EXPECT_EQ(last.mask, 0x8000);
    EXPECT_EQ(SparkRowLabel(last), "【DB】ヤリ");
    for (std::size_t i = 0; i < table.rows.size(); ++i) {
        EXPECT_EQ(table.rows[i].code, static_cast<int>(0x0F + i));
        EXPECT_EQ(table.rows[i].maskOffset, 0x3E353F + 2 * (0x0F + i));
    }
}

TEST(SparkTableTest, MarksFollowTheMaskBits)
{
    struct Case {
        std::uint16_t mask;
        const char* marks; // one character per column, o for ○, x for ×
    };
    const Case cases[] = {
        {0x0001, "oxxxxxxxxxxxxxxx"}, {0x8000, "xxxxxxxxxxxxxxxo"}, {0x0000, "xxxxxxxxxxxxxxxx"},
        {0xFFFF, "oooooooooooooooo"}, {0x0A05, "oxoxxxxxxoxoxxxx"},
    };
    for (const Case& c : cases) {
        const SparkRow row{0x20, false, 0, "ヤリ", c.mask};
        const std::vector<std::string> cells = SparkGridCells(row);
        ASSERT_EQ(cells.size(), 17u);
        EXPECT_EQ(cells[0], "【20】ヤリ");
        for (int column = 1; column <= 16; ++column)
            EXPECT_EQ(cells[static_cast<std::size_t>(column)], c.marks[column - 1] == 'o' ? "○" : "×")
                << std::hex << c.mask << " column " << column;
    }
    EXPECT_EQ(SparkGridHeader(),
              (std::vector<std::string>{"技術名＼閃きタイプ", "太", "剣", "大", "斧", "棍", "小", "槍",
                                        "弓", "体", "汎1", "汎2", "月", "蒼", "朱", "白", "玄"}));
}

TEST(SparkTableTest, AnExpandedImageAddsTheUsedIndexEntriesInOrder)
{
    GuardedRomStream rom(ExpandedWithIndex({0xFF, 0x05, 0xFF, 0x30, 0x00})
                             .bytes(0x5BA032, Name("ホノオ"))
                             .bytes(0x5BF9CA, Mask(0x1234))
                             .bytes(0x5BA1E0, Name("カゼ"))
                             .bytes(0x5BFA20, Mask(0x8001))
                             .bytes(0x5BA000, Name("ミズ"))
                             .bytes(0x5BF9C0, Mask(0x0000))
                             .build());
    const SparkTable table = LoadSparkTable(rom);
    ASSERT_EQ(table.rows.size(), 205u + 3u);
    const std::vector<std::string> labels = Labels(table);
    EXPECT_EQ((std::vector<std::string>(labels.begin() + 205, labels.end())),
              (std::vector<std::string>{"【05】ホノオ", "【30】カゼ", "【00】ミズ"}));
    const SparkRow& five = table.rows[205];
    EXPECT_TRUE(five.expansion);
    EXPECT_EQ(five.code, 5);
    EXPECT_EQ(five.maskOffset, 0x5BF9CAu);
    EXPECT_EQ(five.mask, 0x1234);
    EXPECT_EQ(table.rows[206].mask, 0x8001);

    // Only 0xFF entries: no rows beyond the techniques.
    GuardedRomStream empty(ExpandedWithIndex({}).build());
    EXPECT_EQ(LoadSparkTable(empty).rows.size(), 205u);
}

TEST(SparkTableTest, RowsPastTheEndOfTheImageAreLeftOut)
{
    // The image ends inside the mask table: rows whose two mask bytes are there stay.
    const std::size_t cut = 0x3E353F + 2 * 0x30 + 1;
    GuardedRomStream rom(RomImageBuilder::Target(cut).build());
    const SparkTable table = LoadSparkTable(rom);
    ASSERT_EQ(table.rows.size(), static_cast<std::size_t>(0x30 - 0x0F));
    EXPECT_EQ(table.rows.back().code, 0x2F);

    // An image that ends before the tables has none of the rows, but a table all the same.
    GuardedRomStream small(RomImageBuilder::Target().build());
    const SparkTable none = LoadSparkTable(small);
    EXPECT_TRUE(none.loaded);
    EXPECT_TRUE(none.rows.empty());

    // An expanded image that ends inside the expansion masks: slots whose mask is there stay;
    // one that ends inside the index list reads the entries there.
    GuardedRomStream expanded(ExpandedWithIndex({0x07, 0x01, 0x06, 0x02}, 0x5BF9C0 + 2 * 6 + 1).build());
    const SparkTable partly = LoadSparkTable(expanded);
    ASSERT_EQ(partly.rows.size(), 207u);
    EXPECT_EQ(partly.rows[205].code, 1);
    EXPECT_EQ(partly.rows[206].code, 2);

    Bytes image = RomImageBuilder::Target(kSparkIndexList + 10).build();
    std::fill(image.begin() + kSparkIndexList, image.end(), 0x01);
    GuardedRomStream shortList(image);
    EXPECT_EQ(LoadSparkTable(shortList).rows.size(), 205u)
        << "the expansion names and masks lie past the end";
}

TEST(SparkTableTest, FlipsOnlyMarkCellsOfAnOpenImage)
{
    EXPECT_TRUE(IsSparkFlipKey('\r'));
    EXPECT_FALSE(IsSparkFlipKey('\n'));
    EXPECT_FALSE(IsSparkFlipKey(' '));

    SparkTable table{true, {{0x0F, false, 0x3E355D, "", 0x0000}, {0x10, false, 0x3E355F, "", 0xFFFF}}};
    const SparkTable before = table;
    EXPECT_TRUE(FlipSparkMark(table, false, 1, 1).empty()) << "no image open";
    EXPECT_TRUE(FlipSparkMark(table, true, 0, 1).empty()) << "the header row";
    EXPECT_TRUE(FlipSparkMark(table, true, 1, 0).empty()) << "the name column";
    EXPECT_TRUE(FlipSparkMark(table, true, 3, 1).empty()) << "past the last row";
    EXPECT_TRUE(FlipSparkMark(table, true, 1, 17).empty()) << "past the last column";
    EXPECT_EQ(table, before);

    EXPECT_EQ(FlipSparkMark(table, true, 1, 1), std::vector<int>{1});
    EXPECT_EQ(table.rows[0].mask, 0x0001);
    EXPECT_EQ(SparkGridCells(table.rows[0])[1], "○");
    EXPECT_EQ(FlipSparkMark(table, true, 1, 1), std::vector<int>{1});
    EXPECT_EQ(table.rows[0].mask, 0x0000);
    EXPECT_EQ(FlipSparkMark(table, true, 2, 16), std::vector<int>{2});
    EXPECT_EQ(table.rows[1].mask, 0x7FFF);

    // A table that was not loaded has no rows to flip.
    SparkTable notLoaded;
    EXPECT_TRUE(FlipSparkMark(notLoaded, true, 1, 1).empty());
}

TEST(SparkTableTest, RowsSharingOneMaskFlipTogether)
{
    GuardedRomStream rom(ExpandedWithIndex({0x05, 0x09, 0x05}).bytes(0x5BF9CA, Mask(0x0010)).build());
    SparkTable table = LoadSparkTable(rom);
    ASSERT_EQ(table.rows.size(), 208u);
    EXPECT_EQ(FlipSparkMark(table, true, 206, 1), (std::vector<int>{206, 208}));
    EXPECT_EQ(table.rows[205].mask, 0x0011);
    EXPECT_EQ(table.rows[207].mask, 0x0011);
    ASSERT_TRUE(WriteSparkMasks(rom, table).ok());
    EXPECT_EQ((Bytes(rom.bytes().begin() + 0x5BF9CA, rom.bytes().begin() + 0x5BF9CC)), Mask(0x0011));
}

TEST(SparkTableTest, AFreshTableIsWrittenBackUnchanged)
{
    TempDir dir;
    const Bytes original = ExpandedWithIndex({0x05, 0x30, 0xFE}).build();
    const auto path = dir.write("rom.smc", original);
    const auto table = LoadSparkTable(path);
    ASSERT_TRUE(table.ok());
    ASSERT_EQ(table.value().rows.size(), 208u);
    ASSERT_TRUE(WriteSparkTable(path, table.value()).ok());
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(path)));
}

TEST(SparkTableTest, FlippedMarksReachTheImageByteForByte)
{
    TempDir dir;
    const Bytes original = ExpandedWithIndex({0xFF, 0x05})
                               .bytes(0x3E355D, Mask(0x0000))
                               .bytes(0x3E36F5, Mask(0xFFFF))
                               .bytes(0x5BF9CA, Mask(0x00F0))
                               .build();
    const auto path = dir.write("rom.smc", original);
    auto loaded = LoadSparkTable(path);
    ASSERT_TRUE(loaded.ok());
    SparkTable table = std::move(loaded).value();
    ASSERT_EQ(table.rows.size(), 206u);
    FlipSparkMark(table, true, 1, 1);   // 太 of technique 0F on
    FlipSparkMark(table, true, 1, 16);  // 玄 of technique 0F on
    FlipSparkMark(table, true, 205, 9); // 体 of technique DB off
    FlipSparkMark(table, true, 206, 5); // 棍 of slot 05 off
    FlipSparkMark(table, true, 206, 1); // 太 of slot 05 on
    ASSERT_TRUE(WriteSparkTable(path, table).ok());

    Bytes expected = original;
    const auto put = [&](std::size_t at, std::uint16_t mask) {
        expected[at] = static_cast<std::uint8_t>(mask);
        expected[at + 1] = static_cast<std::uint8_t>(mask >> 8);
    };
    put(0x3E355D, 0x8001);
    put(0x3E36F5, 0xFEFF);
    put(0x5BF9CA, 0x00E1);
    EXPECT_TRUE(test::SameBytes(expected, ReadFileBytes(path)));
}

TEST(SparkTableTest, WritingWithoutALoadedTableIsRefused)
{
    TempDir dir;
    const Bytes original = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    const auto path = dir.write("rom.smc", original);
    const SparkTable notLoaded; // the grid after an image of another game was opened
    const Status written = WriteSparkTable(path, notLoaded);
    EXPECT_EQ(written.message(), kSparkNotLoadedMessage);
    EXPECT_TRUE(test::SameBytes(original, ReadFileBytes(path)));
    MemoryRomStream rom(original);
    EXPECT_EQ(WriteSparkMasks(rom, notLoaded).message(), kSparkNotLoadedMessage);
    EXPECT_TRUE(test::SameBytes(original, rom.bytes()));

    EXPECT_EQ(WriteSparkTable("", notLoaded).message(), kSparkNoRomMessage);
    MemoryRomStream any(original);
    const SparkTable loaded = LoadSparkTable(any);
    EXPECT_EQ(WriteSparkTable("", loaded).message(), kSparkNoRomMessage);
    EXPECT_EQ(WriteSparkTable(dir.path() / "missing.smc", loaded).message(),
              kSparkCannotOpenRomMessage);
    EXPECT_EQ(WriteSparkTable(dir.path(), loaded).message(), kSparkCannotOpenRomMessage);
    EXPECT_FALSE(LoadSparkTable(dir.path() / "missing.smc").ok());
}

TEST(SparkTableTest, MasksTheImageNoLongerReachesAreRefusedBeforeAnyWrite)
{
    // A table read from an expanded image, written to a 4 MiB one (the file was replaced).
    MemoryRomStream expanded(ExpandedWithIndex({0x05}).build());
    SparkTable table = LoadSparkTable(expanded);
    ASSERT_EQ(table.rows.size(), 206u);
    FlipSparkMark(table, true, 1, 1);
    const Bytes plain = RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    MemoryRomStream rom(plain);
    EXPECT_EQ(WriteSparkMasks(rom, table).message(), kSparkOutsideImageMessage);
    EXPECT_TRUE(test::SameBytes(plain, rom.bytes())) << "not even the masks that fit are written";
}

} // namespace
} // namespace varn::test
