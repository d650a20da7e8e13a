#include "app/CharaPatchPage.h"

#include <algorithm>
#include <initializer_list>
#include <span>
#include <string>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/CoreText.h"
#include "app/FieldLimits.h"
#include "app/GifQImage.h"
#include "app/ItemListModel.h"
#include "app/MemoEdit.h"
#include "app/ShowFailure.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "charpatch/CharacterPatchFile.h"
#include "charpatch/PatchValidation.h"
#include "graphics/SpriteSheet.h"
#include "rom/FileType.h"
#include "text/ExtensionTable.h"

namespace varn::app {

namespace {

// The inner pages in their order; CharacterPage names the same indices.
constexpr const char* kInnerPages[] = {
    "基本ステータス", "初期レベル", "初期装備",        "初期習得技術", "成長率",
    "その他",         "会話(初回)", "会話(2回目以降)", "ラストバトル",
};

constexpr const char* kAttributes[7] = {"腕力", "器用さ", "素早さ", "体力",
                                        "魔力", "意志力", "魅力"};
// Captions of the levels Edit34-Edit39 (the HP row stands before them).
constexpr const char* kWeaponLevels[6] = {"斬", "打", "突", "射", "体術", "増幅"};
constexpr const char* kEarthSchools[4] = {"蒼龍", "朱鳥", "白虎", "玄武"};
constexpr const char* kHeavenSchools[2] = {"太陽", "月"};
constexpr const char* kSchools[6] = {"蒼龍", "朱鳥", "白虎", "玄武", "太陽", "月"};
constexpr const char* kCostWeapons[8] = {"剣", "大剣", "斧", "棍棒", "小剣", "槍", "弓", "体術"};

// The game shows a conversation line with 15 characters and the final-battle line with 10;
// the memos are wide enough for most of a line and tall enough for a few.
constexpr int kMemoLines = 4;

// Lists of items up to this many characters long size their boxes to the items.
constexpr int kShortItemLength = 4;


// A caption that may take two lines where its column is narrow.
QLabel* WrappingCaption(const char* text)
{
    QLabel* label = Caption(text);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    return label;
}

QLineEdit* TextField(const QString& name)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    return field;
}

// What the conversation fields take as the user types, in bytes of the Japanese code page.
constexpr int kTalkTypedBytes = 120;
constexpr int kChoiceTypedBytes = 30;
constexpr int kLastBattleTypedBytes = 60;


QLineEdit* ReadOnlyNumber(const QString& name)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setMaximumWidth(kNumberFieldWidth);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::NoFocus);
    field->setAlignment(Qt::AlignRight);
    return field;
}

// Selection lists one under another, each with its caption to the left.
QGridLayout* CaptionedRows(std::initializer_list<std::pair<const char*, QWidget*>> rows)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (const auto& [caption, widget] : rows) {
        grid->addWidget(Caption(caption), row, 0);
        grid->addWidget(widget, row++, 1);
    }
    grid->setColumnStretch(1, 1);
    return grid;
}


QRadioButton* Radio(const QString& name, const char* text)
{
    auto* button = new QRadioButton(QString::fromUtf8(text));
    button->setObjectName(name);
    return button;
}

void SetText(QPlainTextEdit* memo, const std::string& text)
{
    // A memo keeps its lines with "\n" whichever line break the text came with.
    QString value = FromUtf8(text);
    value.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (memo->toPlainText() != value)
        memo->setPlainText(value);
}

int CheckedId(const QButtonGroup* group)
{
    const int id = group->checkedId();
    return id < 0 ? 0 : id;
}

void Check(QButtonGroup* group, int id)
{
    if (QAbstractButton* button = group->button(id))
        button->setChecked(true);
}

} // namespace

CharaPatchPage::CharaPatchPage(TForm1& window, QWidget* parent) : QWidget(parent), window_(window)
{
    genderItems_ = new ItemListModel(GenderItems(), this);
    starItems_ = new ItemListModel(GuardianStarItems(), this);
    favouriteWeaponItems_ = new ItemListModel(FavouriteWeaponItems(), this);
    growthTypeItems_ = new ItemListModel(GrowthTypeItems(), this);
    sparkTypeItems_ = new ItemListModel(SparkTypeItems(), this);
    initialMagicItems_ = new ItemListModel(InitialMagicItems(), this);
    weaponItems_ = new ItemListModel(WeaponItems(), this);
    armourItems_ = new ItemListModel(ArmourItems(), this);
    techniqueItems_ = new ItemListModel(TechniqueItems(), this);
    spellItems_ = new ItemListModel(SpellItems(), this);
    formationItems_ = new ItemListModel(FormationItems(), this);
    exclusiveWeaponItems_ = new ItemListModel(ExclusiveWeaponItems(), this);
    commanderItems_ = new ItemListModel(CommanderItems(), this);
    talkMusicItems_ = new ItemListModel(TalkMusicItems(), this);

    QWidget* left = buildLeftColumn();

    PageControl2 = new QTabWidget;
    PageControl2->setObjectName(QStringLiteral("PageControl2"));
    // Nine captions do not fit in one row beside the sheet: the row scrolls, and every
    // caption is shown whole.
    PageControl2->setUsesScrollButtons(true);
    PageControl2->setElideMode(Qt::ElideNone);
    PageControl2->tabBar()->setStyleSheet(QStringLiteral("QTabBar::scroller { width: 48px; }"));
    QWidget* pages[] = {
        buildStatusPage(),    buildLevelPage(),      buildEquipmentPage(),
        buildSkillPage(),     buildGrowthPage(),     buildOtherPage(),
        buildFirstTalkPage(), buildRepeatTalkPage(), buildLastBattlePage(),
    };
    for (int i = 0; i < 9; ++i)
        PageControl2->addTab(pages[i], QString::fromUtf8(kInnerPages[i]));
    PageControl2->setCurrentIndex(0);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(left);
    layout->addWidget(PageControl2, 1);

    updateTalkControls();
}

QWidget* CharaPatchPage::buildLeftColumn()
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    Button1 = new QPushButton(QStringLiteral("..."));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setFixedWidth(28);
    connect(Button1, &QPushButton::clicked, this, &CharaPatchPage::Button1Click);
    auto* imageRow = new QHBoxLayout;
    imageRow->addWidget(Caption("画像"));
    imageRow->addStretch(1);
    imageRow->addWidget(Button1);
    layout->addLayout(imageRow);

    Panel1 = new QFrame;
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Image1 = new QLabel(Panel1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kSheetWidth, kSheetHeight);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* frameLayout = new QVBoxLayout(Panel1);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(Image1);
    Panel1->setFixedSize(kSheetWidth + 2 * Panel1->frameWidth(),
                         kSheetHeight + 2 * Panel1->frameWidth());
    layout->addWidget(Panel1);

    Edit1 = TextField("Edit1");
    Edit1->setText(QStringLiteral("名無しさん"));
    ShowRoom(Edit1, [](std::string_view text) { return NameRoom(text, ProcessExtensionTable()); });
    Edit2 = TextField("Edit2");
    Edit2->setText(QStringLiteral("お腹いっぱい。"));
    ShowRoom(Edit2, [](std::string_view text) { return TitleRoom(text, ProcessExtensionTable()); });
    ComboBox1 = listBox("ComboBox1", genderItems_);
    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(4);
    fields->addWidget(Caption("名前"), 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(Caption("肩書き"), 1, 0);
    fields->addWidget(Edit2, 1, 1);
    fields->addWidget(Caption("性別"), 2, 0);
    fields->addWidget(ComboBox1, 2, 1);
    layout->addLayout(fields);

    Memo1 = memo("Memo1", 1, 0, [](std::string_view text) { return CommentRoom(text); });
    layout->addLayout(captioned(Caption("コメント"), Memo1));
    layout->addWidget(Memo1, 1);

    Button8 = new QPushButton(QStringLiteral("アニメーション確認"));
    Button8->setObjectName(QStringLiteral("Button8"));
    // The animation window needs a sheet; it opens from here once it exists.
    Button8->setEnabled(false);
    connect(Button8, &QPushButton::clicked, this,
            [this] { TForm2::ShowAnimation(window_, Edit1->text()); });
    layout->addWidget(Button8);

    Button2 = new QPushButton(QStringLiteral("パッチ作成"));
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button2, &QPushButton::clicked, this, &CharaPatchPage::Button2Click);
    layout->addWidget(Button2);

    column->setFixedWidth(Panel1->width());
    return column;
}

QLineEdit* CharaPatchPage::numberField(const QString& name, int maxLength, const char* text)
{
    QLineEdit* field = TextField(name);
    field->setMaxLength(maxLength);
    field->setMaximumWidth(kNumberFieldWidth);
    field->setText(QString::fromLatin1(text));
    field->setAlignment(Qt::AlignRight);
    field->installEventFilter(this);
    return field;
}

QComboBox* CharaPatchPage::listBox(const QString& name, ItemListModel* model)
{
    auto* box = new QComboBox;
    box->setObjectName(name);
    box->setEditable(false);
    box->setModel(model);
    // Short fixed words fit whole; long item names are read in the open list while the
    // closed box keeps to its column.
    int longest = 0;
    for (int row = 0; row < model->rowCount(); ++row)
        longest =
            std::max(longest, static_cast<int>(model->data(model->index(row)).toString().size()));
    if (longest <= kShortItemLength) {
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    } else {
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        box->setMinimumContentsLength(kShortItemLength);
    }
    box->setCurrentIndex(0);
    return box;
}

QPlainTextEdit* CharaPatchPage::memo(const QString& name, int visibleLines, int maxTypedBytes,
                                     RoomOf room)
{
    auto* memo = new MemoEdit;
    memo->setObjectName(name);
    memo->setMaxTypedBytes(maxTypedBytes);
    counters_.insert(memo, RoomCounter(memo, std::move(room)));
    const int lineHeight = memo->fontMetrics().lineSpacing();
    const int margins =
        2 * (memo->frameWidth() + static_cast<int>(memo->document()->documentMargin()));
    memo->setMinimumHeight(
        std::max(memo->minimumSizeHint().height(), visibleLines * lineHeight + margins));
    return memo;
}

QHBoxLayout* CharaPatchPage::captioned(QLabel* caption, QPlainTextEdit* memo) const
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addWidget(caption, 1);
    row->addWidget(counters_.value(memo));
    return row;
}

QPlainTextEdit* CharaPatchPage::talkMemo(const QString& name, int visibleLines)
{
    return memo(name, visibleLines, kTalkTypedBytes,
                [](std::string_view text) { return TalkMessageRoom(text); });
}

QLineEdit* CharaPatchPage::choiceField(const QString& name)
{
    QLineEdit* field = TextField(name);
    LimitTypedBytes(field, kChoiceTypedBytes);
    ShowRoom(field, [](std::string_view text) { return ChoiceRoom(text); });
    return field;
}

QWidget* CharaPatchPage::buildStatusPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);

    // Columns: caption, base, "+", star bonus, "+", weapon bonus, "=", total.
    grid->addWidget(Caption("宿星"), 0, 3, Qt::AlignCenter);
    grid->addWidget(Caption("得意武器"), 0, 5, Qt::AlignCenter);
    grid->addWidget(Caption("合計"), 0, 7, Qt::AlignCenter);
    for (int i = 0; i < 7; ++i) {
        const int row = i + 1;
        baseFields_[i] = numberField(NumberedName("Edit", 3 + i), 2, "17");
        starBonusFields_[i] = ReadOnlyNumber(NumberedName("Edit", 11 + i));
        weaponBonusFields_[i] = ReadOnlyNumber(NumberedName("Edit", 18 + i));
        totalFields_[i] = ReadOnlyNumber(NumberedName("Edit", 25 + i));
        grid->addWidget(Caption(kAttributes[i]), row, 0);
        grid->addWidget(baseFields_[i], row, 1);
        grid->addWidget(Caption("+"), row, 2, Qt::AlignCenter);
        grid->addWidget(starBonusFields_[i], row, 3);
        grid->addWidget(Caption("+"), row, 4, Qt::AlignCenter);
        grid->addWidget(weaponBonusFields_[i], row, 5);
        grid->addWidget(Caption("="), row, 6, Qt::AlignCenter);
        grid->addWidget(totalFields_[i], row, 7);
    }
    Edit10 = numberField("Edit10", 3, "10");
    ComboBox3 = listBox("ComboBox3", starItems_);
    ComboBox4 = listBox("ComboBox4", favouriteWeaponItems_);
    Edit32 = ReadOnlyNumber(QStringLiteral("Edit32"));
    grid->addWidget(Caption("LP"), 8, 0);
    grid->addWidget(Edit10, 8, 1);
    grid->addWidget(ComboBox3, 8, 3);
    grid->addWidget(ComboBox4, 8, 5);
    grid->addWidget(Edit32, 8, 7);
    grid->setColumnStretch(8, 1);
    connect(ComboBox3, &QComboBox::activated, this, &CharaPatchPage::StatusChange);
    connect(ComboBox4, &QComboBox::activated, this, &CharaPatchPage::StatusChange);

    ComboBox60 = listBox("ComboBox60", growthTypeItems_);
    ComboBox2 = listBox("ComboBox2", sparkTypeItems_);
    ComboBox71 = listBox("ComboBox71", initialMagicItems_);
    auto* kinds = CaptionedRows(
        {{"成長タイプ", ComboBox60}, {"閃きタイプ", ComboBox2}, {"初期術", ComboBox71}});

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(10);
    layout->addLayout(grid);
    layout->addLayout(kinds);
    layout->addStretch(1);
    return page;
}

QWidget* CharaPatchPage::buildLevelPage()
{
    auto* page = new QWidget;

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(6);
    rows->setVerticalSpacing(4);
    Edit33 = numberField("Edit33", 3, "80");
    levelGrowthBoxes_[0] = Tick(QStringLiteral("CheckBox1"), "成長");
    levelGrowthBoxes_[0]->setChecked(true);
    rows->addWidget(Caption("HP"), 0, 0);
    rows->addWidget(Edit33, 0, 1);
    rows->addWidget(levelGrowthBoxes_[0], 0, 2);
    for (int i = 0; i < 6; ++i) {
        levelFields_[i] = numberField(NumberedName("Edit", 34 + i), 2, "0");
        levelGrowthBoxes_[i + 1] = Tick(NumberedName("CheckBox", 2 + i), "成長");
        rows->addWidget(Caption(kWeaponLevels[i]), i + 1, 0);
        rows->addWidget(levelFields_[i], i + 1, 1);
        rows->addWidget(levelGrowthBoxes_[i + 1], i + 1, 2);
    }
    rows->setRowStretch(7, 1);

    // The two schools of magic: which school, its level and whether it grows.
    const auto schoolGroup = [this](const char* title, QButtonGroup*& group, int firstRadio,
                                    std::span<const char* const> schools, int field) {
        auto* box = new QGroupBox(QString::fromUtf8(title));
        group = new QButtonGroup(box);
        auto* grid = new QGridLayout(box);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(4);
        for (int i = 0; i < static_cast<int>(schools.size()); ++i) {
            QRadioButton* radio = Radio(NumberedName("RadioButton", firstRadio + i), schools[i]);
            group->addButton(radio, i);
            grid->addWidget(radio, i / 2, i % 2);
        }
        group->button(0)->setChecked(true);
        const int row = (static_cast<int>(schools.size()) + 1) / 2;
        QLineEdit* level = numberField(NumberedName("Edit", field), 2, "0");
        levelFields_[field - 34] = level;
        // Edit40 and Edit41 grow with CheckBox8 and CheckBox9.
        QCheckBox* grows = Tick(NumberedName("CheckBox", field - 32), "成長");
        levelGrowthBoxes_[field - 33] = grows;
        auto* levelRow = new QHBoxLayout;
        levelRow->addWidget(Caption("レベル"));
        levelRow->addWidget(level);
        levelRow->addWidget(grows);
        grid->addLayout(levelRow, row, 0, 1, 2);
        return box;
    };
    auto* schools = new QVBoxLayout;
    schools->setSpacing(6);
    schools->addWidget(schoolGroup("地術", earthSchools_, 1, kEarthSchools, 40));
    schools->addWidget(schoolGroup("天術", heavenSchools_, 5, kHeavenSchools, 41));
    schools->addStretch(1);

    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(12);
    layout->addLayout(rows);
    layout->addLayout(schools, 1);
    return page;
}

// Two groups of four slots sharing one list each, one group above the other: the equipment
// page (武器, 防具) and the skill page (技, 術).
QWidget* CharaPatchPage::buildSlotPage(const SlotGroup& upper, const SlotGroup& lower)
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    int row = 0;
    for (const SlotGroup* group : {&upper, &lower}) {
        for (int i = 0; i < 4; ++i, ++row) {
            (*group->boxes)[static_cast<std::size_t>(i)] =
                listBox(NumberedName("ComboBox", group->firstControl + i), group->model);
            grid->addWidget(new QLabel(group->label + QString::number(i + 1)), row, 0);
            grid->addWidget((*group->boxes)[static_cast<std::size_t>(i)], row, 1);
        }
        if (group == &upper)
            grid->setRowMinimumHeight(row++, 8);
    }
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(row, 1);
    return page;
}

QWidget* CharaPatchPage::buildEquipmentPage()
{
    return buildSlotPage({QStringLiteral("武器"), 13, weaponItems_, &weaponBoxes_},
                         {QStringLiteral("防具"), 17, armourItems_, &armourBoxes_});
}

QWidget* CharaPatchPage::buildSkillPage()
{
    return buildSlotPage({QStringLiteral("技"), 5, techniqueItems_, &techniqueBoxes_},
                         {QStringLiteral("術"), 9, spellItems_, &spellBoxes_});
}

QWidget* CharaPatchPage::buildGrowthPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    // Three columns: the resources, the weapon levels, the schools of magic. The form keeps
    // the rates in record order, with 増幅 last.
    struct Rate {
        const char* caption;
        int index; // in CharacterForm::growthRates
        int field; // EditNN
    };
    constexpr Rate kColumns[3][6] = {
        {{"HP", 0, 42}, {"WP", 1, 43}, {"JP", 2, 44}},
        {{"斬", 3, 45},
         {"打", 4, 46},
         {"突", 5, 47},
         {"射", 6, 48},
         {"体術", 7, 49},
         {"増幅", 14, 56}},
        {{"蒼龍", 8, 50},
         {"朱鳥", 9, 51},
         {"白虎", 10, 52},
         {"玄武", 11, 53},
         {"太陽", 12, 54},
         {"月", 13, 55}},
    };
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 6; ++row) {
            const Rate& rate = kColumns[column][row];
            if (rate.caption == nullptr)
                continue;
            QLineEdit* field = numberField(NumberedName("Edit", rate.field), 3, "0");
            growthFields_[rate.index] = field;
            grid->addWidget(Caption(rate.caption), row, 2 * column);
            grid->addWidget(field, row, 2 * column + 1);
        }
        grid->setColumnMinimumWidth(2 * column + 1, 48);
    }
    grid->setColumnStretch(6, 1);
    grid->setRowStretch(6, 1);
    return page;
}

QWidget* CharaPatchPage::buildOtherPage()
{
    auto* page = new QWidget;

    auto* banBox = new QGroupBox(QStringLiteral("購入禁止術"));
    auto* banGrid = new QGridLayout(banBox);
    banGrid->setHorizontalSpacing(8);
    banGrid->setVerticalSpacing(2);
    for (int i = 0; i < 6; ++i) {
        purchaseBanBoxes_[i] = Tick(NumberedName("CheckBox", 10 + i), kSchools[i]);
        banGrid->addWidget(purchaseBanBoxes_[i], i / 3, i % 3);
    }

    ComboBox21 = listBox("ComboBox21", formationItems_);
    ComboBox22 = listBox("ComboBox22", exclusiveWeaponItems_);
    ComboBox23 = listBox("ComboBox23", commanderItems_);
    auto* lists = CaptionedRows(
        {{"固有陣形", ComboBox21}, {"専用武器", ComboBox22}, {"コマンダー", ComboBox23}});

    auto* costBox = new QGroupBox(QStringLiteral("消費コスト-1"));
    auto* costGrid = new QGridLayout(costBox);
    costGrid->setHorizontalSpacing(8);
    costGrid->setVerticalSpacing(2);
    for (int i = 0; i < 8; ++i) {
        weaponCostBoxes_[i] = Tick(NumberedName("CheckBox", 16 + i), kCostWeapons[i]);
        costGrid->addWidget(weaponCostBoxes_[i], i / 4, i % 4);
    }
    for (int i = 0; i < 6; ++i) {
        magicCostBoxes_[i] = Tick(NumberedName("CheckBox", 24 + i), kSchools[i]);
        costGrid->addWidget(magicCostBoxes_[i], 2 + i / 4, i % 4);
    }

    ComboBox25 = listBox("ComboBox25", talkMusicItems_);
    auto* music = new QHBoxLayout;
    music->setSpacing(6);
    music->addWidget(Caption("会話時に音楽を変更する"));
    music->addWidget(ComboBox25, 1);

    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addWidget(banBox);
    layout->addLayout(lists);
    layout->addWidget(costBox);
    layout->addLayout(music);
    layout->addStretch(1);
    return page;
}

QWidget* CharaPatchPage::buildFirstTalkPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);

    // A choice pair: "選択肢OK" and "選択肢NG" side by side.
    const auto choices = [](QLineEdit* ok, QLineEdit* ng) {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        row->addWidget(Caption(kTalkOkCaption));
        row->addWidget(ok, 1);
        row->addWidget(Caption(kTalkNgCaption));
        row->addWidget(ng, 1);
        return row;
    };

    // The first question: the line, the choices and the answer to OK.
    Memo2 = talkMemo("Memo2", 3);
    Memo3 = talkMemo("Memo3", 3);
    Edit57 = choiceField("Edit57");
    Edit58 = choiceField("Edit58");
    grid->addLayout(captioned(Caption(kTalkLineCaption), Memo2), 0, 0);
    grid->addLayout(captioned(Caption(kTalkAfterOkCaption), Memo3), 0, 1);
    grid->addWidget(Memo2, 1, 0);
    grid->addWidget(Memo3, 1, 1);
    grid->addLayout(choices(Edit57, Edit58), 2, 0, 1, 2);

    // The second question, asked only when switched on: its choices, the maximum-HP
    // condition, the line on joining and the line on refusing.
    CheckBox31 = Tick(QStringLiteral("CheckBox31"), kSecondChoiceCaption);
    Edit59 = choiceField("Edit59");
    Edit60 = choiceField("Edit60");
    grid->setRowMinimumHeight(3, 4);
    grid->addWidget(CheckBox31, 4, 0, 1, 2);
    grid->addLayout(choices(Edit59, Edit60), 5, 0, 1, 2);

    RadioButton7 = Radio(QStringLiteral("RadioButton7"), "最大HP判定をしない");
    RadioButton8 = Radio(QStringLiteral("RadioButton8"), "最大HP256未満だと仲間にならない");
    RadioButton9 = Radio(QStringLiteral("RadioButton9"), "最大HP512未満だと仲間にならない");
    hpConditions_ = new QButtonGroup(page);
    hpConditions_->addButton(RadioButton7, 0);
    hpConditions_->addButton(RadioButton8, 1);
    hpConditions_->addButton(RadioButton9, 2);
    RadioButton7->setChecked(true);
    grid->addWidget(RadioButton7, 6, 0, 1, 2);
    grid->addWidget(RadioButton8, 7, 0, 1, 2);
    grid->addWidget(RadioButton9, 8, 0, 1, 2);

    Memo4 = talkMemo("Memo4", 3);
    Memo5 = talkMemo("Memo5", 3);
    grid->addLayout(captioned(WrappingCaption("OK選択後、仲間になる時の相手のセリフ"), Memo4), 9, 0);
    grid->addLayout(captioned(WrappingCaption(kRefuseLineCaption), Memo5), 9, 1);
    grid->addWidget(Memo4, 10, 0);
    grid->addWidget(Memo5, 10, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(1, 1);
    grid->setRowStretch(10, 1);

    connect(CheckBox31, &QCheckBox::toggled, this, &CharaPatchPage::updateTalkControls);
    connect(RadioButton7, &QRadioButton::toggled, this, &CharaPatchPage::updateTalkControls);
    return page;
}

QWidget* CharaPatchPage::buildRepeatTalkPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);

    Memo6 = talkMemo("Memo6", kMemoLines);
    Edit61 = choiceField("Edit61");
    Edit62 = choiceField("Edit62");
    Memo7 = talkMemo("Memo7", kMemoLines);
    Memo8 = talkMemo("Memo8", kMemoLines);

    layout->addLayout(captioned(Caption(kTalkLineCaption), Memo6));
    layout->addWidget(Memo6, 1);
    auto* choices = CaptionedRows({{kTalkOkCaption, Edit61}, {kTalkNgCaption, Edit62}});
    layout->addSpacing(3);
    layout->addLayout(choices);
    layout->addSpacing(3);
    layout->addLayout(captioned(Caption(kTalkAfterOkCaption), Memo7));
    layout->addWidget(Memo7, 1);
    layout->addSpacing(3);
    layout->addLayout(captioned(Caption(kTalkAfterNgCaption), Memo8));
    layout->addWidget(Memo8, 1);
    return page;
}

QWidget* CharaPatchPage::buildLastBattlePage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(3);
    Memo9 = memo("Memo9", kMemoLines, kLastBattleTypedBytes,
                 [](std::string_view text) { return LastBattleRoom(text); });
    layout->addLayout(captioned(Caption(kLastBattleLineCaption), Memo9));
    layout->addWidget(Memo9);
    layout->addStretch(1);
    return page;
}

CharacterForm CharaPatchPage::readForm() const
{
    CharacterForm form;
    form.name = ToUtf8(Edit1->text());
    form.title = ToUtf8(Edit2->text());
    form.gender = ComboBox1->currentIndex();
    form.comment = ToUtf8(Memo1->toPlainText());

    for (int i = 0; i < 7; ++i)
        form.attributes[i] = ToUtf8(baseFields_[i]->text());
    form.lp = ToUtf8(Edit10->text());
    form.guardianStar = ComboBox3->currentIndex();
    form.favouriteWeapon = ComboBox4->currentIndex();
    form.sparkType = ComboBox2->currentIndex();
    form.growthType = ComboBox60->currentIndex();
    form.initialMagic = ComboBox71->currentIndex();

    form.hp = ToUtf8(Edit33->text());
    for (int i = 0; i < 8; ++i)
        form.levels[i] = ToUtf8(levelFields_[i]->text());
    for (int i = 0; i < 9; ++i)
        form.levelGrowth[i] = levelGrowthBoxes_[i]->isChecked();
    form.earthSchool = CheckedId(earthSchools_);
    form.heavenSchool = CheckedId(heavenSchools_);

    for (int i = 0; i < 4; ++i) {
        form.weapons[i] = weaponItems_->code(weaponBoxes_[i]->currentIndex());
        form.armours[i] = armourItems_->code(armourBoxes_[i]->currentIndex());
        form.techniques[i] = techniqueItems_->code(techniqueBoxes_[i]->currentIndex());
        form.spells[i] = spellItems_->code(spellBoxes_[i]->currentIndex());
    }

    for (int i = 0; i < 15; ++i)
        form.growthRates[i] = ToUtf8(growthFields_[i]->text());

    for (int i = 0; i < 6; ++i)
        form.purchaseBan[i] = purchaseBanBoxes_[i]->isChecked();
    form.formation = formationItems_->code(ComboBox21->currentIndex());
    form.exclusiveWeapon = exclusiveWeaponItems_->code(ComboBox22->currentIndex());
    form.commander = commanderItems_->code(ComboBox23->currentIndex());
    for (int i = 0; i < 8; ++i)
        form.weaponCost[i] = weaponCostBoxes_[i]->isChecked();
    for (int i = 0; i < 6; ++i)
        form.magicCost[i] = magicCostBoxes_[i]->isChecked();
    form.talkMusic = ComboBox25->currentIndex();

    form.firstLine = ToUtf8(Memo2->toPlainText());
    form.firstOk = ToUtf8(Edit57->text());
    form.firstNg = ToUtf8(Edit58->text());
    form.firstAfterOk = ToUtf8(Memo3->toPlainText());
    form.secondChoice = CheckBox31->isChecked();
    form.secondOk = ToUtf8(Edit59->text());
    form.secondNg = ToUtf8(Edit60->text());
    form.joinLine = ToUtf8(Memo4->toPlainText());
    form.hpCondition = CheckedId(hpConditions_);
    form.refuseLine = ToUtf8(Memo5->toPlainText());

    form.repeatLine = ToUtf8(Memo6->toPlainText());
    form.repeatOk = ToUtf8(Edit61->text());
    form.repeatNg = ToUtf8(Edit62->text());
    form.repeatAfterOk = ToUtf8(Memo7->toPlainText());
    form.repeatAfterNg = ToUtf8(Memo8->toPlainText());

    form.lastBattleLine = ToUtf8(Memo9->toPlainText());
    return form;
}

void CharaPatchPage::writeForm(const CharacterForm& form)
{
    SetText(Edit1, form.name);
    SetText(Edit2, form.title);
    ComboBox1->setCurrentIndex(form.gender);
    SetText(Memo1, form.comment);

    for (int i = 0; i < 7; ++i)
        SetText(baseFields_[i], form.attributes[i]);
    SetText(Edit10, form.lp);
    ComboBox3->setCurrentIndex(form.guardianStar);
    ComboBox4->setCurrentIndex(form.favouriteWeapon);
    ComboBox2->setCurrentIndex(form.sparkType);
    ComboBox60->setCurrentIndex(form.growthType);
    ComboBox71->setCurrentIndex(form.initialMagic);

    SetText(Edit33, form.hp);
    for (int i = 0; i < 8; ++i)
        SetText(levelFields_[i], form.levels[i]);
    for (int i = 0; i < 9; ++i)
        levelGrowthBoxes_[i]->setChecked(form.levelGrowth[i]);
    Check(earthSchools_, form.earthSchool);
    Check(heavenSchools_, form.heavenSchool);

    for (int i = 0; i < 4; ++i) {
        weaponBoxes_[i]->setCurrentIndex(weaponItems_->rowOfCode(form.weapons[i]));
        armourBoxes_[i]->setCurrentIndex(armourItems_->rowOfCode(form.armours[i]));
        techniqueBoxes_[i]->setCurrentIndex(techniqueItems_->rowOfCode(form.techniques[i]));
        spellBoxes_[i]->setCurrentIndex(spellItems_->rowOfCode(form.spells[i]));
    }

    for (int i = 0; i < 15; ++i)
        SetText(growthFields_[i], form.growthRates[i]);

    for (int i = 0; i < 6; ++i)
        purchaseBanBoxes_[i]->setChecked(form.purchaseBan[i]);
    ComboBox21->setCurrentIndex(formationItems_->rowOfCode(form.formation));
    ComboBox22->setCurrentIndex(exclusiveWeaponItems_->rowOfCode(form.exclusiveWeapon));
    ComboBox23->setCurrentIndex(commanderItems_->rowOfCode(form.commander));
    for (int i = 0; i < 8; ++i)
        weaponCostBoxes_[i]->setChecked(form.weaponCost[i]);
    for (int i = 0; i < 6; ++i)
        magicCostBoxes_[i]->setChecked(form.magicCost[i]);
    ComboBox25->setCurrentIndex(form.talkMusic);

    SetText(Memo2, form.firstLine);
    SetText(Edit57, form.firstOk);
    SetText(Edit58, form.firstNg);
    SetText(Memo3, form.firstAfterOk);
    CheckBox31->setChecked(form.secondChoice);
    SetText(Edit59, form.secondOk);
    SetText(Edit60, form.secondNg);
    SetText(Memo4, form.joinLine);
    Check(hpConditions_, form.hpCondition);
    SetText(Memo5, form.refuseLine);

    SetText(Memo6, form.repeatLine);
    SetText(Edit61, form.repeatOk);
    SetText(Edit62, form.repeatNg);
    SetText(Memo7, form.repeatAfterOk);
    SetText(Memo8, form.repeatAfterNg);

    SetText(Memo9, form.lastBattleLine);
    updateTalkControls();
}

bool CharaPatchPage::eventFilter(QObject* watched, QEvent* event)
{
    // Leaving a number field rewrites it. Focus that goes to another window or a context
    // menu has not left the field.
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            auto* field = static_cast<QLineEdit*>(watched);
            if (std::find(baseFields_.begin(), baseFields_.end(), field) != baseFields_.end())
                StatusChange();
            else
                ZeroEdit(field);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CharaPatchPage::StatusChange()
{
    for (QLineEdit* field : baseFields_)
        ZeroEdit(field);
    ShowTotals();
}

void CharaPatchPage::ZeroEdit(QLineEdit* field)
{
    SetText(field, std::to_string(FieldNumber(ToUtf8(field->text()))));
}

void CharaPatchPage::ShowTotals()
{
    const StatusTotals totals = RecomputeTotals(readForm());
    for (int i = 0; i < 7; ++i) {
        starBonusFields_[i]->setText(QString::number(totals.starBonus[i]));
        weaponBonusFields_[i]->setText(QString::number(totals.weaponBonus[i]));
        totalFields_[i]->setText(QString::number(totals.totals[i]));
    }
    Edit32->setText(QString::number(totals.grandTotal));
}

void CharaPatchPage::updateTalkControls()
{
    const bool second = CheckBox31->isChecked();
    for (QWidget* control : std::initializer_list<QWidget*>{Edit59, Edit60, Memo4, RadioButton7,
                                                            RadioButton8, RadioButton9})
        control->setEnabled(second);
    Memo5->setEnabled(second && !RadioButton7->isChecked());
}

void CharaPatchPage::Button1Click()
{
    const auto path = window_.dialogs().chooseOpenFile(
        {QStringLiteral("GIF,vnpファイル (*.gif;*vnp)|*.gif;*vnp"), 1, {}, {}, FileKind::SpriteSheet});
    if (path)
        LoadIntoEditor(*path);
}

void CharaPatchPage::LoadIntoEditor(const QString& path)
{
    // A file that is neither a sheet nor a patch is not for this editor: the current sheet,
    // its picture and the animation button stay as they are.
    const std::optional<FileType> type = DroppedFileType(DropTarget::CharacterSheet, ToPath(path));
    if (!type)
        return;
    window_.clearSheetImage();

    bool loaded = false;
    if (*type == FileType::Gif) {
        loaded = window_.LoadSheetImage(path);
    } else {
        // The patch fills the fields it covers; a patch refused part way keeps what it
        // filled before the refusal, as the user sees it.
        CharacterForm form = readForm();
        GifImage sheet;
        const Status status =
            LoadCharacterPatch(ToPath(path), form, sheet, ProcessExtensionTable());
        writeForm(form);
        ShowTotals();
        if (status) {
            window_.setSheetImage(std::move(sheet));
            loaded = true;
        } else {
            window_.dialogs().showError(FromUtf8(status.message()));
        }
    }

    if (loaded)
        showSheet();
    else
        Image1->clear();
    Button8->setEnabled(loaded);
}

void CharaPatchPage::showSheet()
{
    Image1->setPixmap(QPixmap::fromImage(FrameToQImage(window_.sheetImage())));
}

void CharaPatchPage::Button2Click()
{
    CreateCharacterPatch();
}

void CharaPatchPage::CreateCharacterPatch()
{
    DialogService& dialogs = window_.dialogs();
    const Settings& settings = window_.settings();

    CharacterForm form = readForm();
    const Result<std::string> check = CheckCharacterPatch(
        form, !window_.sheetImage().frames.empty(),
        {settings.equipmentCheck, settings.extensionChar}, ProcessExtensionTable());
    // The checks tidy the skill slots and the conversation texts; the user sees that even
    // when a check fails.
    writeForm(form);
    if (!check) {
        ShowFailure(window_.dialogs(), *this, PageControl2, check.failure());
        return;
    }
    const std::string& warning = check.value();
    if (!warning.empty() && !dialogs.askWarning(FromUtf8(warning)))
        return;

    const auto path =
        dialogs.chooseSaveFile({QStringLiteral("vnpファイル(*.vnp)|*.vnp"), 1,
                                QStringLiteral(".vnp"), DatedFileName(Edit1->text()),
                                FileKind::CharacterPatch});
    if (!path || !window_.acceptOutput(*path))
        return;
    const Status written =
        WriteCharacterPatch(ToPath(*path), form, window_.sheetImage(), ProcessExtensionTable());
    if (!written) {
        dialogs.showError(FromUtf8(written.message()));
        return;
    }
    dialogs.showFinished();
}

} // namespace varn::app
