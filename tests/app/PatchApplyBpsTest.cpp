// BPS patches on the page "パッチ適用": dropped on the list and loaded from list files as
// entries of type "BPS", their metadata shown in the comment box, and applied with the rest of
// the list, each checked against the image as the entries before it leave it.

#include <functional>

#include <QLabel>

#include "PatchApplyFixture.h"
#include "app/PatchApplyPage.h"
#include "patchlist/ApplyPatchList.h"
#include "patchlist/MakePatch.h"
#include "rom/RomStream.h"
#include "support/Bytes.h"
#include "support/BpsBuilder.h"
#include "support/ByteCompare.h"
#include "support/RomImageBuilder.h"
#include "support/TempDir.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A BPS patch written by hand that puts `data` at `offset` of `source`: the source up to
// there, the data, then the source again from the same offset on.
Bytes DataAt(const Bytes& source, std::size_t offset, const Bytes& data,
             std::string_view metadata = {})
{
    BpsBuilder bps(source.size(), source.size(), metadata);
    bps.sourceRead(offset).targetRead(data).sourceRead(source.size() - offset - data.size());
    return bps.finish(source, With(source, offset, data));
}

// An IPS patch of one byte.
Bytes IpsByte(std::uint32_t offset, std::uint8_t value)
{
    return {'P',
            'A',
            'T',
            'C',
            'H',
            static_cast<std::uint8_t>(offset >> 16),
            static_cast<std::uint8_t>(offset >> 8),
            static_cast<std::uint8_t>(offset),
            0,
            1,
            value,
            'E',
            'O',
            'F'};
}

class PatchApplyBpsTest : public PatchApplyFixture {
protected:
    QString write(const char* fileName, const Bytes& bytes) const
    {
        return app::ToQString(dir.write(fileName, bytes));
    }

    // An expanded image of the game ready for a patch list, opened as the window's image.
    QString openImage()
    {
        const auto path = dir.write("game.smc", RomImageBuilder::ReadyForPatchList().build());
        window->OpenRomImage(app::ToQString(path));
        EXPECT_EQ(window->romPath(), app::ToQString(path));
        EXPECT_TRUE(dialogs->messages.empty()) << messageTexts().join(" / ").toStdString();
        return app::ToQString(path);
    }

    Bytes image(const QString& path) const { return ReadFileBytes(app::ToPath(path)); }

    // Presses "パッチ適用" and answers the question with `confirm` if it is asked; returns the
    // texts of the messages shown.
    QStringList apply(bool confirm = true)
    {
        dialogs->messages.clear();
        dialogs->okCancelAnswers.push_back(confirm);
        press("Button4");
        const QStringList shown = messageTexts();
        dialogs->messages.clear();
        dialogs->okCancelAnswers.clear();
        return shown;
    }
};

const QString kQuestion = QStringLiteral("この設定で適用してよろしいですか？");
const QString kFinished = QStringLiteral("処理が完了しました");

// --- The list ------------------------------------------------------------------------------

TEST_F(PatchApplyBpsTest, BpsFilesAreListedAsBpsEntriesAmongTheOthers)
{
    createPage();
    const Bytes source(0x40, 1);
    const QString bps = write("mod.bps", DataAt(source, 0x20, Text("BPS!")));
    const QString capitals = write("MORE.BPS", DataAt(source, 0x10, Text("up")));
    ASSERT_TRUE(
        dropOnList({writeIps("a.ips"), bps, writeVnp("hero.vnp"), capitals, writeMml("song.mml")}));
    EXPECT_EQ(rows(), (QStringList{"a.ips|IPS|", "mod.bps|BPS|", "hero.vnp|vnp|B0", "MORE.BPS|BPS|",
                                   "song.mml|MML|"}));
    EXPECT_EQ(rowPaths()[1], bps);
    EXPECT_EQ(selectedRow(), 4);
    EXPECT_EQ(takeError(), "");

    // Dropped on an entry, a BPS patch goes in front of it; a file named ".bps" that is no BPS
    // patch is refused by name and ends the drop.
    ASSERT_TRUE(dropOnList({write("first.bps", DataAt(source, 0, Text("0"))),
                            write("fake.bps", IpsByte(0x10, 1)), writeIps("never.ips")},
                           0));
    EXPECT_EQ(takeError(), "ファイルが異常です。\nfake.bps");
    EXPECT_EQ(rows().first(2), (QStringList{"first.bps|BPS|", "a.ips|IPS|"}));
    EXPECT_EQ(rows().size(), 6);
    EXPECT_EQ(selectedRow(), 0);

    // A BPS entry has no target: the target box stays off while it is selected.
    clickRow(1);
    clickRow(0);
    EXPECT_FALSE(targets()->isEnabled());
    EXPECT_EQ(rows()[0], "first.bps|BPS|");
}

TEST_F(PatchApplyBpsTest, AListFileKeepsItsBpsEntries)
{
    createPage();
    const Bytes source(0x40, 1);
    dropOnList({writeIps("a.ips"), write("mod.bps", DataAt(source, 0x20, Text("BPS!"))),
                writeVnp("hero.vnp")});
    const QStringList before = rows();
    const QStringList paths = rowPaths();

    const QString listFile = app::ToQString(dir.path() / "list.txt");
    dialogs->saveAnswers.push_back(listFile);
    press("Button5");
    EXPECT_EQ(takeError(), "");
    key(Qt::Key_Delete);
    key(Qt::Key_Delete);
    ASSERT_EQ(rows().size(), 1);

    dialogs->openAnswers.push_back(listFile);
    press("Button6");
    EXPECT_EQ(takeError(), "");
    EXPECT_EQ(rows(), before);
    EXPECT_EQ(rowPaths(), paths);

    // A list written by hand: a BPS line with a target still gives a BPS entry without one,
    // and a ".bps" line that is no BPS patch fails like any other.
    write("fake.bps", IpsByte(0x10, 1));
    const QString byHand = writeFile("hand.txt", "mod.bps, 03\r\nfake.bps\r\nhero.vnp, B5\r\n");
    dialogs->openAnswers.push_back(byHand);
    press("Button6");
    EXPECT_EQ(takeError(), "読み込みに失敗したファイルがあります。\nリストを確認してください。");
    EXPECT_EQ(rows(), (QStringList{"mod.bps|BPS|", "hero.vnp|vnp|B5"}));
}

// --- The preview ---------------------------------------------------------------------------

TEST_F(PatchApplyBpsTest, SelectingABpsPatchShowsItsMetadataInTheCommentBox)
{
    createPage();
    const Bytes source(0x40, 1);
    const std::string utf8 =
        "<patch>\r\n  <name>改造その一</name>\r\n  <author>だれか</author>\r\n</patch>";
    dropOnList({writeVnp("hero.vnp", "ゆうしゃ", "たびびと", "あいさつ"),
                write("utf8.bps", DataAt(source, 0x20, Text("BPS!"), utf8)),
                write("sjis.bps", DataAt(source, 0x20, Text("BPS!"), "\x89\xfc\x91\xa2\r\nv1.0")),
                write("none.bps", DataAt(source, 0x20, Text("BPS!")))});
    const auto* picture = control<QLabel>("Image2");
    const auto* save = control<QPushButton>("Button7");

    const struct {
        int row;
        QString comment;
    } cases[] = {
        {1, "<patch>\n  <name>改造その一</name>\n  <author>だれか</author>\n</patch>"},
        {2, "改造\nv1.0"},
        {3, ""},
    };
    for (const auto& c : cases) {
        // Shown after a character patch, nothing of the character's stays.
        clickRow(0);
        ASSERT_EQ(memoText(), "あいさつ");
        ASSERT_FALSE(picture->pixmap().isNull());
        clickRow(c.row);
        EXPECT_EQ(memoText(), c.comment) << c.row;
        EXPECT_TRUE(picture->pixmap().isNull()) << c.row;
        EXPECT_EQ(text("Edit63"), "") << c.row;
        EXPECT_EQ(text("Edit64"), "") << c.row;
        EXPECT_FALSE(targets()->isEnabled()) << c.row;
        EXPECT_FALSE(save->isEnabled()) << c.row;
    }

    // Moving with the keys shows the entry moved to; a BPS patch is never read as a character
    // patch, so none is reported or taken off the list.
    clickRow(0);
    key(Qt::Key_Down);
    EXPECT_EQ(selectedRow(), 1);
    EXPECT_EQ(memoText(), cases[0].comment);
    key(Qt::Key_Down);
    EXPECT_EQ(memoText(), "改造\nv1.0");
    EXPECT_EQ(rows().size(), 4);
    EXPECT_TRUE(dialogs->messages.empty()) << messageTexts().join(" / ").toStdString();

    // A patch gone since it was listed shows an empty comment and stays listed; applying the
    // list names it.
    std::filesystem::remove(app::ToPath(rowPaths()[1]));
    clickRow(1);
    EXPECT_EQ(memoText(), "");
    EXPECT_EQ(rows().size(), 4);
    EXPECT_TRUE(dialogs->messages.empty());
}

// --- パッチ適用 -----------------------------------------------------------------------------

TEST_F(PatchApplyBpsTest, IpsBpsCharacterAndSongApplyInListOrder)
{
    createPage();
    const QString rom = openImage();
    const Bytes original = image(rom);
    // The BPS patch is made for the image as the IPS patch before it leaves it.
    const Bytes afterIps = With(original, 0x1000, {0xAB});
    PatchFile character;
    dropOnList({write("first.ips", IpsByte(0x1000, 0xAB)),
                write("mod.bps", DataAt(afterIps, 0x2000, Text("BPS!"), "note")),
                writeVnp("hero.vnp", "ゆうしゃ", "たびびと", "", &character),
                writeMml("song.mml")});
    ASSERT_EQ(rows(),
              (QStringList{"first.ips|IPS|", "mod.bps|BPS|", "hero.vnp|vnp|B0", "song.mml|MML|"}));

    // What the list gives when the core runs it on a copy of the image.
    PatchList expectedList = window->findChild<app::PatchApplyPage*>()->patchList();
    MemoryRomStream expected(original);
    ASSERT_EQ(RunPatchList(expectedList, expected, window->musicConstants()).message(), "");

    EXPECT_EQ(apply(false), QStringList{kQuestion});
    EXPECT_TRUE(test::SameBytes(original, image(rom)));
    EXPECT_EQ(rows()[3], "song.mml|MML|B0");

    EXPECT_EQ(apply(), (QStringList{kQuestion, kFinished}));
    const Bytes applied = image(rom);
    EXPECT_TRUE(test::SameBytes(expected.bytes(), applied));
    EXPECT_EQ(applied[0x1000], 0xAB);
    EXPECT_EQ(Bytes(applied.begin() + 0x2000, applied.begin() + 0x2004), Text("BPS!"));
    EXPECT_TRUE(
        std::equal(character.name.begin(), character.name.end(), applied.begin() + 0x3D1A00));
    EXPECT_EQ(applied[0x500000], 0xB1); // the song took B0

    // The same list again meets an image the BPS patch was not made for.
    EXPECT_EQ(apply(), QStringList{"このパッチは別のsmcファイル用です。\nmod.bps"});
    EXPECT_TRUE(test::SameBytes(applied, image(rom)));
}

TEST_F(PatchApplyBpsTest, ABpsPatchIsCheckedAgainstTheImageAsTheEntriesBeforeItLeaveIt)
{
    createPage();
    const QString rom = openImage();
    const Bytes original = image(rom);
    const QString ips = write("first.ips", IpsByte(0x1000, 0xAB));
    const QString bps =
        write("mod.bps", DataAt(With(original, 0x1000, {0xAB}), 0x2000, Text("BPS!")));

    // Before the IPS patch it meets the image the IPS patch has not changed yet: refused
    // before the question, nothing written.
    dropOnList({bps, ips});
    EXPECT_EQ(apply(), QStringList{"このパッチは別のsmcファイル用です。\nmod.bps"});
    EXPECT_TRUE(test::SameBytes(original, image(rom)));

    // Dragged behind the IPS patch, the same list applies.
    clickRow(0);
    dragRow(0, -1);
    ASSERT_EQ(rows(), (QStringList{"first.ips|IPS|", "mod.bps|BPS|"}));
    EXPECT_EQ(apply(), (QStringList{kQuestion, kFinished}));
    const Bytes applied = image(rom);
    EXPECT_EQ(applied[0x1000], 0xAB);
    EXPECT_EQ(Bytes(applied.begin() + 0x2000, applied.begin() + 0x2004), Text("BPS!"));

    // Once applied, the patch alone finds its own result in the image.
    key(Qt::Key_Up);
    key(Qt::Key_Delete);
    ASSERT_EQ(rows(), QStringList{"mod.bps|BPS|"});
    EXPECT_EQ(apply(), QStringList{"このパッチは適用済みです。\nmod.bps"});
    EXPECT_TRUE(test::SameBytes(applied, image(rom)));
}

TEST_F(PatchApplyBpsTest, ABpsPatchThatCutsTheImageWritesTheShorterFile)
{
    createPage();
    const QString rom = openImage();
    const Bytes original = image(rom);
    // Made for the image as the IPS patch before it leaves it: cut to 4 MiB and signed.
    const Bytes afterIps = With(original, 0x1000, {0xAB});
    constexpr std::size_t kCutSize = 0x400000;
    ASSERT_GT(afterIps.size(), kCutSize);
    const Bytes cut =
        With(Bytes(afterIps.begin(), afterIps.begin() + kCutSize), 0x2000, Text("CUT!"));
    BpsBuilder bps(afterIps.size(), kCutSize, "cut");
    bps.sourceRead(0x2000).targetRead(Text("CUT!")).sourceRead(kCutSize - 0x2004);
    dropOnList(
        {write("first.ips", IpsByte(0x1000, 0xAB)), write("cut.bps", bps.finish(afterIps, cut))});

    EXPECT_EQ(apply(false), QStringList{kQuestion});
    EXPECT_TRUE(test::SameBytes(original, image(rom)));
    EXPECT_EQ(apply(), (QStringList{kQuestion, kFinished}));
    EXPECT_TRUE(test::SameBytes(cut, image(rom)));

    // Again, the IPS patch leaves the cut image as it is, and the BPS patch finds its own
    // result there: refused before the question, the file kept.
    EXPECT_EQ(apply(), QStringList{"このパッチは適用済みです。\ncut.bps"});
    EXPECT_TRUE(test::SameBytes(cut, image(rom)));
}

TEST_F(PatchApplyBpsTest, EachChecksumFailureIsRefusedWithTheImageUnchanged)
{
    createPage();
    const QString rom = openImage();
    const Bytes original = image(rom);
    const Bytes good = DataAt(original, 0x2000, Text("BPS!"), "note");
    struct Case {
        const char* name;
        Bytes patch;
        QString message;
    };
    const Case cases[] = {
        {"Damaged",
         [&] {
             Bytes damaged = good;
             damaged[damaged.size() / 2] ^= 0x10;
             return damaged;
         }(),
         "ファイルが壊れています。\nmod.bps"},
        {"ForAnotherImage", DataAt(With(original, 0x3000, {0x01}), 0x2000, Text("BPS!")),
         "このパッチは別のsmcファイル用です。\nmod.bps"},
        {"ResultNotTheTarget",
         [&] {
             BpsBuilder bps(original.size(), original.size());
             bps.sourceRead(0x2000).targetRead(Text("BPS!")).sourceRead(original.size() - 0x2004);
             return bps.finish(BpsBuilder::Crc(original), 0x12345678);
         }(),
         "適用結果のチェックサムが一致しません。\nmod.bps"},
    };
    for (const Case& c : cases) {
        createPage();
        openImage();
        dropOnList({writeIps("first.ips"), write("mod.bps", c.patch)});
        EXPECT_EQ(apply(), QStringList{c.message}) << c.name;
        EXPECT_TRUE(test::SameBytes(original, image(rom))) << c.name;
    }

    // A patch that turns bad while the question is open is met again when the list is
    // applied: nothing of the list reaches the image and no completion follows.
    createPage();
    openImage();
    const QString bps =
        write("mod.bps", DataAt(With(original, 0x1000, {0xAB}), 0x2000, Text("BPS!")));
    dropOnList({write("first.ips", IpsByte(0x1000, 0xAB)), bps});
    dialogs->okCancelAnswers.push_back(true);
    dialogs->whileAsking = [&] {
        write("mod.bps", DataAt(With(original, 0x3000, {0x01}), 0x2000, Text("BPS!")));
    };
    press("Button4");
    dialogs->whileAsking = nullptr;
    EXPECT_EQ(messageTexts(),
              (QStringList{kQuestion, "このパッチは別のsmcファイル用です。\nmod.bps"}));
    EXPECT_TRUE(test::SameBytes(original, image(rom)));
}

TEST_F(PatchApplyBpsTest, APatchMadeFromAModifiedCopyTurnsTheImageIntoTheCopy)
{
    // The road of a published modification: an untouched image, a changed and expanded copy,
    // the patch made from the two, and the page applying it to the untouched image.
    createPage();
    const QString rom = openImage();
    Bytes modified = image(rom);
    std::copy_n(modified.begin() + 0x10000, 0x8000, modified.begin() + 0x40000); // moved
    for (std::size_t i = 0; i < 200; ++i)
        modified[0x1000 + i * 0x1357] ^= 0x5A; // scattered
    modified.resize(0x800000, 0xFF);           // expanded
    std::copy_n(modified.begin() + 0x20000, 0x10000, modified.begin() + 0x700000);
    const auto copy = dir.write("modified.smc", modified);
    const auto patch = dir.path() / "mod.bps";
    const Result<std::size_t> made =
        MakePatchFile(app::ToPath(rom), copy, patch, "<patch>改造</patch>");
    ASSERT_TRUE(made.ok()) << made.message();
    EXPECT_LT(made.value(), 4096u);

    dropOnList({app::ToQString(patch)});
    clickRow(0);
    EXPECT_EQ(memoText(), "<patch>改造</patch>");
    EXPECT_EQ(apply(), (QStringList{kQuestion, kFinished}));
    EXPECT_TRUE(test::SameBytes(modified, image(rom)));
}

} // namespace
} // namespace varn::test
