// The controls of the page "敵変更": the picture column and the five sub-tabs of PageControl3.

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/EnemyListModel.h"
#include "app/EnemyPage.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/EnemyLists.h"

namespace varn::app {

namespace {

constexpr const char* kStats[7] = {"腕力", "器用さ", "素早さ", "体力", "魔力", "意志力", "魅力"};
constexpr const char* kLevels[4] = {"技LV", "術LV", "上昇LV", "閃きLV"};
constexpr const char* kEquipment[5] = {"武器1", "武器2", "盾", "防具1", "防具2"};
constexpr int kEquipmentBoxes[5] = {37, 38, 39, 40, 41};
constexpr int kDefenceFields[8] = {66, 68, 72, 90, 96, 97, 100, 101};
constexpr const char* kDrops[4] = {"100%", "高確率", "中確率", "低確率"};

constexpr int kAddressFieldWidth = 64;


QLabel* Caption(const std::string& text)
{
    return new QLabel(QString::fromStdString(text));
}

QLineEdit* Field(const QString& name, int maxLength, const char* text, int width)
{
    auto* field = new QLineEdit(QString::fromUtf8(text));
    field->setObjectName(name);
    if (maxLength > 0)
        field->setMaxLength(maxLength);
    field->setMaximumWidth(width);
    field->setAlignment(Qt::AlignRight);
    return field;
}

// A box that shows what the program computed: read-only, passed over by Tab.
QLineEdit* ReadOnlyField(const QString& name, const char* text, int width)
{
    QLineEdit* field = Field(name, 0, text, width);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}


// A check box of the armour summary: it shows, the user does not tick it.
QCheckBox* Shown(const QString& name, const QString& text)
{
    QCheckBox* box = Tick(name, text);
    box->setEnabled(false);
    return box;
}

QGridLayout* Grid(QWidget* parent = nullptr)
{
    auto* grid = parent ? new QGridLayout(parent) : new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(3);
    // Groups keep their frames close, so that the tallest sub-tab fits the window's designed
    // size without scrolling.
    if (parent)
        grid->setContentsMargins(6, 2, 6, 4);
    return grid;
}

QGroupBox* Group(const char* title)
{
    return new QGroupBox(QString::fromUtf8(title));
}

QHBoxLayout* Row(std::initializer_list<QWidget*> widgets)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    for (QWidget* widget : widgets)
        row->addWidget(widget);
    row->addStretch(1);
    return row;
}

QVBoxLayout* TabLayout(QWidget* tab)
{
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(4);
    return layout;
}

} // namespace

QComboBox* EnemyPage::listBox(const char* name, EnemyListModel* model, int contentsLength)
{
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setModel(model);
    // Long lists keep to their column; their items are read in the open list. Sizing by the
    // contents would measure every item of a shared 512-item list in every box.
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(contentsLength);
    box->setMaxVisibleItems(20);
    return box;
}

QComboBox* EnemyPage::fixedBox(const char* name, const EnemyList& items)
{
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    for (const EnemyListEntry& item : items)
        box->addItem(QString::fromStdString(item.label));
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setMaxVisibleItems(21);
    box->setCurrentIndex(0);
    return box;
}

QWidget* EnemyPage::buildLeftColumn()
{
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    Button14 = new QPushButton(QStringLiteral("..."));
    Button14->setObjectName(QStringLiteral("Button14"));
    Button14->setFixedWidth(28);
    auto* captionRow = new QHBoxLayout;
    captionRow->addWidget(Caption("画像"));
    captionRow->addStretch(1);
    captionRow->addWidget(Button14);
    layout->addLayout(captionRow);

    // The picture at its own pixel size, in a frame that takes dropped GIF files.
    Panel5 = new QFrame;
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel5->setLineWidth(1);
    Image5 = new QLabel(Panel5);
    Image5->setObjectName(QStringLiteral("Image5"));
    Image5->setFixedSize(kMaxEnemyPictureWidth, kMaxEnemyPictureHeight);
    Image5->setAlignment(Qt::AlignCenter);
    auto* frameLayout = new QVBoxLayout(Panel5);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(Image5);
    Panel5->setFixedSize(kMaxEnemyPictureWidth + 2 * Panel5->frameWidth(),
                         kMaxEnemyPictureHeight + 2 * Panel5->frameWidth());
    layout->addWidget(Panel5);
    layout->addStretch(1);

    Button16 = new QPushButton(QStringLiteral("適用"));
    Button16->setObjectName(QStringLiteral("Button16"));
    layout->addWidget(Button16);

    column->setFixedWidth(Panel5->width());
    return column;
}

QWidget* EnemyPage::buildGraphicTab()
{
    auto* tab = new QWidget;
    Edit74 = Field(QStringLiteral("Edit74"), 6, "400000", kAddressFieldWidth);
    Edit77 = ReadOnlyField(QStringLiteral("Edit77"), "", kAddressFieldWidth);
    Edit95 = ReadOnlyField(QStringLiteral("Edit95"), "", kAddressFieldWidth);
    ComboBox31 = listBox("ComboBox31", graphicNumberItems_, 6);
    // The picture's size in tiles is not shown: the boxes keep "0".
    Edit75 = ReadOnlyField(QStringLiteral("Edit75"), "0", kNumberFieldWidth);
    Edit76 = ReadOnlyField(QStringLiteral("Edit76"), "0", kNumberFieldWidth);
    ComboBox32 = fixedBox("ComboBox32", BoxWidthItems());
    ComboBox33 = fixedBox("ComboBox33", BoxHeightItems());
    ComboBox34 = fixedBox("ComboBox34", OffsetItems());
    ComboBox35 = fixedBox("ComboBox35", OffsetItems());
    ComboBox36 = fixedBox("ComboBox36", AppearanceItems());
    ComboBox36->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox36->setMinimumContentsLength(10);

    auto* grid = Grid();
    grid->addWidget(Caption("アドレス"), 0, 0);
    grid->addLayout(Row({Edit74, Caption("～"), Edit77}), 0, 1, 1, 2);
    grid->addWidget(Caption("データサイズ"), 1, 0);
    grid->addLayout(Row({Edit95}), 1, 1, 1, 2);
    grid->addWidget(Caption("画像No"), 2, 0);
    grid->addLayout(Row({ComboBox31}), 2, 1, 1, 2);
    grid->addWidget(Caption("サイズ"), 3, 0);
    grid->addWidget(Caption("横"), 3, 1);
    grid->addLayout(Row({Edit75, Caption("→"), ComboBox32}), 3, 2);
    grid->addWidget(Caption("縦"), 4, 1);
    grid->addLayout(Row({Edit76, Caption("→"), ComboBox33}), 4, 2);
    grid->addWidget(Caption("補正"), 5, 0);
    grid->addWidget(Caption("横"), 5, 1);
    grid->addLayout(Row({ComboBox34}), 5, 2);
    grid->addWidget(Caption("縦"), 6, 1);
    grid->addLayout(Row({ComboBox35}), 6, 2);
    grid->addWidget(Caption("登場パターン"), 7, 0);
    grid->addWidget(ComboBox36, 7, 1, 1, 2);
    grid->setColumnStretch(2, 1);

    QVBoxLayout* layout = TabLayout(tab);
    layout->addLayout(grid);
    layout->addStretch(1);
    return tab;
}

QWidget* EnemyPage::buildStatusTab()
{
    auto* tab = new QWidget;

    // HP and the seven stats, then the four levels, in columns of four.
    QGroupBox* base = Group("基本ステータス");
    QGridLayout* baseGrid = Grid(base);
    Edit85 = Field(QStringLiteral("Edit85"), 5, "100", kNumberFieldWidth);
    for (int i = 0; i < 7; ++i)
        statFields_[static_cast<std::size_t>(i)] =
            Field(NumberedName("Edit", 78 + i), 2, "15", kNumberFieldWidth);
    for (int i = 0; i < 4; ++i)
        levelFields_[static_cast<std::size_t>(i)] =
            Field(NumberedName("Edit", 86 + i), 2, "5", kNumberFieldWidth);
    std::vector<std::pair<QLabel*, QLineEdit*>> boxes{{Caption("HP"), Edit85}};
    for (int i = 0; i < 7; ++i)
        boxes.emplace_back(Caption(kStats[i]), statFields_[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 4; ++i)
        boxes.emplace_back(Caption(kLevels[i]), levelFields_[static_cast<std::size_t>(i)]);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const int row = static_cast<int>(i % 4);
        const int column = 3 * static_cast<int>(i / 4);
        baseGrid->addWidget(boxes[i].first, row, column);
        baseGrid->addWidget(boxes[i].second, row, column + 1);
        if (column > 0)
            baseGrid->setColumnMinimumWidth(column - 1, 8);
    }
    baseGrid->setColumnStretch(8, 1);

    QGroupBox* resistances = Group("耐性");
    QGridLayout* resistanceGrid = Grid(resistances);
    ComboBox61 = fixedBox("ComboBox61", RecoveryElementItems());
    resistanceGrid->addWidget(Caption("回復地相"), 0, 0);
    resistanceGrid->addLayout(Row({ComboBox61}), 0, 1);
    auto* resistanceRow = new QHBoxLayout;
    resistanceRow->setSpacing(8);
    for (int i = 0; i < 5; ++i) {
        resistanceBoxes_[static_cast<std::size_t>(i)] =
            Tick(NumberedName("CheckBox", 55 + i), kArmourResistanceCaptions[i]);
        resistanceRow->addWidget(resistanceBoxes_[static_cast<std::size_t>(i)]);
    }
    resistanceRow->addStretch(1);
    resistanceGrid->addLayout(resistanceRow, 1, 0, 1, 2);
    resistanceGrid->setColumnStretch(1, 1);

    QGroupBox* race = Group("種族");
    QGridLayout* raceGrid = Grid(race);
    ComboBox62 = fixedBox("ComboBox62", RaceItems());
    CheckBox61 = Tick(QStringLiteral("CheckBox61"), "不死");
    CheckBox62 = Tick(QStringLiteral("CheckBox62"), "女");
    CheckBox63 = Tick(QStringLiteral("CheckBox63"), "男");
    raceGrid->addLayout(Row({ComboBox62}), 0, 0);
    raceGrid->addLayout(Row({CheckBox61, CheckBox62, CheckBox63}), 1, 0);

    QVBoxLayout* layout = TabLayout(tab);
    layout->addWidget(base);
    layout->addWidget(resistances);
    layout->addWidget(race);
    layout->addStretch(1);
    return tab;
}

QWidget* EnemyPage::buildEquipmentTab()
{
    auto* tab = new QWidget;

    auto* slotGrid = Grid();
    EnemyListModel* models[5] = {weaponItems_, weaponItems_, shieldItems_, armourItems_,
                                 armourItems_};
    for (int i = 0; i < 5; ++i) {
        const auto slot = static_cast<std::size_t>(i);
        const QByteArray name = NumberedName("ComboBox", kEquipmentBoxes[i]).toLatin1();
        equipmentBoxes_[slot] = listBox(name.constData(), models[i], 8);
        slotGrid->addWidget(Caption(kEquipment[i]), i, 0);
        slotGrid->addWidget(equipmentBoxes_[slot], i, 1);
    }
    // Each weapon's "cannot be taken by disarming" beside it.
    for (int i = 0; i < 2; ++i) {
        noDisarmBoxes_[static_cast<std::size_t>(i)] =
            Tick(NumberedName("CheckBox", 32 + i), "無刀取り不可");
        slotGrid->addWidget(noDisarmBoxes_[static_cast<std::size_t>(i)], i, 2);
    }
    slotGrid->setColumnStretch(1, 1);

    // What the two armours give together, shown only: each part captioned at its left, so
    // that the tab keeps to the height of the window's designed size.
    QGridLayout* summary = Grid();
    summary->setVerticalSpacing(4);
    const auto caption = [](const char* text) {
        QLabel* label = Caption(text);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        return label;
    };

    QGridLayout* defenceGrid = Grid();
    for (int i = 0; i < 8; ++i) {
        defenceFields_[static_cast<std::size_t>(i)] =
            ReadOnlyField(NumberedName("Edit", kDefenceFields[i]), "0", kNumberFieldWidth);
        defenceGrid->addWidget(Caption(kDefenceCaptions[i]), i / 4, 2 * (i % 4));
        defenceGrid->addWidget(defenceFields_[static_cast<std::size_t>(i)], i / 4, 2 * (i % 4) + 1);
    }
    defenceGrid->setColumnStretch(8, 1);
    summary->addWidget(caption("防御力"), 0, 0);
    summary->addLayout(defenceGrid, 0, 1);

    QGridLayout* resistanceGrid = Grid();
    resistanceGrid->setVerticalSpacing(0);
    for (int i = 0; i < 13; ++i) {
        const QString name = NumberedName("CheckBox", 34 + i);
        QCheckBox* box = i < 8 ? Shown(name, QString::fromUtf8(kResistanceCaptions[i]))
                               : Shown(name, QString::fromUtf8(kArmourResistanceCaptions[i - 8]));
        if (i < 8)
            armourResistanceBoxes_[static_cast<std::size_t>(i)] = box;
        else
            armourOtherBoxes_[static_cast<std::size_t>(i - 8)] = box;
        resistanceGrid->addWidget(box, i / 4, i % 4);
    }
    summary->addWidget(caption("耐性"), 1, 0);
    summary->addLayout(resistanceGrid, 1, 1);

    QGridLayout* recoveryGrid = Grid();
    recoveryGrid->setVerticalSpacing(0);
    const std::vector<std::string> captions = RecoveryBoxCaptions();
    for (int i = 0; i < 7; ++i) {
        armourRecoveryBoxes_[static_cast<std::size_t>(i)] =
            Shown(NumberedName("CheckBox", 47 + i),
                  QString::fromStdString(captions[static_cast<std::size_t>(i)]));
        recoveryGrid->addWidget(armourRecoveryBoxes_[static_cast<std::size_t>(i)], i / 4, i % 4);
    }
    CheckBox54 = Shown(QStringLiteral("CheckBox54"), QStringLiteral("自動"));
    recoveryGrid->addWidget(CheckBox54, 1, 3);
    summary->addWidget(caption("回復"), 2, 0);
    summary->addLayout(recoveryGrid, 2, 1);
    summary->setColumnStretch(1, 1);

    QVBoxLayout* layout = TabLayout(tab);
    layout->addLayout(slotGrid);
    layout->addSpacing(4);
    layout->addLayout(summary);
    layout->addStretch(1);
    return tab;
}

QWidget* EnemyPage::buildPatternTab()
{
    auto* tab = new QWidget;
    auto* layout = new QHBoxLayout(tab);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    constexpr int kPatternBoxes[2] = {42, 51};
    constexpr const char* kTitles[2] = {"行動パターン1", "行動パターン2"};
    for (std::size_t row = 0; row < 2; ++row) {
        auto* column = new QVBoxLayout;
        column->setSpacing(3);
        const QByteArray patternName = NumberedName("ComboBox", kPatternBoxes[row]).toLatin1();
        patternBoxes_[row] = listBox(patternName.constData(), patternItems_, 8);
        column->addWidget(Caption(kTitles[row]));
        column->addWidget(patternBoxes_[row]);
        QGridLayout* grid = Grid();
        for (int n = 0; n < 8; ++n) {
            const QByteArray name = NumberedName("ComboBox", kPatternBoxes[row] + 1 + n).toLatin1();
            QComboBox* box = listBox(name.constData(), techniqueItems_, 6);
            techniqueBoxes_[row][static_cast<std::size_t>(n)] = box;
            grid->addWidget(new QLabel(QStringLiteral("技%1").arg(n + 1)), n, 0);
            grid->addWidget(box, n, 1);
        }
        grid->setColumnStretch(1, 1);
        column->addLayout(grid);
        column->addStretch(1);
        layout->addLayout(column, 1);
    }
    return tab;
}

QWidget* EnemyPage::buildOtherTab()
{
    auto* tab = new QWidget;

    QGroupBox* items = Group("所持アイテム");
    QGridLayout* itemGrid = Grid(items);
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = NumberedName("ComboBox", 66 + i).toLatin1();
        dropBoxes_[static_cast<std::size_t>(i)] = listBox(name.constData(), dropItems_, 10);
        itemGrid->addWidget(Caption(kDrops[i]), i, 0);
        itemGrid->addWidget(dropBoxes_[static_cast<std::size_t>(i)], i, 1);
    }
    // The money, captioned with the game's currency.
    Edit94 = Field(QStringLiteral("Edit94"), 3, "0", kNumberFieldWidth);
    itemGrid->addWidget(Caption(CurrencyName()), 4, 0);
    itemGrid->addLayout(Row({Edit94}), 4, 1);
    itemGrid->setColumnStretch(1, 1);

    QGroupBox* choice = Group("行動選択");
    QGridLayout* choiceGrid = Grid(choice);
    ComboBox63 = fixedBox("ComboBox63", PatternChoiceItems());
    ComboBox64 = fixedBox("ComboBox64", TechniqueChoiceItems());
    ComboBox65 = listBox("ComboBox65", twoAttackItems_, 10);
    choiceGrid->addWidget(Caption("パターン選択"), 0, 0);
    choiceGrid->addLayout(Row({ComboBox63}), 0, 1);
    choiceGrid->addWidget(Caption("技選択"), 1, 0);
    choiceGrid->addLayout(Row({ComboBox64}), 1, 1);
    choiceGrid->addWidget(Caption("2回攻撃"), 2, 0);
    choiceGrid->addWidget(ComboBox65, 2, 1);
    choiceGrid->setColumnStretch(1, 1);

    QVBoxLayout* layout = TabLayout(tab);
    layout->addWidget(items);
    layout->addWidget(choice);
    layout->addStretch(1);
    return tab;
}

} // namespace varn::app
