#include <functional>

#include <QCheckBox>
#include <QDate>

#include "CharaPatchFixture.h"
#include "app/CharaPatchPage.h"
#include "support/RomImageBuilder.h"

namespace varn::test {
namespace {

using CharaPatchCreateTest = CharaPatchFixture;

constexpr std::size_t kDefaultPatchSize = 7242;

TEST_F(CharaPatchCreateTest, DefaultFormWithASheetIsSavedUnderTodaysName)
{
    createEditor();
    loadSheet();
    const QString path = pathIn("patch.vnp");
    createPatch(path);

    ASSERT_EQ(dialogs->saveRequests.size(), 1u);
    const app::FileDialogRequest& request = dialogs->saveRequests[0];
    EXPECT_EQ(request.filter, "vnpファイル(*.vnp)|*.vnp");
    EXPECT_EQ(request.filterIndex, 1);
    EXPECT_EQ(request.defaultExtension, ".vnp");
    EXPECT_EQ(request.proposedName,
              "名無しさん_" + QDate::currentDate().toString(QStringLiteral("yyyyMMdd")));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].text, "処理が完了しました");
    EXPECT_EQ(dialogs->messages[0].caption, "終了");
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Information);
    const std::vector<std::uint8_t> bytes = ReadFileBytes(app::ToPath(path));
    EXPECT_EQ(bytes.size(), kDefaultPatchSize);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 3), "VNP");

    // The name proposed is the name field's.
    type("Edit1", "ゆうしゃ");
    dialogs->saveAnswers.push_back(std::nullopt);
    createPatch();
    ASSERT_EQ(dialogs->saveRequests.size(), 2u);
    EXPECT_TRUE(dialogs->saveRequests[1].proposedName.startsWith("ゆうしゃ_"));
}

TEST_F(CharaPatchCreateTest, CancelledOrFailedSaveShowsNoCompletion)
{
    createEditor();
    loadSheet();

    dialogs->saveAnswers.push_back(std::nullopt);
    createPatch();
    EXPECT_EQ(dialogs->saveRequests.size(), 1u);
    EXPECT_TRUE(dialogs->messages.empty());

    createPatch(pathIn("no such folder/patch.vnp"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_EQ(dialogs->messages[0].caption, "エラー");
    EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);
    EXPECT_FALSE(dialogs->messages[0].text.isEmpty());
    EXPECT_NE(dialogs->messages[0].text, "処理が完了しました");
}

// "パッチ作成" never saves the patch over the open image, whichever name of it is chosen.
TEST_F(CharaPatchCreateTest, SavingOverTheOpenImageIsRefusedAndWritesNothing)
{
    createEditor();
    loadSheet();
    const std::vector<std::uint8_t> image =
        RomImageBuilder::Target(RomImageBuilder::kPlainSize).build();
    const std::filesystem::path rom = dir.write("game.smc", image);
    window->OpenRomImage(app::ToQString(rom));
    ASSERT_TRUE(dialogs->messages.empty());
    for (const QString& chosen : NamesOf(rom, ".vnp")) {
        createPatch(chosen);
        expectOutputRefused(chosen);
        EXPECT_TRUE(ReadFileBytes(app::ToPath(chosen)) == image) << chosen.toStdString();
    }
    // Another name is saved as before.
    createPatch(pathIn("patch.vnp"));
    EXPECT_EQ(messageTexts(), QStringList{"処理が完了しました"});
    EXPECT_EQ(ReadFileBytes(dir.path() / "patch.vnp").size(), kDefaultPatchSize);
}

// One check of "パッチ作成" made to fail, with what the user then sees.
struct FailingStep {
    const char* name;
    QString message;
    int page;          // the inner page brought to the front; -1: the page stays
    const char* focus; // the control focused; "": none
};

// The checks in their order. Each case breaks its own check and every later one, so the
// message shown must be the earliest check's.
TEST_F(CharaPatchCreateTest, ChecksRunInOrderAndPointAtTheFirstProblem)
{
    const FailingStep steps[] = {
        {"Sheet", "画像を指定してください。", -1, ""},
        {"Name", "すべての項目を入力してください。", -1, "Edit1"},
        {"Title", "肩書きが長すぎます。", -1, "Edit2"},
        {"Comment", "コメントが長すぎます", -1, "Memo1"},
        {"Attribute", "5～90の範囲外です。", 0, "Edit9"},
        {"Lp", "3～99の範囲外です。", 0, "Edit10"},
        {"Hp", "30～900の範囲外です。", 1, "Edit33"},
        {"Level", "0～31の範囲外です。", 1, "Edit40"},
        {"SpellLevel", "術レベル0の術が設定されています。", 3, "ComboBox9"},
        {"GrowthRate", "0～8の範囲外です。", 4, "Edit56"},
        {"FirstTalk", "すべての項目を入力してください。", 6, "Edit57"},
        {"RepeatTalk", "メッセージが長すぎます。", 7, "Memo6"},
        {"LastBattle", "メッセージが長すぎます。", 8, "Memo9"},
        {"Equipment", "装備できない組み合わせの防具が設定されています。", -1, ""},
    };
    // Breaks check i of the table (0, the missing sheet, is broken by not loading one).
    const std::function<void()> breakers[] = {
        [] {},
        [&] { type("Edit1", ""); },
        [&] { type("Edit2", "ひよっこのゆうしゃ"); },
        [&] { write("Memo1", QString(1025, QLatin1Char('a'))); },
        [&] { type("Edit9", "91"); },
        [&] { type("Edit10", "100"); },
        [&] { type("Edit33", "29"); },
        [&] { type("Edit40", "32"); },
        [&] {
            selectCode("ComboBox11", SpellItems(), 0xAB); // 蒼龍, after normalising in slot 1
            radio("RadioButton2")->setChecked(true);      // 地術 朱鳥
        },
        [&] { type("Edit56", "9"); },
        [&] { type("Edit57", ""); },
        [&] {
            write("Memo2", "ようこそ");
            type("Edit57", "はい");
            type("Edit58", "いいえ");
            write("Memo3", "よろしく");
            write("Memo6", "あ\nい\nう\nえ\nお");
            type("Edit61", "はい");
            type("Edit62", "いいえ");
            write("Memo7", "ありがとう");
            write("Memo8", "ざんねん");
        },
        [&] { write("Memo9", "あ\nい\nう\nえ"); },
        [&] {
            selectCode("ComboBox17", ArmourItems(), 0xA0);
            selectCode("ComboBox18", ArmourItems(), 0x60);
        },
    };
    static_assert(std::size(steps) == std::size(breakers));

    constexpr int kStartPage = 5;
    for (std::size_t first = 0; first < std::size(steps); ++first) {
        const FailingStep& step = steps[first];
        SCOPED_TRACE(step.name);
        createEditor();
        if (first > 0)
            loadSheet();
        for (std::size_t i = std::size(breakers); i-- > std::max<std::size_t>(first, 1);)
            breakers[i]();
        innerPages()->setCurrentIndex(kStartPage);
        control("Button2")->setFocus();
        dialogs->messages.clear();

        createPatch();
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text, step.message);
        EXPECT_EQ(dialogs->messages[0].caption, "エラー");
        EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Stop);
        EXPECT_FALSE(dialogs->messages[0].okCancel);
        EXPECT_EQ(innerPages()->currentIndex(), step.page >= 0 ? step.page : kStartPage);
        if (*step.focus != '\0') {
            EXPECT_EQ(focusedName(), step.focus);
            EXPECT_TRUE(control(step.focus)->hasFocus());
        }
        EXPECT_TRUE(dialogs->saveRequests.empty());
    }
}

TEST_F(CharaPatchCreateTest, FailedCheckStillShowsTidiedSkillsAndMessages)
{
    createEditor();
    loadSheet();
    // Technique 0F twice with a gap; spell AB in slot 3 with the wrong earth school.
    selectCode("ComboBox5", TechniqueItems(), 0x0F);
    selectCode("ComboBox7", TechniqueItems(), 0x0F);
    selectCode("ComboBox8", TechniqueItems(), 0x10);
    selectCode("ComboBox11", SpellItems(), 0xAB);
    radio("RadioButton2")->setChecked(true);

    createPatch();
    EXPECT_EQ(messageTexts(), QStringList{"術レベル0の術が設定されています。"});
    EXPECT_EQ(selectedCode("ComboBox5", TechniqueItems()), 0x0F);
    EXPECT_EQ(selectedCode("ComboBox6", TechniqueItems()), 0x10);
    EXPECT_EQ(selectedCode("ComboBox7", TechniqueItems()), kNoItemCode);
    EXPECT_EQ(selectedCode("ComboBox8", TechniqueItems()), kNoItemCode);
    EXPECT_EQ(selectedCode("ComboBox9", SpellItems()), 0xAB);
    EXPECT_EQ(selectedCode("ComboBox11", SpellItems()), kNoItemCode);

    // With the school right and a level, the spell passes; a half-width first line is shown
    // in full width even though the later-meeting page then fails.
    radio("RadioButton1")->setChecked(true);
    type("Edit40", "1");
    write("Memo2", "ﾖｳｺｿ");
    type("Edit57", "はい");
    type("Edit58", "いいえ");
    write("Memo3", "よろしく");
    dialogs->messages.clear();
    createPatch();
    EXPECT_EQ(messageTexts(), QStringList{"すべての項目を入力してください。"});
    EXPECT_EQ(focusedName(), "Memo6");
    EXPECT_EQ(memo("Memo2")->toPlainText(), "ヨウコソ");
}

TEST_F(CharaPatchCreateTest, WarningsAreConfirmedOnceBeforeSaving)
{
    const QString equipment = "装備できない組み合わせの防具が設定されています。\n";
    const QString extension = "以下の拡張文字が使用されています。\n「①」\n";
    const QString question = "このまま続けてよろしいですか？";
    const std::pair<const char*, QString> cases[] = {
        {"EquipmentCheck=1\nExtensionChar=1\n", equipment + extension + question},
        {"EquipmentCheck=2\nExtensionChar=1\n", extension + question},
        {"EquipmentCheck=1\nExtensionChar=2\n", equipment + question},
        {"EquipmentCheck=2\nExtensionChar=2\n", ""},
    };
    for (const auto& [settings, warning] : cases) {
        SCOPED_TRACE(settings);
        createEditor(std::string("[Varnwork]\n") + settings + "10,①,②\n");
        loadSheet();
        type("Edit1", "名無し①");
        selectCode("ComboBox17", ArmourItems(), 0xA0);
        selectCode("ComboBox18", ArmourItems(), 0x60);
        const QString path = pathIn("warned.vnp");
        std::filesystem::remove(app::ToPath(path));

        if (warning.isEmpty()) {
            createPatch(path);
            EXPECT_EQ(messageTexts(), QStringList{"処理が完了しました"});
            EXPECT_TRUE(std::filesystem::exists(app::ToPath(path)));
            continue;
        }

        // Cancel stops before the save dialog.
        dialogs->okCancelAnswers.push_back(false);
        createPatch();
        ASSERT_EQ(dialogs->messages.size(), 1u);
        EXPECT_EQ(dialogs->messages[0].text, warning);
        EXPECT_EQ(dialogs->messages[0].caption, "警告");
        EXPECT_EQ(dialogs->messages[0].icon, app::MessageIcon::Exclamation);
        EXPECT_TRUE(dialogs->messages[0].okCancel);
        EXPECT_TRUE(dialogs->saveRequests.empty());
        EXPECT_FALSE(std::filesystem::exists(app::ToPath(path)));

        // OK goes on to save.
        dialogs->messages.clear();
        dialogs->okCancelAnswers.push_back(true);
        createPatch(path);
        EXPECT_EQ(messageTexts(), (QStringList{warning, "処理が完了しました"}));
        EXPECT_TRUE(std::filesystem::exists(app::ToPath(path)));
    }
}

TEST_F(CharaPatchCreateTest, ATwoLineCommentIsStoredWithCrLfAndComesBackAsTwoLines)
{
    createEditor();
    loadSheet();
    write("Memo1", "一行目\n二行目");
    const QString path = pathIn("comment.vnp");
    createPatch(path);
    ASSERT_EQ(messageTexts(), QStringList{"処理が完了しました"});
    // The comment record ends the file: its bytes hold the line break as CR LF.
    const std::vector<std::uint8_t> bytes = ReadFileBytes(app::ToPath(path));
    const std::string tail = "\x88\xEA\x8D\x73\x96\xDA\r\n\x93\xF1\x8D\x73\x96\xDA";
    ASSERT_GE(bytes.size(), tail.size());
    EXPECT_EQ(std::string(bytes.end() - static_cast<std::ptrdiff_t>(tail.size()), bytes.end()), tail);

    createEditor();
    dialogs->messages.clear();
    openWithButton(path);
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(memo("Memo1")->toPlainText(), "一行目\n二行目");
    EXPECT_EQ(memo("Memo1")->document()->blockCount(), 2);
}

TEST_F(CharaPatchCreateTest, LoadingAPatchRestoresWhatItHoldsAndKeepsTheRest)
{
    createEditor();
    openWithButton(writeSheet("blue.gif", 0x7C00));
    type("Edit1", "テスト");
    type("Edit2", "みならい");
    combo("ComboBox1")->setCurrentIndex(1);
    type("Edit3", "20");
    type("Edit10", "128");
    combo("ComboBox3")->setCurrentIndex(2); // 鎮星
    combo("ComboBox4")->setCurrentIndex(3); // 棍棒
    combo("ComboBox2")->setCurrentIndex(5);
    combo("ComboBox60")->setCurrentIndex(7);
    combo("ComboBox71")->setCurrentIndex(4);
    type("Edit33", "120");
    type("Edit34", "5");
    tick("CheckBox2")->setChecked(true);
    radio("RadioButton3")->setChecked(true); // 白虎
    type("Edit40", "3");
    radio("RadioButton6")->setChecked(true); // 月
    selectCode("ComboBox13", WeaponItems(), 0x00);
    selectCode("ComboBox17", ArmourItems(), 0x60);
    selectCode("ComboBox5", TechniqueItems(), 0x0F);
    selectCode("ComboBox9", SpellItems(), 0xB9); // 白虎
    type("Edit42", "4");
    type("Edit56", "8");
    tick("CheckBox10")->setChecked(true);
    selectCode("ComboBox21", FormationItems(), 0x03);
    selectCode("ComboBox22", ExclusiveWeaponItems(), 0x10);
    selectCode("ComboBox23", CommanderItems(), 0x02);
    tick("CheckBox16")->setChecked(true);
    tick("CheckBox29")->setChecked(true);
    const QString saved = pathIn("one.vnp");
    createPatch(saved);
    ASSERT_EQ(messageTexts(), QStringList{"処理が完了しました"});

    // A fresh editor with its own sheet and texts the patch does not hold.
    createEditor();
    loadSheet();
    write("Memo1", "メモ");
    write("Memo2", "こんにちは");
    write("Memo9", "さらば");
    dialogs->messages.clear();
    openWithButton(saved);
    EXPECT_TRUE(dialogs->messages.empty());

    EXPECT_EQ(text("Edit1"), "テスト");
    EXPECT_EQ(text("Edit2"), "みならい");
    EXPECT_EQ(combo("ComboBox1")->currentIndex(), 1);
    EXPECT_EQ(text("Edit3"), "20");
    EXPECT_EQ(text("Edit4"), "17");
    EXPECT_EQ(text("Edit10"), "128");
    EXPECT_EQ(combo("ComboBox3")->currentIndex(), 2);
    EXPECT_EQ(combo("ComboBox4")->currentIndex(), 3);
    EXPECT_EQ(combo("ComboBox2")->currentIndex(), 5);
    EXPECT_EQ(combo("ComboBox60")->currentIndex(), 7);
    EXPECT_EQ(combo("ComboBox71")->currentIndex(), 4);
    EXPECT_EQ(text("Edit25"), "22"); // 20 + 1 (鎮星) + 1 (棍棒)
    EXPECT_EQ(text("Edit33"), "120");
    EXPECT_EQ(text("Edit34"), "5");
    EXPECT_TRUE(tick("CheckBox2")->isChecked());
    EXPECT_TRUE(radio("RadioButton3")->isChecked());
    EXPECT_EQ(text("Edit40"), "3");
    EXPECT_TRUE(radio("RadioButton6")->isChecked());
    EXPECT_EQ(selectedCode("ComboBox13", WeaponItems()), 0x00);
    EXPECT_EQ(selectedCode("ComboBox17", ArmourItems()), 0x60);
    EXPECT_EQ(selectedCode("ComboBox5", TechniqueItems()), 0x0F);
    EXPECT_EQ(selectedCode("ComboBox9", SpellItems()), 0xB9);
    EXPECT_EQ(text("Edit42"), "4");
    EXPECT_EQ(text("Edit56"), "8");
    EXPECT_TRUE(tick("CheckBox10")->isChecked());
    EXPECT_FALSE(tick("CheckBox11")->isChecked());
    EXPECT_EQ(selectedCode("ComboBox21", FormationItems()), 0x03);
    EXPECT_EQ(selectedCode("ComboBox22", ExclusiveWeaponItems()), 0x10);
    EXPECT_EQ(selectedCode("ComboBox23", CommanderItems()), 0x02);
    EXPECT_TRUE(tick("CheckBox16")->isChecked());
    EXPECT_TRUE(tick("CheckBox29")->isChecked());
    // Neither a comment nor conversations in the patch: those fields stay.
    EXPECT_EQ(memo("Memo1")->toPlainText(), "メモ");
    EXPECT_EQ(memo("Memo2")->toPlainText(), "こんにちは");
    EXPECT_EQ(memo("Memo9")->toPlainText(), "さらば");
    // The patch's sheet is the editor's and is shown.
    EXPECT_TRUE(control("Button8")->isEnabled());
    EXPECT_EQ(control<QLabel>("Image1")->pixmap().toImage().pixelColor(1, 1), QColor(0, 0, 248));
}

TEST_F(CharaPatchCreateTest, LoadingAPatchWithConversationsSetsTheirPages)
{
    createEditor();
    loadSheet();
    write("Memo1", "だいじなメモ");
    write("Memo2", "ようこそ");
    type("Edit57", "はい");
    type("Edit58", "いいえ");
    write("Memo3", "よろしく");
    tick("CheckBox31")->setChecked(true);
    type("Edit59", "もちろん");
    type("Edit60", "やめる");
    write("Memo4", "なかまになる");
    radio("RadioButton9")->setChecked(true);
    write("Memo5", "よわすぎる");
    write("Memo6", "またきたか");
    type("Edit61", "うん");
    type("Edit62", "ううん");
    write("Memo7", "よし");
    write("Memo8", "そうか");
    write("Memo9", "さいごだ");
    combo("ComboBox25")->setCurrentIndex(5);
    const QString saved = pathIn("talk.vnp");
    createPatch(saved);
    ASSERT_EQ(messageTexts(), QStringList{"処理が完了しました"});

    createEditor();
    dialogs->messages.clear();
    ASSERT_TRUE(dropFilesOn(control("Panel1"), {saved}));
    EXPECT_TRUE(dialogs->messages.empty());
    const std::pair<const char*, const char*> memos[] = {
        {"Memo1", "だいじなメモ"}, {"Memo2", "ようこそ"},   {"Memo3", "よろしく"},
        {"Memo4", "なかまになる"}, {"Memo5", "よわすぎる"}, {"Memo6", "またきたか"},
        {"Memo7", "よし"},         {"Memo8", "そうか"},     {"Memo9", "さいごだ"},
    };
    for (const auto& [name, expected] : memos)
        EXPECT_EQ(memo(name)->toPlainText(), QString::fromUtf8(expected)) << name;
    const std::pair<const char*, const char*> choices[] = {
        {"Edit57", "はい"},   {"Edit58", "いいえ"}, {"Edit59", "もちろん"},
        {"Edit60", "やめる"}, {"Edit61", "うん"},   {"Edit62", "ううん"},
    };
    for (const auto& [name, expected] : choices)
        EXPECT_EQ(text(name), QString::fromUtf8(expected)) << name;
    EXPECT_TRUE(tick("CheckBox31")->isChecked());
    EXPECT_TRUE(radio("RadioButton9")->isChecked());
    EXPECT_TRUE(control("Edit59")->isEnabled());
    EXPECT_TRUE(control("Memo5")->isEnabled());
    EXPECT_EQ(combo("ComboBox25")->currentIndex(), 5);
    EXPECT_TRUE(control("Button8")->isEnabled());
}

TEST_F(CharaPatchCreateTest, RefusedPatchEmptiesTheSheetAndShowsWhy)
{
    createEditor();
    loadSheet();
    dir.write("short.vnp", "VNP");
    dialogs->messages.clear();
    openWithButton(pathIn("short.vnp"));
    ASSERT_EQ(dialogs->messages.size(), 1u);
    EXPECT_FALSE(dialogs->messages[0].text.isEmpty());
    EXPECT_EQ(dialogs->messages[0].caption, "エラー");
    EXPECT_TRUE(window->sheetImage().frames.empty());
    EXPECT_FALSE(control("Button8")->isEnabled());
    EXPECT_TRUE(control<QLabel>("Image1")->pixmap().isNull());
    EXPECT_EQ(text("Edit1"), "名無しさん");

    // Without a sheet the patch cannot be made.
    dialogs->messages.clear();
    createPatch();
    EXPECT_EQ(messageTexts(), QStringList{"画像を指定してください。"});
}

} // namespace
} // namespace varn::test
