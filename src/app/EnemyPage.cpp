#include "app/EnemyPage.h"

#include <algorithm>
#include <cstdio>

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/CoreText.h"
#include "app/EnemyListModel.h"
#include "app/FileDropFilter.h"
#include "app/GifQImage.h"
#include "app/ShowFailure.h"
#include "app/TForm1.h"
#include "enemy/ApplyEnemy.h"
#include "enemy/EnemyGraphic.h"
#include "enemy/LoadEnemy.h"
#include "rom/FileType.h"
#include "rom/RomStream.h"

namespace varn::app {

namespace {

// The sub-tabs of PageControl3, in the order of EnemySubTab.
constexpr const char* kSubTabs[] = {"グラフィック", "ステータス", "装備", "行動パターン", "その他"};

// The change's name in the image's history: "敵変更 【0005】".
std::string EnemyChangeName(int enemy)
{
    char name[40];
    std::snprintf(name, sizeof name, "敵変更 【%04X】", static_cast<unsigned>(std::max(enemy, 0)));
    return name;
}

// The question before edits not applied are given up for the image as it is now.
constexpr const char* kEnemyReloadQuestion =
    "ROMイメージが変更されました。敵変更の適用していない変更を破棄して読み込み直しますか？";

// A box's index; -1 when it shows nothing.
int Index(const QComboBox* box)
{
    return box->currentIndex();
}

void Select(QComboBox* box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// The code of entry `index` of a list; -1 for a box that shows nothing.
int CodeOf(const EnemyList& list, int index)
{
    return index >= 0 && static_cast<std::size_t>(index) < list.size()
               ? list[static_cast<std::size_t>(index)].number
               : -1;
}

// Which of the coded lists (weapons, shields, armours) an equipment slot offers.
std::size_t SlotList(std::size_t slot)
{
    return slot <= kWeapon2Slot ? 0 : slot == kShieldSlot ? 1 : 2;
}

} // namespace

EnemyPage::EnemyPage(TForm1& window, QWidget* parent) : QWidget(parent), window_(window)
{
    enemyItems_ = new EnemyListModel(lists_.enemies, this);
    graphicNumberItems_ = new EnemyListModel(lists_.graphicNumbers, this);
    weaponItems_ = new EnemyListModel(lists_.weapons, this);
    shieldItems_ = new EnemyListModel(lists_.shields, this);
    armourItems_ = new EnemyListModel(lists_.armours, this);
    patternItems_ = new EnemyListModel(lists_.patterns, this);
    techniqueItems_ = new EnemyListModel(lists_.techniques, this);
    dropItems_ = new EnemyListModel(lists_.dropItems, this);
    twoAttackItems_ = new EnemyListModel(lists_.twoAttack, this);

    QWidget* left = buildLeftColumn();

    ComboBox30 = listBox("ComboBox30", enemyItems_, 12);
    CheckBox30 = new QCheckBox(QStringLiteral("敵のステータスを読み出す"));
    CheckBox30->setObjectName(QStringLiteral("CheckBox30"));
    CheckBox30->setChecked(true);
    Edit73 = new QLineEdit(QStringLiteral("名無しさん"));
    Edit73->setObjectName(QStringLiteral("Edit73"));

    auto* header = new QGridLayout;
    header->setHorizontalSpacing(6);
    header->setVerticalSpacing(4);
    header->addWidget(new QLabel(QStringLiteral("変更する敵")), 0, 0);
    header->addWidget(ComboBox30, 0, 1, 1, 2);
    header->addWidget(new QLabel(QStringLiteral("名前")), 1, 0);
    header->addWidget(Edit73, 1, 1);
    header->addWidget(CheckBox30, 1, 2);
    header->setColumnStretch(1, 1);

    PageControl3 = new QTabWidget;
    PageControl3->setObjectName(QStringLiteral("PageControl3"));
    PageControl3->setUsesScrollButtons(true);
    PageControl3->setElideMode(Qt::ElideNone);
    QWidget* tabs[] = {buildGraphicTab(), buildStatusTab(), buildEquipmentTab(), buildPatternTab(),
                       buildOtherTab()};
    for (int i = 0; i < 5; ++i)
        PageControl3->addTab(tabs[i], QString::fromUtf8(kSubTabs[i]));
    // The page opens on "グラフィック".
    PageControl3->setCurrentIndex(kGraphicSubTab);

    auto* right = new QVBoxLayout;
    right->setSpacing(4);
    right->addLayout(header);
    right->addWidget(PageControl3, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(left);
    layout->addLayout(right, 1);

    connect(ComboBox30, &QComboBox::activated, this, &EnemyPage::ComboBox30Change);
    for (QComboBox* armour : {equipmentBoxes_[kArmour1Slot], equipmentBoxes_[kArmour2Slot]})
        connect(armour, &QComboBox::activated, this, &EnemyPage::ComboBox40Change);
    for (QComboBox* pattern : patternBoxes_)
        connect(pattern, &QComboBox::activated, this, &EnemyPage::ComboBox42Change);
    // Every technique of the first row, so that the second row never shows techniques of the
    // shared pattern that the apply would not write.
    for (QComboBox* technique : techniqueBoxes_[0])
        connect(technique, &QComboBox::activated, this, &EnemyPage::ComboBox43Change);
    connect(Button14, &QPushButton::clicked, this, &EnemyPage::Button14Click);
    connect(Button16, &QPushButton::clicked, this, &EnemyPage::Button16Click);

    connect(&window_, &TForm1::romImageClosing, this, &EnemyPage::ClearEnemySelection);
    connect(&window_, &TForm1::romImageOpened, this, &EnemyPage::LoadFromImage);
    connect(&window_, &TForm1::romImageChanged, this, &EnemyPage::ReloadFromImage);
    FileDropFilter::install(Panel5, [this](const QStringList& paths) { DropFiles(paths); });

    // The boxes start as a fresh form has them.
    writeForm(EnemyForm{});
    ComboBox65->setEnabled(false);
    watchFormControls();
    noteFormRead();
}

void EnemyPage::watchFormControls()
{
    // The enemy chosen and whether choosing reads it are not edits of the form.
    for (QLineEdit* field : findChildren<QLineEdit*>())
        connect(field, &QLineEdit::textChanged, this, &EnemyPage::noteFormChange);
    for (QComboBox* box : findChildren<QComboBox*>())
        if (box != ComboBox30)
            connect(box, &QComboBox::currentIndexChanged, this, &EnemyPage::noteFormChange);
    for (QCheckBox* box : findChildren<QCheckBox*>())
        if (box != CheckBox30)
            connect(box, &QCheckBox::toggled, this, &EnemyPage::noteFormChange);
}

void EnemyPage::noteFormRead()
{
    formRead_ = readForm();
    pictureSinceRead_ = false;
    shownChecksum_.reset();
    if (const auto& seen = window_.document().lastSeen())
        shownChecksum_ = seen->checksum;
    setEdited(false);
}

void EnemyPage::noteFormChange()
{
    if (writingForm_ > 0)
        return;
    EnemyForm now = readForm();
    now.enemy = formRead_.enemy;
    now.readStatus = formRead_.readStatus;
    setEdited(pictureSinceRead_ || now != formRead_);
}

void EnemyPage::setEdited(bool edited)
{
    if (edited == edited_)
        return;
    edited_ = edited;
    window_.markPageEdited(this, edited);
}

EnemyPage::~EnemyPage() = default;

template <class Read> bool EnemyPage::withImage(Read read)
{
    const QString path = window_.romPath();
    if (path.isEmpty())
        return false;
    auto stream = FileRomStream::open(ToPath(path));
    if (!stream)
        return false;
    read(*stream.value());
    return true;
}

void EnemyPage::changeLists(const std::function<void()>& change)
{
    EnemyListModel* models[] = {enemyItems_,     graphicNumberItems_, weaponItems_,
                                shieldItems_,    armourItems_,        patternItems_,
                                techniqueItems_, dropItems_,          twoAttackItems_};
    for (EnemyListModel* model : models)
        model->beginChange();
    change();
    for (EnemyListModel* model : models)
        model->endChange();
}

// The equipment and drop lists of one slot kind, and their models.
std::array<EnemyPage::CodedList, 4> EnemyPage::codedLists()
{
    return {CodedList{&lists_.weapons, weaponItems_}, CodedList{&lists_.shields, shieldItems_},
            CodedList{&lists_.armours, armourItems_}, CodedList{&lists_.dropItems, dropItems_}};
}

void EnemyPage::dropEntriesOfTheirOwn()
{
    const std::array<CodedList, 4> lists = codedLists();
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (lists[i].list->size() <= regularSizes_[i])
            continue;
        lists[i].model->beginChange();
        lists[i].list->resize(regularSizes_[i]);
        lists[i].model->endChange();
    }
}

int EnemyPage::showCode(const CodedList& coded, int code)
{
    // Before an image's lists are built a box shows nothing.
    if (code < 0 || coded.list->empty() || EnemyListIndexOf(*coded.list, code) >= 0)
        return EnemyListIndexOf(*coded.list, code);
    coded.model->beginChange();
    const int index = ShowCodeInList(*coded.list, code);
    coded.model->endChange();
    return index;
}

void EnemyPage::ClearEnemySelection()
{
    enemyItems_->beginChange();
    lists_.enemies.clear();
    enemyItems_->endChange();
    showPicture();
}

void EnemyPage::LoadFromImage(const RomIdentification& image)
{
    if (!image.loadsEditorPages)
        return;
    if (LoadEnemyLists() && CheckBox30->isChecked())
        LoadEnemyRecord();
    else
        showPicture();
}

void EnemyPage::ReloadFromImage(const RomIdentification& image)
{
    if (edited_ && !window_.dialogs().askConfirmation(QString::fromUtf8(kEnemyReloadQuestion)))
        return;
    if (!image.loadsEditorPages) {
        ClearEnemySelection();
        return;
    }
    const int enemy = Index(ComboBox30);
    if (!LoadEnemyLists())
        return;
    if (enemy >= 0 && enemy < ComboBox30->count()) {
        const QSignalBlocker quiet(ComboBox30);
        ComboBox30->setCurrentIndex(enemy);
    }
    if (CheckBox30->isChecked())
        LoadEnemyRecord();
    else
        showPicture();
}

bool EnemyPage::LoadEnemyLists()
{
    std::optional<EnemyLists> read;
    withImage([&](RomStream& image) { read = varn::LoadEnemyLists(image); });
    if (!read)
        return false;
    changeLists([&] { lists_ = std::move(*read); });
    regularSizes_ = {lists_.weapons.size(), lists_.shields.size(), lists_.armours.size(),
                     lists_.dropItems.size()};
    EnemyForm form = readForm();
    ResetEnemySelections(form);
    writeForm(form);
    ComboBox65->setEnabled(lists_.twoAttackEnabled);
    noteFormRead();
    return true;
}

bool EnemyPage::LoadEnemyRecord()
{
    EnemyForm form = readForm();
    bool loaded = false;
    withImage([&](RomStream& image) {
        loaded = static_cast<bool>(varn::LoadEnemyRecord(image, lists_, form));
    });
    if (loaded) {
        dropEntriesOfTheirOwn();
        writeForm(form);
        noteFormRead();
    }
    showPicture();
    return loaded;
}

void EnemyPage::ComboBox30Change()
{
    if (CheckBox30->isChecked())
        LoadEnemyRecord();
    else
        showPicture();
}

void EnemyPage::ComboBox40Change()
{
    EnemyForm form = readForm();
    if (withImage([&](RomStream& image) { ShowArmourSummary(image, lists_, form); }))
        writeForm(form);
}

void EnemyPage::ComboBox42Change()
{
    EnemyForm form = readForm();
    if (withImage([&](RomStream& image) { LoadActionPatterns(image, lists_, form); }))
        writeForm(form);
}

void EnemyPage::ComboBox43Change()
{
    EnemyForm form = readForm();
    varn::ComboBox43Change(form);
    writeForm(form);
}

void EnemyPage::Button14Click()
{
    const auto path = window_.dialogs().chooseOpenFile(
        {QStringLiteral("GIFファイル (*.gif)|*.gif"), 1, {}, {}, FileKind::EnemyPicture});
    if (path)
        LoadEnemyPicture(*path);
}

void EnemyPage::DropFiles(const QStringList& paths)
{
    if (!paths.isEmpty() && DroppedFileType(DropTarget::EnemyPicture, ToPath(paths.first())))
        LoadEnemyPicture(paths.first());
}

bool EnemyPage::LoadEnemyPicture(const QString& path)
{
    EnemyForm form = readForm();
    const Status loaded = varn::LoadEnemyPicture(ToPath(path), held_, form);
    showPicture();
    if (!loaded) {
        window_.dialogs().showError(FromUtf8(loaded.message()));
        return false;
    }
    writeForm(form);
    pictureSinceRead_ = true;
    noteFormChange();
    return true;
}

void EnemyPage::showPicture()
{
    QImage shown;
    if (held_) {
        shown = FrameToQImage(*held_);
    } else if (const int enemy = Index(ComboBox30); enemy >= 0) {
        withImage([&](RomStream& image) {
            if (const Result<EnemyGraphic> graphic = ReadEnemyGraphic(image, enemy))
                shown = FrameToQImage(graphic.value().picture);
        });
    }
    if (shown.isNull())
        Image5->clear();
    else
        Image5->setPixmap(QPixmap::fromImage(shown));
}

void EnemyPage::Button16Click()
{
    DialogService& dialogs = window_.dialogs();
    ImageChangeOptions options = window_.imageChangeOptions(EnemyChangeName(Index(ComboBox30)));
    options.expectedChecksum = shownChecksum_;
    const Status applied =
        ApplyEnemy(ToPath(window_.romPath()), readForm(), held_ ? &*held_ : nullptr, options);
    if (applied)
        noteFormRead();
    // The page shows the image as it is now: what was applied, or another program's change
    // that made the apply refused.
    window_.imageChanged();
    if (!applied) {
        ShowFailure(dialogs, *this, PageControl3, applied.failure());
        // The page shows an image that is no longer there: it is read again, the user
        // deciding about the edits not applied.
        if (applied.message() == kImageChangedSinceShownMessage)
            ReloadFromImage(window_.document().identification());
        return;
    }
    dialogs.showFinished();
}

const EnemyList& EnemyPage::equipmentList(std::size_t slot) const
{
    const std::array<const EnemyList*, 3> lists{&lists_.weapons, &lists_.shields, &lists_.armours};
    return *lists[SlotList(slot)];
}

EnemyForm EnemyPage::readForm() const
{
    EnemyForm form;
    form.enemy = Index(ComboBox30);
    form.readStatus = CheckBox30->isChecked();
    form.name = ToUtf8(Edit73->text());
    form.nameField = nameField_;

    form.address = ToUtf8(Edit74->text());
    form.endAddress = ToUtf8(Edit77->text());
    form.dataSize = ToUtf8(Edit95->text());
    form.graphicNumber = Index(ComboBox31);
    form.boxWidth = Index(ComboBox32);
    form.boxHeight = Index(ComboBox33);
    form.offsetX = Index(ComboBox34);
    form.offsetY = Index(ComboBox35);
    form.appearance = Index(ComboBox36);

    form.hp = ToUtf8(Edit85->text());
    for (std::size_t i = 0; i < statFields_.size(); ++i)
        form.stats[i] = ToUtf8(statFields_[i]->text());
    for (std::size_t i = 0; i < levelFields_.size(); ++i)
        form.levels[i] = ToUtf8(levelFields_[i]->text());
    form.recoveryElement = Index(ComboBox61);
    for (std::size_t i = 0; i < resistanceBoxes_.size(); ++i)
        form.resistances[i] = resistanceBoxes_[i]->isChecked();
    form.race = Index(ComboBox62);
    form.undead = CheckBox61->isChecked();
    form.female = CheckBox62->isChecked();
    form.male = CheckBox63->isChecked();

    for (std::size_t i = 0; i < equipmentBoxes_.size(); ++i)
        form.equipment[i] = CodeOf(equipmentList(i), Index(equipmentBoxes_[i]));
    for (std::size_t i = 0; i < noDisarmBoxes_.size(); ++i)
        form.noDisarm[i] = noDisarmBoxes_[i]->isChecked();
    ArmourSummary& summary = form.armourSummary;
    for (std::size_t i = 0; i < defenceFields_.size(); ++i)
        summary.defence[i] = ToUtf8(defenceFields_[i]->text());
    for (std::size_t i = 0; i < armourResistanceBoxes_.size(); ++i)
        summary.resistances[i] = armourResistanceBoxes_[i]->isChecked();
    for (std::size_t i = 0; i < armourOtherBoxes_.size(); ++i)
        summary.armourResistances[i] = armourOtherBoxes_[i]->isChecked();
    for (std::size_t i = 0; i < armourRecoveryBoxes_.size(); ++i)
        summary.recovery[i] = armourRecoveryBoxes_[i]->isChecked();
    summary.autoRecovery = CheckBox54->isChecked();

    for (std::size_t row = 0; row < patternBoxes_.size(); ++row) {
        form.patterns[row] = Index(patternBoxes_[row]);
        for (std::size_t n = 0; n < techniqueBoxes_[row].size(); ++n)
            form.techniques[row][n] = Index(techniqueBoxes_[row][n]);
        form.techniquesEnabled[row] = techniqueBoxes_[row][0]->isEnabled();
    }

    for (std::size_t i = 0; i < dropBoxes_.size(); ++i)
        form.drops[i] = CodeOf(lists_.dropItems, Index(dropBoxes_[i]));
    form.money = ToUtf8(Edit94->text());
    form.patternChoice = Index(ComboBox63);
    form.techniqueChoice = Index(ComboBox64);
    form.twoAttack = Index(ComboBox65);
    return form;
}

void EnemyPage::writeForm(const EnemyForm& form)
{
    ++writingForm_;
    writeControls(form);
    --writingForm_;
    noteFormChange();
}

void EnemyPage::writeControls(const EnemyForm& form)
{
    // The equipment and drop codes first, since a code a list lacks becomes an entry of its
    // own and changing a list clears the selection of every box showing it.
    const std::array<CodedList, 4> coded = codedLists();
    std::array<int, 5> equipment{};
    for (std::size_t i = 0; i < equipment.size(); ++i)
        equipment[i] = showCode(coded[SlotList(i)], form.equipment[i]);
    std::array<int, 4> drops{};
    for (std::size_t i = 0; i < drops.size(); ++i)
        drops[i] = showCode(coded[3], form.drops[i]);

    Select(ComboBox30, form.enemy);
    CheckBox30->setChecked(form.readStatus);
    SetText(Edit73, form.name);
    nameField_ = form.nameField;

    SetText(Edit74, form.address);
    SetText(Edit77, form.endAddress);
    SetText(Edit95, form.dataSize);
    Select(ComboBox31, form.graphicNumber);
    Select(ComboBox32, form.boxWidth);
    Select(ComboBox33, form.boxHeight);
    Select(ComboBox34, form.offsetX);
    Select(ComboBox35, form.offsetY);
    Select(ComboBox36, form.appearance);

    SetText(Edit85, form.hp);
    for (std::size_t i = 0; i < statFields_.size(); ++i)
        SetText(statFields_[i], form.stats[i]);
    for (std::size_t i = 0; i < levelFields_.size(); ++i)
        SetText(levelFields_[i], form.levels[i]);
    Select(ComboBox61, form.recoveryElement);
    for (std::size_t i = 0; i < resistanceBoxes_.size(); ++i)
        resistanceBoxes_[i]->setChecked(form.resistances[i]);
    Select(ComboBox62, form.race);
    CheckBox61->setChecked(form.undead);
    CheckBox62->setChecked(form.female);
    CheckBox63->setChecked(form.male);

    for (std::size_t i = 0; i < equipmentBoxes_.size(); ++i)
        Select(equipmentBoxes_[i], equipment[i]);
    for (std::size_t i = 0; i < noDisarmBoxes_.size(); ++i)
        noDisarmBoxes_[i]->setChecked(form.noDisarm[i]);
    const ArmourSummary& summary = form.armourSummary;
    for (std::size_t i = 0; i < defenceFields_.size(); ++i)
        SetText(defenceFields_[i], summary.defence[i]);
    for (std::size_t i = 0; i < armourResistanceBoxes_.size(); ++i)
        armourResistanceBoxes_[i]->setChecked(summary.resistances[i]);
    for (std::size_t i = 0; i < armourOtherBoxes_.size(); ++i)
        armourOtherBoxes_[i]->setChecked(summary.armourResistances[i]);
    for (std::size_t i = 0; i < armourRecoveryBoxes_.size(); ++i)
        armourRecoveryBoxes_[i]->setChecked(summary.recovery[i]);
    CheckBox54->setChecked(summary.autoRecovery);

    for (std::size_t row = 0; row < patternBoxes_.size(); ++row) {
        Select(patternBoxes_[row], form.patterns[row]);
        for (std::size_t n = 0; n < techniqueBoxes_[row].size(); ++n) {
            Select(techniqueBoxes_[row][n], form.techniques[row][n]);
            techniqueBoxes_[row][n]->setEnabled(form.techniquesEnabled[row]);
        }
    }

    for (std::size_t i = 0; i < dropBoxes_.size(); ++i)
        Select(dropBoxes_[i], drops[i]);
    SetText(Edit94, form.money);
    Select(ComboBox63, form.patternChoice);
    Select(ComboBox64, form.techniqueChoice);
    Select(ComboBox65, form.twoAttack);
}

} // namespace varn::app
