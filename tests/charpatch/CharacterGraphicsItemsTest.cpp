// The list of the page "キャラグラフィック" and the sheets it reads, against the character slots
// a patch writes.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "charpatch/ApplyCharacterPatch.h"
#include "charpatch/CharacterGraphicsItems.h"
#include "charpatch/CharacterPatchFile.h"
#include "charpatch/ItemLists.h"
#include "graphics/CharacterSheetRom.h"
#include "rom/RomStream.h"
#include "support/DataFileText.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"
#include "text/TextCodec.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Hex(std::uint8_t code)
{
    constexpr const char* kDigits = "0123456789ABCDEF";
    return {kDigits[code >> 4], kDigits[code & 0x0F]};
}

class CharacterGraphicsItemsTest : public testing::Test {
protected:
    void TearDown() override { UseBuiltInItemLabels(); }
};

// The 32 fixed items: the page's order with 1B ninth, named as the patch list names the same
// characters.
TEST_F(CharacterGraphicsItemsTest, ThirtyTwoFixedItemsNamedAsTheCharacterSlots)
{
    const ItemList& items = CharacterSheetItems();
    const char* codes[] = {"00", "01", "02", "03", "04", "05", "06", "07", "1B", "08", "09",
                           "0A", "0B", "0C", "0D", "0E", "0F", "10", "11", "12", "13", "14",
                           "15", "16", "17", "18", "19", "1A", "1C", "1D", "1E", "1F"};
    ASSERT_EQ(items.size(), std::size(codes));
    const ItemList& targets = CharacterTargetItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(Hex(items[i].code), codes[i]);
        EXPECT_EQ(items[i].label, targets[ItemIndexOfCode(targets, items[i].code)].label);
        // The code is read back from characters 2 and 3 of the text.
        EXPECT_TRUE(items[i].label.starts_with(std::string("【") + codes[i] + "】"));
    }
    EXPECT_EQ(items[8].label, "【1B】人物1B");
}

TEST_F(CharacterGraphicsItemsTest, ReplacedLabelsNameTheFixedItems)
{
    const Result<ItemLabels> renamed = ParseItemLabels(LabelFileText(LabelEntries("新")));
    ASSERT_TRUE(renamed) << renamed.message();
    ASSERT_TRUE(InstallItemLabels(renamed.value()));
    EXPECT_EQ(CharacterSheetItems()[0].label, "【00】新人物00");
    EXPECT_EQ(CharacterSheetItems()[8].label, "【1B】新人物1B");
    UseBuiltInItemLabels();
    EXPECT_EQ(CharacterSheetItems()[8].label, "【1B】人物1B");
}

Bytes Name(std::string_view text)
{
    Bytes field(8);
    EXPECT_EQ(EncodeText(text, field), 0) << text;
    return field;
}

// 32 items on a 4 MiB image, 62 on an expanded one: B0 to CD named from the image, a name
// that does not decode left empty.
TEST_F(CharacterGraphicsItemsTest, ExtraCodesOnlyOnAnExpandedImage)
{
    MemoryRomStream plain(RomImageBuilder(RomImageBuilder::kPlainSize).build(), false);
    EXPECT_EQ(CharacterGraphicsItems(plain).size(), 32U);

    RomImageBuilder builder(RomImageBuilder::kExpandedSize);
    for (std::size_t n = 0; n < 30; ++n)
        builder.bytes(0x3D1A00 + 8 * n, Name("なまえ"));
    builder.bytes(0x3D1A00 + 8 * 29, Name("さいご"));
    builder.bytes(0x3D1A00 + 8 * 4, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    MemoryRomStream expanded(builder.build(), false);
    const ItemList items = CharacterGraphicsItems(expanded);
    ASSERT_EQ(items.size(), 62U);
    for (std::size_t i = 0; i < 32; ++i)
        EXPECT_EQ(items[i].label, CharacterSheetItems()[i].label);
    for (std::size_t n = 0; n < 30; ++n) {
        SCOPED_TRACE(n);
        const ListItem& item = items[32 + n];
        EXPECT_EQ(item.code, 0xB0 + n);
        const std::string name = n == 4 ? "" : n == 29 ? "さいご" : "なまえ";
        EXPECT_EQ(item.label, "【" + Hex(item.code) + "】" + name);
    }
    EXPECT_EQ(items.back().label, "【CD】さいご");
}

TEST_F(CharacterGraphicsItemsTest, AnImageThatCannotBeOpenedLeavesTheListAlone)
{
    TempDir dir;
    const auto items = LoadCharacterGraphicsItems(dir.path() / "missing.smc");
    ASSERT_FALSE(items.ok());
    EXPECT_EQ(items.message(), kCannotOpenFileMessage);

    const auto rom = dir.write("rom.smc", RomImageBuilder(RomImageBuilder::kExpandedSize).build());
    const auto loaded = LoadCharacterGraphicsItems(rom);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    EXPECT_EQ(loaded.value().size(), 62U);
}

// What a character patch writes into a slot is what the page shows for that code: the page's
// table and the patch writer's agree for every slot a patch can replace, 1B included.
TEST(CharacterGraphicsAgreementTest, ThePageReadsWhatAPatchWroteIntoEverySlot)
{
    RomImageBuilder builder(RomImageBuilder::kExpandedSize);
    // Additional slot k's sheet at 0x580000 + 0x2000 k, reached through entry k's pointer.
    for (std::uint8_t k = 0; k < 10; ++k)
        builder.bytes(0x5A8630 + 4 * std::size_t{k},
                      {0x00, 0x00, static_cast<std::uint8_t>(0x20 * k), 0x58});
    const Bytes image = builder.build();

    std::mt19937 random(17);
    for (const std::uint8_t target : kCharacterPatchTargets) {
        SCOPED_TRACE(Hex(target));
        PatchFile patch;
        for (auto& byte : patch.palette)
            byte = static_cast<std::uint8_t>(random());
        for (auto& byte : patch.tiles)
            byte = static_cast<std::uint8_t>(random());
        MemoryRomStream rom(image);
        ASSERT_TRUE(ApplyCharacterPatch(rom, patch, "test.vnp", target).ok());
        const auto data = ReadCharacterSheetData(rom, target);
        ASSERT_TRUE(data.ok()) << data.message();
        EXPECT_EQ(data.value().palette, patch.palette);
        EXPECT_EQ(data.value().tiles, patch.tiles);
    }
}

} // namespace
} // namespace varn::test
