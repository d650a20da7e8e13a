#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "rom/RomStream.h"
#include "rom/WritePlan.h"
#include "support/ByteCompare.h"

namespace varn {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The messages name the write refused, so that a test sees which one was.
std::string OutsideAt(std::size_t index)
{
    return "outside " + std::to_string(index);
}

std::string FailedAt(std::size_t index)
{
    return "failed " + std::to_string(index);
}

Status WriteNamingTheWrite(const WritePlan& plan, RomStream& image)
{
    return plan.writeTo(image, OutsideAt, FailedAt);
}

TEST(WritePlanTest, APlanWithAWriteOutsideTheImageWritesNothing)
{
    struct Case {
        const char* name;
        std::vector<ImageWrite> writes;
        std::size_t refused;
    };
    const Case cases[] = {
        {"one byte past the end", {{0, {1, 2}}, {14, {3, 4, 5}}}, 1},
        {"starting at the end", {{15, {1}}, {16, {2}}}, 1},
        {"starting far past the end", {{0x100000000, {1}}, {0, {2}}}, 0},
        {"offset and size wrapping round to the start",
         {{2, {1}}, {UINT64_MAX - 1, {9, 9, 9, 9}}, {3, {2}}},
         1},
        {"the last offset there is", {{UINT64_MAX, {7}}}, 0},
        {"the first of two outside is named", {{0, {1}}, {20, {2}}, {30, {3}}}, 1},
    };
    const Bytes original{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17,
                         0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WritePlan plan;
        for (const ImageWrite& write : c.writes)
            plan.add(write.offset, write.bytes);
        MemoryRomStream image(original);
        EXPECT_EQ(plan.firstOutside(image), c.refused);
        EXPECT_EQ(WriteNamingTheWrite(plan, image).message(), OutsideAt(c.refused));
        EXPECT_TRUE(test::SameBytes(original, image.bytes()));

        // The one-message form refuses alike.
        const Status refused = plan.writeTo(image, "past the end");
        EXPECT_FALSE(refused.ok());
        EXPECT_EQ(refused.message(), "past the end");
        EXPECT_TRUE(test::SameBytes(original, image.bytes()));
    }
}

TEST(WritePlanTest, WritesAreMadeInOrderAndALaterOneWins)
{
    WritePlan plan;
    const Bytes three{1, 2, 3};
    plan.add(1, three);
    plan.add(2, std::uint8_t{9});
    plan.add(0, Bytes{7, 7});
    plan.add(6, Bytes{5, 6}); // ends on the last byte of the image
    ASSERT_EQ(plan.size(), 4u);
    EXPECT_EQ(plan.writes()[0], (ImageWrite{1, {1, 2, 3}}));
    EXPECT_EQ(plan.writes()[1], (ImageWrite{2, {9}}));
    EXPECT_EQ(plan.writes()[3], (ImageWrite{6, {5, 6}}));

    MemoryRomStream image(Bytes(8, 0));
    EXPECT_EQ(plan.firstOutside(image), std::nullopt);
    ASSERT_TRUE(WriteNamingTheWrite(plan, image).ok());
    EXPECT_TRUE(test::SameBytes(Bytes{7, 7, 9, 3, 0, 0, 5, 6}, image.bytes()));
    EXPECT_EQ(image.size(), 8u);
}

TEST(WritePlanTest, AnEmptyPlanWritesNothingAndSucceeds)
{
    const WritePlan plan;
    EXPECT_TRUE(plan.empty());
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "writable" : "read-only");
        MemoryRomStream image(Bytes{1, 2, 3}, writable);
        EXPECT_EQ(plan.firstOutside(image), std::nullopt);
        EXPECT_TRUE(WriteNamingTheWrite(plan, image).ok());
        EXPECT_TRUE(test::SameBytes(Bytes{1, 2, 3}, image.bytes()));
    }
    MemoryRomStream none(Bytes{});
    EXPECT_TRUE(plan.writeTo(none, "outside").ok());
}

TEST(WritePlanTest, AStreamThatDoesNotWriteIsNamedByTheFirstWrite)
{
    WritePlan plan;
    plan.add(1, Bytes{9, 9});
    plan.add(0, std::uint8_t{8});
    MemoryRomStream readOnly(Bytes{1, 2, 3}, false);
    EXPECT_EQ(WriteNamingTheWrite(plan, readOnly).message(), FailedAt(0));
    EXPECT_TRUE(test::SameBytes(Bytes{1, 2, 3}, readOnly.bytes()));
    EXPECT_EQ(plan.writeTo(readOnly, "outside").message(), kCannotWriteFileMessage);

    // A write outside the image is named before the stream is asked to write.
    plan.add(3, std::uint8_t{0});
    EXPECT_EQ(WriteNamingTheWrite(plan, readOnly).message(), OutsideAt(2));
}

TEST(WritePlanTest, ReadsTheImageAsThePlanWillLeaveIt)
{
    const Bytes original{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    MemoryRomStream image(original);
    WritePlan plan;
    plan.add(1, Bytes{0xA1, 0xA2});             // ends just before the range read below
    plan.add(2, Bytes{0xB2, 0xB3, 0xB4});       // starts before it
    plan.add(4, Bytes{0xC4});                   // over the one before
    plan.add(6, Bytes{0xD6, 0xD7, 0xD8, 0xD9}); // runs past its end
    plan.add(UINT64_MAX - 1, Bytes{0xEE, 0xEE, 0xEE, 0xEE}); // wraps round to offset 2
    plan.add(20, Bytes{0xFF});                               // outside the image

    struct Case {
        std::uint64_t offset;
        std::size_t count;
        Bytes expected;
    };
    const Case cases[] = {
        {3, 4, {0xB3, 0xC4, 5, 0xD6}},
        {0, 3, {0, 0xA1, 0xB2}},
        {8, 2, {0xD8, 0xD9}},
        {5, 1, {5}},
        {0, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.offset << "+" << c.count);
        Bytes out(c.count, 0x55);
        ASSERT_TRUE(plan.readAsPlanned(image, c.offset, out));
        EXPECT_EQ(out, c.expected);
    }
    for (const std::uint64_t offset : {std::uint64_t{9}, std::uint64_t{10}, UINT64_MAX}) {
        Bytes two(2);
        EXPECT_FALSE(plan.readAsPlanned(image, offset, two)) << offset;
    }
    // Reading as planned changes nothing.
    EXPECT_TRUE(test::SameBytes(original, image.bytes()));
}

} // namespace
} // namespace varn
