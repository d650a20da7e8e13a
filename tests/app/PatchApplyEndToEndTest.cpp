#include "PatchApplyFixture.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using PatchApplyEndToEndTest = PatchApplyFixture;

// A character made on the page "キャラパッチ" travels with a song and an IPS patch through the
// patch list into an expanded image, and is read back from its slot there.
TEST_F(PatchApplyEndToEndTest, CharacterMadeInTheEditorIsAppliedWithASongAndAnIpsPatch)
{
    createPage();

    // The character: a sheet and a name, saved with "パッチ作成".
    control<QTabWidget>("PageControl1")->setCurrentIndex(1);
    loadSheet();
    type("Edit1", "ゆうしゃ");
    const QString patch = pathIn("hero.vnp");
    createPatch(patch);
    ASSERT_EQ(messageTexts(), QStringList{"処理が完了しました"});
    dialogs->messages.clear();

    // The list: the patch, the example song and an IPS patch that writes AB CD at 0x1000.
    control<QTabWidget>("PageControl1")->setCurrentIndex(0);
    QApplication::processEvents();
    const QString song = QString::fromUtf8(VARN_EXAMPLES_DIR) + "/song.mml";
    const QString ips = app::ToQString(
        dir.write("small.ips", std::vector<std::uint8_t>{'P', 'A', 'T', 'C', 'H', 0x00, 0x10, 0x00,
                                                         0x00, 0x02, 0xAB, 0xCD, 'E', 'O', 'F'}));
    dropOnList({patch, song, ips});
    EXPECT_EQ(rows(), (QStringList{"hero.vnp|vnp|B0", "song.mml|MML|", "small.ips|IPS|"}));

    // An expanded image with clear music bookkeeping whose slot B0 has its sprite sheet in the
    // expanded area.
    const std::filesystem::path rom =
        dir.write("game.smc", RomImageBuilder::Target(RomImageBuilder::kExpandedSize)
                                  .bytes(0x500000, {0x00, 0x00, 0x00, 0x00})
                                  .bytes(0x5A8631, {0x00, 0x00, 0x58})
                                  .build());
    window->OpenRomImage(app::ToQString(rom));
    ASSERT_TRUE(dialogs->messages.empty()) << messageTexts().join(" / ").toStdString();

    dialogs->okCancelAnswers.push_back(true);
    control<QPushButton>("Button4")->click();
    EXPECT_EQ(messageTexts(),
              (QStringList{"この設定で適用してよろしいですか？", "処理が完了しました"}));
    EXPECT_EQ(rows()[1], "song.mml|MML|B0");

    const std::vector<std::uint8_t> image = ReadFileBytes(rom);
    ASSERT_EQ(image.size(), RomImageBuilder::kExpandedSize);
    // Slot B0's name, back as the editor's text.
    const std::span<const std::uint8_t> name(image.data() + 0x3D1A00, 8);
    const DecodedText decoded = DecodeText(name);
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.text, "ゆうしゃ");
    // Its sheet, where the slot's pointer leads.
    const Result<PatchFile> made = ReadPatchFile(app::ToPath(patch));
    ASSERT_TRUE(made.ok());
    EXPECT_TRUE(
        std::equal(made.value().tiles.begin(), made.value().tiles.end(), image.begin() + 0x580000));
    // The song took number B0: the next free one is B1.
    EXPECT_EQ(image[0x500000], 0xB1);
    EXPECT_EQ(image[0x1000], 0xAB);
    EXPECT_EQ(image[0x1001], 0xCD);
}

} // namespace
} // namespace varn::test
