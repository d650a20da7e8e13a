#include <QScrollArea>
#include <QAbstractItemModel>
#include <QCheckBox>
#include <QTabBar>
#include <QToolButton>

#include "CharaPatchFixture.h"
#include "app/CharaPatchPage.h"
#include "app/GifQImage.h"
#include "support/BrokenGifs.h"

namespace varn::test {
namespace {

using CharaPatchPageTest = CharaPatchFixture;

QString Numbered(const char* prefix, int number)
{
    return QString::fromLatin1(prefix) + QString::number(number);
}

TEST_F(CharaPatchPageTest, InnerPagesInOrderEachReachableAndUnclipped)
{
    createEditor();
    const auto* area = qobject_cast<QScrollArea*>(control<QTabWidget>("PageControl1")->widget(1));
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->isAncestorOf(control("CharaPatchPage")));
    EXPECT_EQ(control<QTabWidget>("PageControl1")->tabText(1), "キャラパッチ");

    QTabWidget* pages = innerPages();
    const QStringList captions = {"基本ステータス", "初期レベル",      "初期装備",
                                  "初期習得技術",   "成長率",          "その他",
                                  "会話(初回)",     "会話(2回目以降)", "ラストバトル"};
    ASSERT_EQ(pages->count(), captions.size());
    EXPECT_EQ(pages->currentIndex(), 0);

    const QTabBar* tabs = pages->tabBar();
    for (int i = 0; i < pages->count(); ++i) {
        EXPECT_EQ(pages->tabText(i), captions[i]) << i;
        pages->setCurrentIndex(i);
        QApplication::processEvents();
        // The chosen tab is shown whole, clear of the scroll buttons.
        const QRect tab = tabs->tabRect(i);
        EXPECT_TRUE(tabs->rect().contains(tab)) << i;
        EXPECT_GE(tab.width(), tabs->fontMetrics().horizontalAdvance(captions[i])) << i;
        for (const QToolButton* arrow : tabs->findChildren<QToolButton*>()) {
            if (arrow->isVisible()) {
                EXPECT_FALSE(arrow->geometry().intersects(tab)) << i;
            }
        }
        expectControlsUnclipped(window.get(), captions[i].toStdString());
        expectPagesUnscrolled(captions[i].toStdString());
    }
}

TEST_F(CharaPatchPageTest, FieldsStartWithTheirDefaults)
{
    createEditor();
    struct Field {
        QString name;
        QString text;
        int maxLength; // 0: not a number field
        bool readOnly;
    };
    std::vector<Field> fields = {
        {"Edit1", "名無しさん", 0, false},
        {"Edit2", "お腹いっぱい。", 0, false},
        {"Edit10", "10", 3, false},
        {"Edit33", "80", 3, false},
    };
    for (int i = 3; i <= 9; ++i)
        fields.push_back({Numbered("Edit", i), "17", 2, false});
    for (int i = 34; i <= 41; ++i)
        fields.push_back({Numbered("Edit", i), "0", 2, false});
    for (int i = 42; i <= 56; ++i)
        fields.push_back({Numbered("Edit", i), "0", 3, false});
    for (int i = 57; i <= 62; ++i)
        fields.push_back({Numbered("Edit", i), "", 0, false});
    for (const Field& field : fields) {
        const auto* line = window->findChild<QLineEdit*>(field.name);
        ASSERT_NE(line, nullptr) << field.name.toStdString();
        EXPECT_EQ(line->text(), field.text) << field.name.toStdString();
        EXPECT_EQ(line->isReadOnly(), field.readOnly) << field.name.toStdString();
        if (field.maxLength > 0) {
            EXPECT_EQ(line->maxLength(), field.maxLength) << field.name.toStdString();
        }
    }
    for (int i = 11; i <= 32; ++i) {
        const auto* total = window->findChild<QLineEdit*>(Numbered("Edit", i));
        ASSERT_NE(total, nullptr) << i;
        EXPECT_TRUE(total->isReadOnly()) << i;
    }
    for (int i = 1; i <= 9; ++i) {
        const auto* text = window->findChild<QPlainTextEdit*>(Numbered("Memo", i));
        ASSERT_NE(text, nullptr) << i;
        EXPECT_TRUE(text->toPlainText().isEmpty()) << i;
    }
    for (int i = 1; i <= 31; ++i) {
        if (i == 30)
            continue; // the page has no CheckBox30
        const auto* box = window->findChild<QCheckBox*>(Numbered("CheckBox", i));
        ASSERT_NE(box, nullptr) << i;
        EXPECT_EQ(box->isChecked(), i == 1) << i; // only HP grows by default
    }
    for (int i = 1; i <= 9; ++i) {
        const auto* button = window->findChild<QRadioButton*>(Numbered("RadioButton", i));
        ASSERT_NE(button, nullptr) << i;
        EXPECT_EQ(button->isChecked(), i == 1 || i == 5 || i == 7) << i;
    }

    EXPECT_EQ(control<QPushButton>("Button1")->text(), "...");
    EXPECT_EQ(control<QPushButton>("Button2")->text(), "パッチ作成");
    EXPECT_EQ(control<QPushButton>("Button8")->text(), "アニメーション確認");
    EXPECT_FALSE(control<QPushButton>("Button8")->isEnabled());
    EXPECT_EQ(control("Image1")->size(), QSize(176, 133));
    EXPECT_TRUE(control("Panel1")->isAncestorOf(control("Image1")));
}

TEST_F(CharaPatchPageTest, ListsAreDropDownsOnTheirFirstItemAndSlotsShareOneModel)
{
    createEditor();
    const std::pair<const char*, const ItemList*> lists[] = {
        {"ComboBox1", &GenderItems()},          {"ComboBox3", &GuardianStarItems()},
        {"ComboBox4", &FavouriteWeaponItems()}, {"ComboBox60", &GrowthTypeItems()},
        {"ComboBox2", &SparkTypeItems()},       {"ComboBox71", &InitialMagicItems()},
        {"ComboBox13", &WeaponItems()},         {"ComboBox17", &ArmourItems()},
        {"ComboBox5", &TechniqueItems()},       {"ComboBox9", &SpellItems()},
        {"ComboBox21", &FormationItems()},      {"ComboBox22", &ExclusiveWeaponItems()},
        {"ComboBox23", &CommanderItems()},      {"ComboBox25", &TalkMusicItems()},
    };
    for (const auto& [name, items] : lists) {
        const QComboBox* box = combo(name);
        ASSERT_NE(box, nullptr) << name;
        EXPECT_FALSE(box->isEditable()) << name;
        EXPECT_EQ(box->currentIndex(), 0) << name;
        ASSERT_EQ(box->count(), static_cast<int>(items->size())) << name;
        for (int row = 0; row < box->count(); ++row)
            ASSERT_EQ(box->itemText(row), QString::fromStdString(items->at(row).label)) << name;
    }
    EXPECT_EQ(combo("ComboBox3")->itemText(0), "歳星");
    EXPECT_EQ(combo("ComboBox13")->itemText(0), "【FF】なし");
    EXPECT_EQ(combo("ComboBox25")->itemText(254), "【FE】");

    const std::pair<int, int> slotGroups[] = {{13, 16}, {17, 20}, {5, 8}, {9, 12}};
    for (const auto& [first, last] : slotGroups) {
        const QAbstractItemModel* shared = combo(qPrintable(Numbered("ComboBox", first)))->model();
        for (int i = first; i <= last; ++i) {
            const QComboBox* box = combo(qPrintable(Numbered("ComboBox", i)));
            EXPECT_EQ(box->model(), shared) << i;
            EXPECT_FALSE(box->isEditable()) << i;
            EXPECT_EQ(box->currentIndex(), 0) << i;
        }
    }
}

app::CharaPatchPage& Page(QWidget& window)
{
    return *window.findChild<app::CharaPatchPage*>();
}

// Each control feeds its own member of the form: every field holds a distinct value and each
// tick box, radio button and list is tried on its own.
TEST_F(CharaPatchPageTest, FormTakesEachValueFromItsControl)
{
    createEditor();
    for (int i = 1; i <= 62; ++i) {
        if (i < 11 || (i > 32)) {
            type(qPrintable(Numbered("Edit", i)), QString::number(i));
        }
    }
    const QString memoTexts[] = {"", "m1", "m2", "m3", "m4", "m5", "m6", "m7", "m8", "m9"};
    for (int i = 1; i <= 9; ++i)
        write(qPrintable(Numbered("Memo", i)), memoTexts[i]);

    CharacterForm form = Page(*window).readForm();
    const auto number = [](int field) { return std::to_string(field); };
    EXPECT_EQ(form.name, "1");
    EXPECT_EQ(form.title, "2");
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(form.attributes[i], number(3 + i)) << i;
    EXPECT_EQ(form.lp, "10");
    EXPECT_EQ(form.hp, "33");
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(form.levels[i], number(34 + i)) << i; // 斬 打 突 射 体術 増幅 地術 天術
    // Record order: HP WP JP, 斬 打 突 射 体術, the six schools, 増幅 last.
    const int growthFields[15] = {42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54, 55, 56};
    for (int i = 0; i < 15; ++i)
        EXPECT_EQ(form.growthRates[i], number(growthFields[i])) << i;
    EXPECT_EQ(form.firstOk, "57");
    EXPECT_EQ(form.firstNg, "58");
    EXPECT_EQ(form.secondOk, "59");
    EXPECT_EQ(form.secondNg, "60");
    EXPECT_EQ(form.repeatOk, "61");
    EXPECT_EQ(form.repeatNg, "62");
    const std::string* memos[] = {&form.comment,       &form.firstLine,     &form.firstAfterOk,
                                  &form.joinLine,      &form.refuseLine,    &form.repeatLine,
                                  &form.repeatAfterOk, &form.repeatAfterNg, &form.lastBattleLine};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(*memos[i], memoTexts[i + 1].toStdString()) << i;

    // Tick boxes one at a time.
    for (int box = 1; box <= 31; ++box) {
        if (box == 30)
            continue;
        for (QCheckBox* other : window->findChildren<QCheckBox*>())
            other->setChecked(false);
        tick(qPrintable(Numbered("CheckBox", box)))->setChecked(true);
        form = Page(*window).readForm();
        std::vector<bool> flags;
        flags.insert(flags.end(), form.levelGrowth.begin(), form.levelGrowth.end()); // 1-9
        flags.insert(flags.end(), form.purchaseBan.begin(), form.purchaseBan.end()); // 10-15
        flags.insert(flags.end(), form.weaponCost.begin(), form.weaponCost.end());   // 16-23
        flags.insert(flags.end(), form.magicCost.begin(), form.magicCost.end());     // 24-29
        flags.push_back(form.secondChoice);                                          // 31
        std::vector<bool> expected(flags.size(), false);
        expected[static_cast<std::size_t>(box < 30 ? box - 1 : 29)] = true;
        EXPECT_EQ(flags, expected) << "CheckBox" << box;
    }

    const std::pair<const char*, std::pair<int CharacterForm::*, int>> radios[] = {
        {"RadioButton1", {&CharacterForm::earthSchool, 0}},
        {"RadioButton2", {&CharacterForm::earthSchool, 1}},
        {"RadioButton3", {&CharacterForm::earthSchool, 2}},
        {"RadioButton4", {&CharacterForm::earthSchool, 3}},
        {"RadioButton6", {&CharacterForm::heavenSchool, 1}},
        {"RadioButton5", {&CharacterForm::heavenSchool, 0}},
        {"RadioButton8", {&CharacterForm::hpCondition, 1}},
        {"RadioButton9", {&CharacterForm::hpCondition, 2}},
        {"RadioButton7", {&CharacterForm::hpCondition, 0}},
    };
    for (const auto& [name, member] : radios) {
        radio(name)->setChecked(true);
        EXPECT_EQ(Page(*window).readForm().*(member.first), member.second) << name;
    }

    const std::pair<const char*, int CharacterForm::*> indexLists[] = {
        {"ComboBox1", &CharacterForm::gender},
        {"ComboBox3", &CharacterForm::guardianStar},
        {"ComboBox4", &CharacterForm::favouriteWeapon},
        {"ComboBox2", &CharacterForm::sparkType},
        {"ComboBox60", &CharacterForm::growthType},
        {"ComboBox71", &CharacterForm::initialMagic},
        {"ComboBox25", &CharacterForm::talkMusic},
    };
    for (const auto& [name, member] : indexLists) {
        combo(name)->setCurrentIndex(3);
        EXPECT_EQ(Page(*window).readForm().*member, 3) << name;
        combo(name)->setCurrentIndex(0);
    }

    // Coded lists: the slots in order, each with its own code.
    struct Slots {
        int firstBox;
        const ItemList& items;
        std::array<std::uint8_t, 4> CharacterForm::*member;
        std::array<std::uint8_t, 4> codes;
    };
    const Slots slotLists[] = {
        {13, WeaponItems(), &CharacterForm::weapons, {0x00, 0x01, 0x50, 0x5F}},
        {17, ArmourItems(), &CharacterForm::armours, {0x60, 0x77, 0xB0, 0xDF}},
        {5, TechniqueItems(), &CharacterForm::techniques, {0x0F, 0x28, 0x38, 0xA5}},
        {9, SpellItems(), &CharacterForm::spells, {0xAB, 0xB2, 0xB9, 0xD7}},
    };
    for (const Slots& list : slotLists) {
        for (int i = 0; i < 4; ++i)
            selectCode(qPrintable(Numbered("ComboBox", list.firstBox + i)), list.items,
                       list.codes[i]);
        EXPECT_EQ(Page(*window).readForm().*(list.member), list.codes) << list.firstBox;
    }
    selectCode("ComboBox21", FormationItems(), 0x0A);
    selectCode("ComboBox22", ExclusiveWeaponItems(), 0xB8);
    selectCode("ComboBox23", CommanderItems(), 0x08);
    form = Page(*window).readForm();
    EXPECT_EQ(form.formation, 0x0A);
    EXPECT_EQ(form.exclusiveWeapon, 0xB8);
    EXPECT_EQ(form.commander, 0x08);
}

// A form written to the controls reads back the same, so the page and the core agree on
// every member in both directions.
TEST_F(CharaPatchPageTest, FormWrittenToTheControlsReadsBackTheSame)
{
    createEditor();
    CharacterForm form;
    form.name = "なまえ";
    form.title = "かたがき";
    form.gender = 3;
    form.comment = "こめんと\nふたぎょうめ";
    form.attributes = {"11", "12", "13", "14", "15", "16", "x"};
    form.lp = "128";
    form.guardianStar = 4;
    form.favouriteWeapon = 7;
    form.sparkType = 15;
    form.growthType = 6;
    form.initialMagic = 2;
    form.hp = "900";
    form.levels = {"1", "2", "3", "4", "5", "6", "7", "8"};
    form.levelGrowth = {false, true, false, true, true, false, false, true, true};
    form.earthSchool = 3;
    form.heavenSchool = 1;
    form.weapons = {0x5F, 0x00, kNoItemCode, 0x06};
    form.armours = {0xDF, kNoItemCode, 0x60, 0xA8};
    form.techniques = {0xA5, 0x0F, kNoItemCode, kNoItemCode};
    form.spells = {0xD4, 0x2C, 0xAB, kNoItemCode};
    form.growthRates = {"1", "2", "3", "4", "5", "6", "7", "8", "0", "1", "2", "3", "4", "5", "6"};
    form.purchaseBan = {true, false, false, true, false, true};
    form.formation = 0x07;
    form.exclusiveWeapon = 0xA0;
    form.commander = 0x05;
    form.weaponCost = {false, false, true, false, true, true, false, true};
    form.magicCost = {true, true, false, false, false, true};
    form.talkMusic = 0xFE;
    form.firstLine = "いちぎょう\nにぎょう";
    form.firstOk = "はい";
    form.firstNg = "いいえ";
    form.firstAfterOk = "よし";
    form.secondChoice = true;
    form.secondOk = "うん";
    form.secondNg = "ううん";
    form.joinLine = "なかま";
    form.hpCondition = 1;
    form.refuseLine = "だめ";
    form.repeatLine = "また";
    form.repeatOk = "おう";
    form.repeatNg = "いや";
    form.repeatAfterOk = "よろしく";
    form.repeatAfterNg = "そうか";
    form.lastBattleLine = "さいご";

    app::CharaPatchPage& page = Page(*window);
    page.writeForm(form);
    const CharacterForm shown = page.readForm();
    EXPECT_EQ(shown.name, form.name);
    EXPECT_EQ(shown.title, form.title);
    EXPECT_EQ(shown.gender, form.gender);
    EXPECT_EQ(shown.comment, form.comment);
    EXPECT_EQ(shown.attributes, form.attributes);
    EXPECT_EQ(shown.lp, form.lp);
    EXPECT_EQ(shown.guardianStar, form.guardianStar);
    EXPECT_EQ(shown.favouriteWeapon, form.favouriteWeapon);
    EXPECT_EQ(shown.sparkType, form.sparkType);
    EXPECT_EQ(shown.growthType, form.growthType);
    EXPECT_EQ(shown.initialMagic, form.initialMagic);
    EXPECT_EQ(shown.hp, form.hp);
    EXPECT_EQ(shown.levels, form.levels);
    EXPECT_EQ(shown.levelGrowth, form.levelGrowth);
    EXPECT_EQ(shown.earthSchool, form.earthSchool);
    EXPECT_EQ(shown.heavenSchool, form.heavenSchool);
    EXPECT_EQ(shown.weapons, form.weapons);
    EXPECT_EQ(shown.armours, form.armours);
    EXPECT_EQ(shown.techniques, form.techniques);
    EXPECT_EQ(shown.spells, form.spells);
    EXPECT_EQ(shown.growthRates, form.growthRates);
    EXPECT_EQ(shown.purchaseBan, form.purchaseBan);
    EXPECT_EQ(shown.formation, form.formation);
    EXPECT_EQ(shown.exclusiveWeapon, form.exclusiveWeapon);
    EXPECT_EQ(shown.commander, form.commander);
    EXPECT_EQ(shown.weaponCost, form.weaponCost);
    EXPECT_EQ(shown.magicCost, form.magicCost);
    EXPECT_EQ(shown.talkMusic, form.talkMusic);
    EXPECT_EQ(shown.firstLine, form.firstLine);
    EXPECT_EQ(shown.firstOk, form.firstOk);
    EXPECT_EQ(shown.firstNg, form.firstNg);
    EXPECT_EQ(shown.firstAfterOk, form.firstAfterOk);
    EXPECT_EQ(shown.secondChoice, form.secondChoice);
    EXPECT_EQ(shown.secondOk, form.secondOk);
    EXPECT_EQ(shown.secondNg, form.secondNg);
    EXPECT_EQ(shown.joinLine, form.joinLine);
    EXPECT_EQ(shown.hpCondition, form.hpCondition);
    EXPECT_EQ(shown.refuseLine, form.refuseLine);
    EXPECT_EQ(shown.repeatLine, form.repeatLine);
    EXPECT_EQ(shown.repeatOk, form.repeatOk);
    EXPECT_EQ(shown.repeatNg, form.repeatNg);
    EXPECT_EQ(shown.repeatAfterOk, form.repeatAfterOk);
    EXPECT_EQ(shown.repeatAfterNg, form.repeatAfterNg);
    EXPECT_EQ(shown.lastBattleLine, form.lastBattleLine);
    // The second question's controls follow the switch and condition just written.
    EXPECT_TRUE(control("Memo5")->isEnabled());
}

// The star, weapon and total columns of "基本ステータス", row by row, and the grand total.
struct Totals {
    std::array<int, 7> star;
    std::array<int, 7> weapon;
    std::array<int, 7> total;
    int grand;
};

Totals ShownTotals(const QWidget& window)
{
    Totals shown{};
    const auto number = [&](int field) {
        return window.findChild<QLineEdit*>(Numbered("Edit", field))->text().toInt();
    };
    for (int i = 0; i < 7; ++i) {
        shown.star[i] = number(11 + i);
        shown.weapon[i] = number(18 + i);
        shown.total[i] = number(25 + i);
    }
    shown.grand = number(32);
    return shown;
}

void ExpectTotals(const Totals& shown, const Totals& expected)
{
    EXPECT_EQ(shown.star, expected.star);
    EXPECT_EQ(shown.weapon, expected.weapon);
    EXPECT_EQ(shown.total, expected.total);
    EXPECT_EQ(shown.grand, expected.grand);
}

TEST_F(CharaPatchPageTest, TotalsFollowBaseValuesStarAndWeapon)
{
    createEditor();
    // At start: 歳星 and 剣 on seven times 17.
    ExpectTotals(
        ShownTotals(*window),
        {{-1, 0, 2, -1, 1, -1, 1}, {0, 0, 0, 0, 0, 0, 1}, {16, 17, 19, 16, 18, 16, 19}, 121});

    // Leaving a base value rewrites it as a number and adds up again.
    type("Edit5", "abc");
    type("Edit3", "30");
    leave("Edit5");
    EXPECT_EQ(edit("Edit5")->text(), "0");
    ExpectTotals(
        ShownTotals(*window),
        {{-1, 0, 2, -1, 1, -1, 1}, {0, 0, 0, 0, 0, 0, 1}, {29, 17, 2, 16, 18, 16, 19}, 117});

    // Picking a star or a weapon rewrites every base value too.
    type("Edit3", "x");
    pick("ComboBox3", 4); // 辰星
    EXPECT_EQ(edit("Edit3")->text(), "0");
    pick("ComboBox4", 8); // なし
    ExpectTotals(
        ShownTotals(*window),
        {{0, 2, 1, 1, -2, -2, 1}, {-2, 2, -2, -3, 3, 1, 2}, {-2, 21, -1, 15, 18, 16, 20}, 87});
}

TEST_F(CharaPatchPageTest, LeavingANumberFieldRewritesItAsANumber)
{
    createEditor();
    const std::pair<const char*, const char*> cases[] = {{"abc", "0"}, {"07", "7"}};
    const char* fields[] = {"Edit10", "Edit33", "Edit34", "Edit39", "Edit40",
                            "Edit41", "Edit42", "Edit55", "Edit56"};
    for (const char* field : fields) {
        for (const auto& [typed, shown] : cases) {
            type(field, typed);
            leave(field);
            EXPECT_EQ(edit(field)->text(), shown) << field << " '" << typed << "'";
        }
    }
    // Leaving one of these fields leaves the base values and totals alone.
    type("Edit4", "x");
    type("Edit10", "abc");
    leave("Edit10");
    EXPECT_EQ(edit("Edit4")->text(), "x");
    EXPECT_EQ(edit("Edit26")->text(), "17");
}

TEST_F(CharaPatchPageTest, SecondQuestionControlsFollowTheSwitchAndTheHpCondition)
{
    createEditor();
    struct Case {
        bool second;
        const char* condition;
        bool memo5;
    };
    const Case cases[] = {
        {false, "RadioButton7", false}, {false, "RadioButton8", false},
        {true, "RadioButton7", false},  {true, "RadioButton8", true},
        {true, "RadioButton9", true},   {true, "RadioButton7", false},
        {false, "RadioButton9", false},
    };
    const char* followers[] = {"Edit59",       "Edit60",       "Memo4",
                               "RadioButton7", "RadioButton8", "RadioButton9"};
    for (const Case& c : cases) {
        tick("CheckBox31")->setChecked(c.second);
        radio(c.condition)->setChecked(true);
        for (const char* name : followers)
            EXPECT_EQ(control(name)->isEnabled(), c.second) << name << " " << c.condition;
        EXPECT_EQ(control("Memo5")->isEnabled(), c.memo5) << c.second << " " << c.condition;
    }
    // The first question is always open.
    for (const char* name : {"Memo2", "Edit57", "Edit58", "Memo3", "CheckBox31"})
        EXPECT_TRUE(control(name)->isEnabled()) << name;
}

TEST_F(CharaPatchPageTest, ButtonLoadsASheetAndShowsIt)
{
    createEditor();
    openWithButton(writeSheet());

    ASSERT_EQ(dialogs->openRequests.size(), 1u);
    EXPECT_EQ(dialogs->openRequests[0].filter, "GIF,vnpファイル (*.gif;*vnp)|*.gif;*vnp");
    EXPECT_EQ(dialogs->openRequests[0].filterIndex, 1);
    EXPECT_TRUE(dialogs->messages.empty());
    ASSERT_EQ(window->sheetImage().frames.size(), 1u);
    EXPECT_TRUE(control<QPushButton>("Button8")->isEnabled());
    const QImage shown = control<QLabel>("Image1")->pixmap().toImage();
    ASSERT_EQ(shown.size(), QSize(176, 133));
    EXPECT_EQ(shown.pixelColor(1, 1), QColor(248, 0, 0)); // a tile pixel of colour 0
    EXPECT_EQ(shown, app::FrameToQImage(window->sheetImage()).convertToFormat(shown.format()));

    // Cancelling the dialog changes nothing.
    openWithButton(std::nullopt);
    EXPECT_EQ(window->sheetImage().frames.size(), 1u);
    EXPECT_TRUE(control<QPushButton>("Button8")->isEnabled());
}

TEST_F(CharaPatchPageTest, LoadingGoesByTheExtensionInAnyCase)
{
    createEditor();
    const QString good = writeSheet("good.gif");
    const QString upper = writeSheet("UPPER.GIF", 0x7C00); // colour 0 pure blue
    dir.write("bad.gif", "plain text");
    dir.write("picture.bmp", "BM");

    struct Step {
        QString path;
        QStringList messages;
        bool sheet;
        bool button8;
        bool imageShown;
    };
    const Step steps[] = {
        {good, {}, true, true, true},
        // Any other extension is not for the editor: the sheet stays loaded and shown.
        {pathIn("picture.bmp"), {}, true, true, true},
        {upper, {}, true, true, true},
        {pathIn("bad.gif"), {"ファイルの読み出しに失敗しました。"}, false, false, false},
        {pathIn("missing.vnp"), {"ファイルが開けません。"}, false, false, false},
        {good, {}, true, true, true},
    };
    for (const Step& step : steps) {
        dialogs->messages.clear();
        openWithButton(step.path);
        const std::string name = step.path.toStdString();
        EXPECT_EQ(messageTexts(), step.messages) << name;
        for (const auto& message : dialogs->messages)
            EXPECT_EQ(message.caption, "エラー") << name;
        EXPECT_EQ(!window->sheetImage().frames.empty(), step.sheet) << name;
        EXPECT_EQ(control("Button8")->isEnabled(), step.button8) << name;
        EXPECT_EQ(!control<QLabel>("Image1")->pixmap().isNull(), step.imageShown) << name;
    }
    EXPECT_EQ(control<QLabel>("Image1")->pixmap().toImage().pixelColor(1, 1), QColor(248, 0, 0));
}

TEST_F(CharaPatchPageTest, DropOnTheSheetFrameLoadsTheFirstFile)
{
    createEditor();
    const QString first = writeSheet("first.gif");
    dir.write("second.gif", "plain text");
    ASSERT_TRUE(dropFilesOn(control("Panel1"), {first, pathIn("second.gif")}));
    EXPECT_TRUE(dialogs->messages.empty());
    EXPECT_EQ(window->sheetImage().frames.size(), 1u);
    EXPECT_TRUE(control("Button8")->isEnabled());
    EXPECT_FALSE(control<QLabel>("Image1")->pixmap().isNull());

    ASSERT_TRUE(dropFilesOn(control("Panel1"), {pathIn("second.gif"), first}));
    EXPECT_EQ(messageTexts(), QStringList{"ファイルの読み出しに失敗しました。"});
    EXPECT_TRUE(window->sheetImage().frames.empty());
    EXPECT_FALSE(control("Button8")->isEnabled());
}

// A sheet GIF that cannot be read, chosen with "..." or dropped on the sheet, gets the one
// message every reader of GIF files gives, never giflib's English text.
TEST_F(CharaPatchPageTest, AnUnreadableSheetGetsTheOneMessageWhetherChosenOrDropped)
{
    createEditor();
    const QString good = writeSheet("good.gif");
    for (const BrokenGif& gif : BrokenGifs(kSheetWidth, kSheetHeight)) {
        const QString path = app::ToQString(dir.write(gif.name + ".gif", gif.bytes));
        for (const bool dropped : {false, true}) {
            const std::string label = gif.name + (dropped ? " dropped" : " chosen");
            openWithButton(good);
            ASSERT_FALSE(window->sheetImage().frames.empty()) << label;
            dialogs->messages.clear();
            if (dropped)
                ASSERT_TRUE(dropFilesOn(control("Panel1"), {path})) << label;
            else
                openWithButton(path);
            EXPECT_EQ(messageTexts(), QStringList{"ファイルの読み出しに失敗しました。"}) << label;
            for (const auto& message : dialogs->messages) {
                EXPECT_EQ(message.caption, "エラー") << label;
                EXPECT_FALSE(HasAsciiLetters(message.text.toStdString())) << label;
            }
            EXPECT_TRUE(window->sheetImage().frames.empty()) << label;
        }
    }
}

} // namespace
} // namespace varn::test
