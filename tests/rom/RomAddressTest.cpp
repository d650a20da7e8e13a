#include <gtest/gtest.h>

#include "rom/RomAddress.h"
#include "rom/RomStream.h"

namespace varn {
namespace {

struct PointerCase {
    std::uint32_t pointer;
    std::uint32_t offset;
};

TEST(RomAddressTest, StoredPointersMapToFileOffsets)
{
    const PointerCase cases[] = {
        {0xC00000, 0x000000}, {0xC0FFC0, 0x00FFC0}, {0xFFFFFF, 0x3FFFFF},
        {0xC41234, 0x041234}, {0x400000, 0x400000}, {0x7FFFFF, 0x7FFFFF},
        {0x512345, 0x512345}, {0x80FFC0, 0x80FFC0}, {0xBF0001, 0xBF0001},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PointerToOffset(c.pointer), c.offset) << std::hex << c.pointer;
}

TEST(RomAddressTest, OffsetsAreStoredInTheHighBanksBelowFourMegabytes)
{
    const PointerCase cases[] = {
        {0xC00000, 0x000000},
        {0xFFFFFF, 0x3FFFFF},
        {0x400000, 0x400000},
        {0x500004, 0x500004},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OffsetToPointer(c.offset), c.pointer) << std::hex << c.offset;
        EXPECT_EQ(PointerToOffset(OffsetToPointer(c.offset)), c.offset);
    }
}

TEST(RomAddressTest, PointerBytesAreLowHighBank)
{
    constexpr std::array<std::uint8_t, 3> bytes{0x34, 0x12, 0xC5};
    EXPECT_EQ(PointerFromBytes(bytes), 0xC51234u);
    EXPECT_EQ(PointerBytes(0xC51234), bytes);
}

TEST(RomAddressTest, ExpandedMeansLargerThanFourMegabytes)
{
    EXPECT_FALSE(IsExpandedImage(MemoryRomStream(std::vector<std::uint8_t>(0x400000))));
    EXPECT_TRUE(IsExpandedImage(MemoryRomStream(std::vector<std::uint8_t>(0x400001))));
    EXPECT_FALSE(IsExpandedImageSize(0));
}

} // namespace
} // namespace varn
