#include <gtest/gtest.h>

#include "charpatch/CharacterPatchFile.h"
#include "charpatch/PatchValidation.h"
#include "graphics/SpriteSheet.h"
#include "support/TempDir.h"

namespace varn {
namespace {

const std::filesystem::path kExamples = VARN_EXAMPLES_DIR;

// The sample files a newcomer tries first must stay valid as the code changes.
TEST(ExampleFilesTest, SampleSheetIsAUsableSpriteSheet)
{
    const auto sheet = LoadSheetImage(kExamples / "example_sheet.gif");
    ASSERT_TRUE(sheet.ok()) << sheet.message();
    EXPECT_EQ(sheet.value().width, kSheetWidth);
}

TEST(ExampleFilesTest, SampleCharacterLoadsPassesTheChecksAndIsWrittenAgainByteForByte)
{
    const ExtensionTable extensions;
    CharacterForm form;
    GifImage sheet;
    const Status loaded =
        LoadCharacterPatch(kExamples / "example_character.vnp", form, sheet, extensions);
    ASSERT_TRUE(loaded.ok()) << loaded.message();
    EXPECT_EQ(form.name, "アルト");
    EXPECT_TRUE(form.secondChoice);
    EXPECT_FALSE(form.repeatAfterNg.empty());
    EXPECT_FALSE(form.comment.empty());

    const Result<std::string> check =
        CheckCharacterPatch(form, true, PatchCheckSettings{}, extensions);
    ASSERT_TRUE(check.ok()) << check.message();
    EXPECT_EQ(check.value(), "");

    test::TempDir dir;
    const auto again = dir.path() / "again.vnp";
    ASSERT_TRUE(WriteCharacterPatch(again, form, sheet, extensions).ok());
    EXPECT_EQ(test::ReadFileBytes(again), test::ReadFileBytes(kExamples / "example_character.vnp"));

    // The sheet inside the patch is the sample sheet's.
    const auto sample = LoadSheetImage(kExamples / "example_sheet.gif");
    ASSERT_TRUE(sample.ok());
    EXPECT_EQ(TilesFromImage(sheet), TilesFromImage(sample.value()));
    EXPECT_EQ(PaletteFromImage(sheet), PaletteFromImage(sample.value()));
}

} // namespace
} // namespace varn
