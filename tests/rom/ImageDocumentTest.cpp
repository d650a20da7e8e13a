// The document of the open image: what it saw of the file, the options its changes take, how it
// tells a change made elsewhere, and undo and redo through it.

#include <gtest/gtest.h>

#include <random>

#include "rom/FileIo.h"
#include "rom/ImageDocument.h"
#include "rom/ImageUndo.h"
#include "rom/RomImageEdit.h"
#include "rom/RomStream.h"
#include "support/ByteCompare.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

// Any file is opened without a question.
constexpr int kOpenAnything = 2;

Bytes Image(std::uint32_t seed)
{
    std::mt19937 random(seed);
    Bytes bytes(0x10000);
    for (std::uint8_t& byte : bytes)
        byte = static_cast<std::uint8_t>(random());
    return bytes;
}

// Writes `value` at `offset` through the document, as a page does.
Status WriteThrough(const ImageDocument& document, std::uint64_t offset, std::uint8_t value,
                    const std::string& what)
{
    return ChangeRomImage(
        document.path(),
        [&](RomStream& image) {
            const std::uint8_t byte[] = {value};
            return image.writeAt(offset, byte) ? Status{} : Status{Failure{"write"}};
        },
        document.changeOptions(what, false));
}

class ImageDocumentTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path rom = dir.write("game.smc", Image(1));
    ImageDocument document{dir.path() / "state"};
};

TEST_F(ImageDocumentTest, ChangesAreRecordedUnderTheirNamesAndGoBackAndForth)
{
    ASSERT_TRUE(document.open(rom, kOpenAnything).opened());
    ASSERT_TRUE(document.isOpen());
    ASSERT_TRUE(document.lastSeen().has_value());
    EXPECT_FALSE(document.nextUndo().has_value());

    const Bytes original = ReadFileBytes(rom);
    ASSERT_TRUE(WriteThrough(document, 0x100, 0xAA, "閃き適正").ok());
    EXPECT_TRUE(document.changedOnDisk());
    EXPECT_TRUE(document.refresh(kOpenAnything));
    EXPECT_FALSE(document.changedOnDisk());
    const Bytes first = ReadFileBytes(rom);
    ASSERT_TRUE(WriteThrough(document, 0x200, 0xBB, "敵変更 【0005】").ok());
    EXPECT_TRUE(document.refresh(kOpenAnything));
    const Bytes second = ReadFileBytes(rom);

    ASSERT_TRUE(document.nextUndo().has_value());
    EXPECT_EQ(document.nextUndo()->what, "敵変更 【0005】");
    EXPECT_FALSE(document.nextRedo().has_value());

    ASSERT_TRUE(document.undo(1, false).ok());
    EXPECT_TRUE(document.refresh(kOpenAnything));
    EXPECT_TRUE(SameBytes(first, ReadFileBytes(rom)));
    EXPECT_EQ(document.nextUndo()->what, "閃き適正");
    EXPECT_EQ(document.nextRedo()->what, "敵変更 【0005】");

    ASSERT_TRUE(document.restore(0, false).ok());
    EXPECT_TRUE(document.refresh(kOpenAnything));
    EXPECT_TRUE(SameBytes(original, ReadFileBytes(rom)));
    EXPECT_EQ(document.undo(1, false).message(), kNothingToUndoMessage);

    ASSERT_TRUE(document.redo(2, false).ok());
    EXPECT_TRUE(document.refresh(kOpenAnything));
    EXPECT_TRUE(SameBytes(second, ReadFileBytes(rom)));
    EXPECT_EQ(document.redo(1, false).message(), kNothingToRedoMessage);
    // Looking again at a file nobody changed finds nothing new.
    EXPECT_FALSE(document.refresh(kOpenAnything));
}

// Another program writes the image after the document saw it: a change made from what was
// shown of the old image is refused and writes nothing, until the document has seen the file
// anew.
TEST_F(ImageDocumentTest, AChangeFromWhatWasShownOfAnImageChangedSinceIsRefused)
{
    ASSERT_TRUE(document.open(rom, kOpenAnything).opened());
    const Bytes outside = Image(2);
    ASSERT_TRUE(WriteFileAtomically(rom, outside).ok());
    EXPECT_TRUE(document.changedOnDisk());

    EXPECT_EQ(WriteThrough(document, 0x100, 0xAA, "閃き適正").message(),
              kImageChangedSinceShownMessage);
    EXPECT_TRUE(SameBytes(outside, ReadFileBytes(rom)));

    EXPECT_TRUE(document.refresh(kOpenAnything));
    ASSERT_TRUE(WriteThrough(document, 0x100, 0xAA, "閃き適正").ok());
    Bytes expected = outside;
    expected[0x100] = 0xAA;
    EXPECT_TRUE(SameBytes(expected, ReadFileBytes(rom)));
    EXPECT_TRUE(document.refresh(kOpenAnything));

    // A file written again with the same bytes is the same image: nothing to show anew.
    ASSERT_TRUE(WriteFileAtomically(rom, expected).ok());
    EXPECT_TRUE(document.changedOnDisk());
    EXPECT_FALSE(document.refresh(kOpenAnything));

    // A file that went away is a change too; the document keeps its path.
    fs::remove(rom);
    EXPECT_TRUE(document.changedOnDisk());
    EXPECT_TRUE(document.refresh(kOpenAnything));
    EXPECT_FALSE(document.lastSeen().has_value());
    EXPECT_TRUE(document.isOpen());
}

TEST_F(ImageDocumentTest, AnImageThatIsNotOpenedLeavesTheDocumentWithout)
{
    ASSERT_TRUE(document.open(rom, kOpenAnything).opened());
    // The strict setting refuses an image that is not the game's.
    EXPECT_FALSE(document.open(rom, 0).opened());
    EXPECT_FALSE(document.isOpen());
    EXPECT_FALSE(document.changedOnDisk());
    EXPECT_FALSE(document.open(dir.path() / "missing.smc", kOpenAnything).opened());
    EXPECT_FALSE(document.isOpen());
}

// Without a state folder nothing is recorded: changes still reach the image, and there is
// nothing to take back.
TEST_F(ImageDocumentTest, WithoutAStateFolderNothingIsRecorded)
{
    ImageDocument plain;
    ASSERT_TRUE(plain.open(rom, kOpenAnything).opened());
    ASSERT_TRUE(WriteThrough(plain, 0x10, 0x01, "閃き適正").ok());
    EXPECT_TRUE(plain.refresh(kOpenAnything));
    EXPECT_FALSE(plain.nextUndo().has_value());
    EXPECT_EQ(plain.undo(1, false).message(), kNothingToUndoMessage);
    EXPECT_EQ(ReadFileBytes(rom)[0x10], 0x01);
}

} // namespace
} // namespace varn::test
