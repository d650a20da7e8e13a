// The page "MML" in the real main window: its controls and their first values, the file
// chosen or dropped, "コンパイル" with its messages, fallbacks and ticked lists, and
// "逆コンパイル" with its messages, the save dialog and the copier header of the image.

#include <QGroupBox>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabWidget>

#include "MainWindowFixture.h"
#include "music/MML.h"
#include "music/PlaybackTables.h"
#include "rom/RomStream.h"
#include "support/RomImageBuilder.h"
#include "text/Cp932.h"

namespace varn::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using app::MessageIcon;

constexpr int kMmlPage = 4;
constexpr int kSongAddress = 0x500004;
constexpr int kSongNumber = 0xB0;
// The first byte of channel 1 of a song at kSongAddress, right after the 38-byte header.
constexpr std::size_t kFirstChannelByte = kSongAddress + 38;

const char* const kSong = "#WAVE 0x21, 7;\n@0x21 v100 o4 c4 d8 $e8 [3 f16 | g16 ] a2;\nr4;\n";

struct Shown {
    QString text;
    QString caption;
    MessageIcon icon;
};

// An expanded image of the game, with `song` compiled as music number B0 at 0x500004 when
// given.
Bytes GameImage(const char* song = nullptr)
{
    Bytes image = RomImageBuilder::Target(RomImageBuilder::kExpandedSize).build();
    if (song == nullptr)
        return image;
    MemoryRomStream stream(image);
    MML mml;
    mml.source = song;
    mml.musicNumber = kSongNumber;
    mml.writeAddress = kSongAddress;
    const Status status = mml.CompileToStream(stream);
    EXPECT_TRUE(status.ok()) << status.message();
    return stream.bytes();
}

// The MML text the reverse compiler reads from `image` for music number B0, as the file holds
// it (Shift-JIS, CR LF).
Bytes ReverseCompiled(const Bytes& image)
{
    MemoryRomStream stream(image, false);
    MML mml;
    mml.musicNumber = kSongNumber;
    const Result<std::string> text = mml.ReverseCompile(stream);
    EXPECT_TRUE(text.ok()) << text.message();
    const std::string bytes = EncodeTextFileBytes(text ? text.value() : std::string());
    return {bytes.begin(), bytes.end()};
}

class MmlPageTest : public MainWindowFixture {
protected:
    // The window, with the settings that let any title and copier header open silently, and
    // the page "MML" in front.
    void createPage()
    {
        createWindow("[Varnwork]\nSmcHeaderCheck=2\n");
        control<QTabWidget>("PageControl1")->setCurrentIndex(kMmlPage);
    }

    // Writes `image` as `name` and opens it in the window.
    QString openImage(const Bytes& image, const char* name = "game.smc")
    {
        const QString path = app::ToQString(dir.write(name, image));
        window->OpenRomImage(path);
        EXPECT_EQ(text("Edit65"), path);
        return path;
    }

    QString writeSong(std::string_view song, const char* name = "song.mml")
    {
        return app::ToQString(dir.write(name, song));
    }

    void click(const char* button) { control<QPushButton>(button)->click(); }

    QListWidget* list(const char* name) const { return control<QListWidget>(name); }

    void tick(const char* name, int row) { list(name)->item(row)->setCheckState(Qt::Checked); }

    // The one message the last command showed.
    Shown onlyMessage() const
    {
        EXPECT_EQ(dialogs->messages.size(), 1u);
        if (dialogs->messages.empty())
            return {};
        const auto& message = dialogs->messages.back();
        EXPECT_FALSE(message.okCancel);
        return {message.text, message.caption, message.icon};
    }

    Bytes imageBytes(const QString& path) const { return ReadFileBytes(app::ToPath(path)); }
};

void ExpectMessage(const Shown& shown, const QString& text, const QString& caption,
                   MessageIcon icon)
{
    EXPECT_EQ(shown.text, text);
    EXPECT_EQ(shown.caption, caption);
    EXPECT_EQ(shown.icon, icon);
}

const QString kFinished = QStringLiteral("正常終了しました。");

TEST_F(MmlPageTest, ControlsShowTheirCaptionsFirstValuesAndLists)
{
    createPage();
    auto* pages = control<QTabWidget>("PageControl1");
    EXPECT_EQ(pages->tabText(kMmlPage), "MML");
    EXPECT_NE(control("MmlPage"), nullptr);

    auto* file = control<QLineEdit>("Edit67");
    EXPECT_TRUE(file->isReadOnly());
    EXPECT_TRUE(file->text().isEmpty());
    EXPECT_EQ(control<QPushButton>("Button11")->text(), "...");
    auto* number = control<QLineEdit>("Edit69");
    EXPECT_EQ(number->text(), "80");
    EXPECT_EQ(number->maxLength(), 2);
    EXPECT_FALSE(number->isReadOnly());
    auto* address = control<QLineEdit>("Edit70");
    EXPECT_EQ(address->text(), "400000");
    EXPECT_EQ(address->maxLength(), 6);
    auto* last = control<QLineEdit>("Edit71");
    EXPECT_TRUE(last->isReadOnly());
    EXPECT_TRUE(last->text().isEmpty());
    // Grey: its face has the colour of the window behind it, unlike the fields one types in.
    EXPECT_EQ(last->palette().color(QPalette::Base), last->palette().color(QPalette::Window));
    EXPECT_NE(number->palette().color(QPalette::Base), last->palette().color(QPalette::Base));
    EXPECT_EQ(control<QPushButton>("Button17")->text(), "逆コンパイル");
    EXPECT_EQ(control<QPushButton>("Button13")->text(), "コンパイル");

    // The captions of the fields and lists, each beside its control.
    QStringList captions;
    for (const QLabel* label : control("MmlPage")->findChildren<QLabel*>())
        captions << label->text();
    for (const char* caption :
         {"MMLファイル", "音楽番号", "書き込みアドレス", "～", "マップ別戦闘曲", "モンスター別戦闘曲", "マップ曲"})
        EXPECT_TRUE(captions.contains(QString::fromUtf8(caption))) << caption;

    auto* group = list("CheckListBox1")->parentWidget();
    ASSERT_NE(qobject_cast<QGroupBox*>(group), nullptr);
    EXPECT_EQ(qobject_cast<QGroupBox*>(group)->title(), "再生設定");
    struct ListCase {
        const char* name;
        int count;
        int row;
        const char* code; // what the row's text starts with
    };
    const ListCase lists[] = {
        {"CheckListBox1", 256, 0x00, "【00】"},   {"CheckListBox1", 256, 0xFF, "【FF】"},
        {"CheckListBox2", 512, 0x000, "【0000】("}, {"CheckListBox2", 512, 0x13F, "【013F】("},
        {"CheckListBox3", 33, 0x00, "【00】"},    {"CheckListBox3", 33, 0x20, "【20】"},
    };
    for (const ListCase& c : lists) {
        QListWidget* box = list(c.name);
        EXPECT_EQ(box->parentWidget(), group) << c.name;
        ASSERT_EQ(box->count(), c.count) << c.name;
        const QListWidgetItem* item = box->item(c.row);
        EXPECT_TRUE(item->text().startsWith(QString::fromUtf8(c.code)))
            << c.name << " " << item->text().toStdString();
        EXPECT_GT(item->text().size(), QString::fromUtf8(c.code).size()) << "a name follows";
        EXPECT_TRUE(item->flags() & Qt::ItemIsUserCheckable) << c.name;
        EXPECT_EQ(item->checkState(), Qt::Unchecked) << c.name;
    }
    // Monsters 0140-01FF have no name.
    EXPECT_EQ(list("CheckListBox2")->item(0x140)->text(), "【0140】");
    EXPECT_EQ(list("CheckListBox2")->item(0x1FF)->text(), "【01FF】");
}

TEST_F(MmlPageTest, TheFileIsChosenWithTheOpenDialogOrDropped)
{
    createPage();
    dialogs->openAnswers = {QStringLiteral("/songs/one.mml"), std::nullopt};
    click("Button11");
    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    const app::FileDialogRequest& request = dialogs->openRequests[0];
    EXPECT_EQ(request.filter, "MMLファイル (*.mml;*.txt)|*.mml;*.txt");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.kind, app::FileKind::MmlFile);
    EXPECT_EQ(text("Edit67"), "/songs/one.mml");
    // Cancelled: the field keeps its path.
    click("Button11");
    EXPECT_EQ(text("Edit67"), "/songs/one.mml");

    // The first of the files dropped on the field, whatever its kind.
    const QString first = writeSong("c;", "first.txt");
    const QString second = writeSong("d;", "second.mml");
    EXPECT_TRUE(dropFilesOn(control("Edit67"), {first, second}));
    EXPECT_EQ(text("Edit67"), first);
    EXPECT_TRUE(dialogs->messages.empty());
}

TEST_F(MmlPageTest, CompileWritesTheSongWithTheTickedListsAndShowsTheLastAddress)
{
    createPage();
    const Bytes original = GameImage();
    const QString rom = openImage(original);
    const char* song = "#MAPBATTLE 0x05;\nc4 d4;\n";
    control<QLineEdit>("Edit67")->setText(writeSong(song));
    control<QLineEdit>("Edit69")->setText("b0");
    control<QLineEdit>("Edit70")->setText("500004");
    tick("CheckListBox1", 3);
    tick("CheckListBox2", 0x1F0);
    tick("CheckListBox2", 0x010);
    tick("CheckListBox3", 0x0F);
    click("Button13");

    ExpectMessage(onlyMessage(), kFinished, "終了", MessageIcon::Information);
    EXPECT_EQ(text("Edit69"), "B0");
    EXPECT_EQ(text("Edit70"), "500004");
    // 38 header bytes and three channel bytes: the last at 0x50002C.
    EXPECT_EQ(text("Edit71"), "50002C");

    // The image holds what compiling the song with those lists gives, nothing else.
    MemoryRomStream expected(original);
    MML mml;
    mml.source = song;
    mml.musicNumber = 0xB0;
    mml.writeAddress = 0x500004;
    mml.mapBattle = {3};
    mml.monsterBattle = {0x010, 0x1F0};
    mml.mapTheme = {0x0F};
    const Status status = mml.CompileToStream(expected);
    ASSERT_TRUE(status.ok()) << status.message();
    const Bytes written = imageBytes(rom);
    EXPECT_EQ(written, expected.bytes());
    // Ticked map 3 and the file's own map 5 both play the song.
    EXPECT_EQ(written[kMapBattleTableOffset + 3], 0xB0);
    EXPECT_EQ(written[kMapBattleTableOffset + 5], 0xB0);
    EXPECT_EQ(written[kMonsterBattleTableOffset + 0x1F0], 0xB0);
}

// Unreadable fields give 0x80 and 0x400000, and the fields then show those values.
TEST_F(MmlPageTest, CompileFallsBackForUnreadableFieldsAndShowsTheValuesUsed)
{
    createPage();
    const QString rom = openImage(GameImage());
    control<QLineEdit>("Edit67")->setText(writeSong("c4;"));
    const std::pair<const char*, const char*> fields[] = {{"zz", ""}, {"", "x"}, {"8", "g00000"}};
    for (const auto& [number, address] : fields) {
        dialogs->messages.clear();
        const Bytes before = imageBytes(rom);
        control<QLineEdit>("Edit69")->setText(number);
        control<QLineEdit>("Edit70")->setText(address);
        click("Button13");
        const int expectedNumber = std::string_view(number) == "8" ? 0x08 : 0x80;
        ExpectMessage(onlyMessage(), kFinished, "終了", MessageIcon::Information);
        EXPECT_EQ(text("Edit69"), QString::asprintf("%02X", expectedNumber)) << number;
        EXPECT_EQ(text("Edit70"), "400000") << address;
        EXPECT_EQ(text("Edit71"), "400027");

        MemoryRomStream expected(before);
        MML mml;
        mml.source = "c4;";
        mml.musicNumber = expectedNumber;
        mml.writeAddress = 0x400000;
        const Status status = mml.CompileToStream(expected);
        ASSERT_TRUE(status.ok()) << status.message();
        EXPECT_EQ(imageBytes(rom), expected.bytes()) << number;
    }
}

TEST_F(MmlPageTest, CompileRefusesWithItsMessagesAndLeavesTheImage)
{
    createPage();
    // No MML file chosen, no image open.
    click("Button13");
    ExpectMessage(onlyMessage(), "読み込みファイルが存在しません。", "エラー", MessageIcon::Stop);
    // An MML file, still no image.
    dialogs->messages.clear();
    control<QLineEdit>("Edit67")->setText(writeSong("c4;"));
    click("Button13");
    ExpectMessage(onlyMessage(), "書き込みファイルが存在しません。", "エラー", MessageIcon::Stop);
    EXPECT_EQ(text("Edit69"), "80");

    // A song that does not compile: the compiler's message, the image untouched, the fields
    // showing the values read, Edit71 left as it was.
    const Bytes original = GameImage();
    const QString rom = openImage(original);
    dialogs->messages.clear();
    control<QLineEdit>("Edit67")->setText(writeSong("c7;", "bad.mml"));
    control<QLineEdit>("Edit69")->setText("q");
    control<QLineEdit>("Edit71")->setText("123456");
    click("Button13");
    const Shown shown = onlyMessage();
    EXPECT_EQ(shown.caption, "コンパイルエラー");
    EXPECT_EQ(shown.icon, MessageIcon::Stop);
    MML mml;
    mml.source = "c7;";
    EXPECT_EQ(shown.text.toStdString(), mml.Parse().message());
    EXPECT_EQ(imageBytes(rom), original);
    EXPECT_EQ(text("Edit69"), "80");
    EXPECT_EQ(text("Edit70"), "400000");
    EXPECT_EQ(text("Edit71"), "123456");

    // The MML file gone since it was chosen.
    dialogs->messages.clear();
    std::filesystem::remove(app::ToPath(text("Edit67")));
    click("Button13");
    ExpectMessage(onlyMessage(), "読み込みファイルが存在しません。", "エラー", MessageIcon::Stop);
    EXPECT_EQ(imageBytes(rom), original);
}

TEST_F(MmlPageTest, ReverseCompileWritesTheChosenFile)
{
    createPage();
    const Bytes image = GameImage(kSong);
    const QString rom = openImage(image);
    control<QLineEdit>("Edit69")->setText("b0");
    const QString out = app::ToQString(dir.path() / "out.mml");
    dialogs->saveAnswers = {out};
    click("Button17");

    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    const app::FileDialogRequest& request = dialogs->saveRequests[0];
    EXPECT_EQ(request.filter, "MMLファイル(*.mml)|*.mml");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.defaultExtension, ".mml");
    EXPECT_EQ(request.kind, app::FileKind::MmlFile);
    ExpectMessage(onlyMessage(), kFinished, "終了", MessageIcon::Information);
    EXPECT_EQ(text("Edit69"), "B0");
    EXPECT_EQ(ReadFileBytes(app::ToPath(out)), ReverseCompiled(image));
    // Only read: the image is as it was.
    EXPECT_EQ(imageBytes(rom), image);

    // The file compiles back into the same song.
    MML again;
    const Bytes written = ReadFileBytes(app::ToPath(out));
    again.source = DecodeTextFileBytes(
        std::string_view(reinterpret_cast<const char*>(written.data()), written.size()));
    again.writeAddress = kSongAddress;
    const Status status = again.Parse();
    ASSERT_TRUE(status.ok()) << status.message();
    const auto block = again.EmitSong();
    ASSERT_TRUE(block.ok()) << block.message();
    EXPECT_TRUE(std::equal(block.value().begin(), block.value().end(),
                           image.begin() + kSongAddress));
}

// Reverse-compiling a headered image reads every offset 0x200 further, as its header field
// "あり" says.
TEST_F(MmlPageTest, ReverseCompileAddsTheCopierHeader)
{
    createPage();
    const Bytes plain = GameImage(kSong);
    Bytes headered(0x200, 0);
    headered.insert(headered.end(), plain.begin(), plain.end());
    openImage(headered, "headered.smc");
    EXPECT_EQ(text("Edit93"), "あり");
    control<QLineEdit>("Edit69")->setText("B0");
    const QString out = app::ToQString(dir.path() / "headered.mml");
    dialogs->saveAnswers = {out};
    click("Button17");
    ExpectMessage(onlyMessage(), kFinished, "終了", MessageIcon::Information);
    EXPECT_EQ(ReadFileBytes(app::ToPath(out)), ReverseCompiled(plain));
}

TEST_F(MmlPageTest, ReverseCompileRefusesWithItsMessagesAndWritesNothing)
{
    createPage();
    const QString out = app::ToQString(dir.path() / "never.mml");

    // No image open: no save dialog.
    click("Button17");
    ExpectMessage(onlyMessage(), "読み込みファイルが存在しません。", "エラー", MessageIcon::Stop);
    EXPECT_TRUE(dialogs->saveRequests.empty());

    // The save dialog cancelled: nothing shown, nothing written.
    Bytes image = GameImage(kSong);
    openImage(image);
    dialogs->messages.clear();
    dialogs->saveAnswers = {std::nullopt};
    click("Button17");
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(dialogs->saveRequests.size(), 1u);

    // A code the game's sound driver does not know: the reverse compiler's message, no file,
    // and the number field showing the number read.
    image[kFirstChannelByte] = 0xE9;
    openImage(image, "unknown-code.smc");
    dialogs->messages.clear();
    control<QLineEdit>("Edit69")->setText("b0");
    dialogs->saveAnswers = {out};
    click("Button17");
    ExpectMessage(onlyMessage(), "この曲はMML化できません。\n不明な制御コード：E9", "エラー",
                  MessageIcon::Stop);
    EXPECT_EQ(text("Edit69"), "B0");
    EXPECT_FALSE(std::filesystem::exists(app::ToPath(out)));

    // An image whose title is none of the nine, after the save dialog.
    openImage(RomImageBuilder().cartridge("SOME OTHER GAME", 1).build(), "other.smc");
    dialogs->messages.clear();
    dialogs->saveAnswers = {out};
    click("Button17");
    ExpectMessage(onlyMessage(), "このROMには対応していません。", "エラー", MessageIcon::Stop);
    EXPECT_EQ(dialogs->saveRequests.size(), 3u);
    EXPECT_FALSE(std::filesystem::exists(app::ToPath(out)));
}

// "逆コンパイル" never writes the song over the open image, whichever name of it is chosen; nor
// does "コンパイル" compile the image into itself.
TEST_F(MmlPageTest, TheOpenImageIsNeverTheOtherFile)
{
    createPage();
    const Bytes image = GameImage(kSong);
    const QString rom = openImage(image);
    control<QLineEdit>("Edit69")->setText("B0");
    const QStringList names = NamesOf(app::ToPath(rom), ".mml");
    for (const QString& chosen : names) {
        dialogs->saveAnswers = {chosen};
        click("Button17");
        expectOutputRefused(chosen, "逆コンパイル");
        EXPECT_EQ(imageBytes(chosen), image);
    }
    control<QLineEdit>("Edit67")->setText(names[1]);
    click("Button13");
    ExpectMessage(onlyMessage(), "出力先が入力ファイルと同じです。\ngame.smc", "エラー",
                  MessageIcon::Stop);
    EXPECT_EQ(imageBytes(rom), image);
}

// At the window's smallest size every control of the page can be scrolled into view.
TEST_F(MmlPageTest, EveryControlIsReachableAtTheSmallestSize)
{
    createPage();
    window->show();
    window->resize(window->minimumSize());
    QApplication::processEvents();
    ASSERT_EQ(window->size(), app::TForm1::smallestSize());
    QWidget* page = control("MmlPage");
    QScrollArea* area = nullptr;
    for (QWidget* parent = page->parentWidget(); parent && !area; parent = parent->parentWidget())
        area = qobject_cast<QScrollArea*>(parent);
    ASSERT_NE(area, nullptr);
    for (const char* name : {"Edit67", "Button11", "Edit69", "Edit70", "Edit71", "CheckListBox1",
                             "CheckListBox2", "CheckListBox3", "Button17", "Button13"}) {
        QWidget* widget = control(name);
        ASSERT_TRUE(widget->isVisible()) << name;
        const QPoint at = widget->mapTo(area->widget(), QPoint(0, 0));
        area->horizontalScrollBar()->setValue(at.x());
        area->verticalScrollBar()->setValue(at.y());
        QApplication::processEvents();
        const QRect shown(widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size());
        const QRect room = area->viewport()->rect();
        if (widget->width() <= room.width() && widget->height() <= room.height())
            EXPECT_TRUE(room.contains(shown)) << name;
        else
            EXPECT_TRUE(room.contains(shown.topLeft())) << name;
    }
    expectControlsUnclipped(page, "MML");
}

} // namespace
} // namespace varn::test
