#include "app/MmlPage.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/CoreText.h"
#include "app/FileDropFilter.h"
#include "app/TForm1.h"
#include "music/MmlPageCommands.h"
#include "music/MusicLabels.h"
#include "rom/RomHeader.h"

namespace varn::app {

namespace {

// The page's captions and labels.
constexpr std::string_view kMmlFileLabel = "MMLファイル";           // Edit67
constexpr std::string_view kChooseMmlFileCaption = "...";           // Button11
constexpr std::string_view kMusicNumberLabel = "音楽番号";          // Edit69
constexpr std::string_view kWriteAddressLabel = "書き込みアドレス"; // Edit70
constexpr std::string_view kLastAddressLabel = "～";                // between Edit70 and Edit71
constexpr std::string_view kPlaybackGroupCaption = "再生設定";
constexpr std::string_view kMapBattleListLabel = "マップ別戦闘曲";         // CheckListBox1
constexpr std::string_view kMonsterBattleListLabel = "モンスター別戦闘曲"; // CheckListBox2
constexpr std::string_view kMapThemeListLabel = "マップ曲";                // CheckListBox3
constexpr std::string_view kReverseCompileCaption = "逆コンパイル";        // Button17
constexpr std::string_view kCompileCaption = "コンパイル";                 // Button13

// The fields' first texts.
constexpr std::string_view kInitialMusicNumberText = "80";
constexpr std::string_view kInitialWriteAddressText = "400000";

// The open dialog of Button11 (first filter selected) and the save dialog of Button17 (first
// filter selected, the extension added when the name has none, asking before overwriting).
// Filters are "label|pattern" pairs joined by "|".
constexpr std::string_view kOpenMmlFilter = "MMLファイル (*.mml;*.txt)|*.mml;*.txt";
constexpr std::string_view kSaveMmlFilter = "MMLファイル(*.mml)|*.mml";
constexpr std::string_view kSaveMmlDefaultExtension = ".mml";

// The rows a playback list shows at least, so that ticking stays comfortable when the page is
// small.
constexpr int kPlaybackListRows = 6;

MessageIcon IconOf(MmlMessageIcon icon)
{
    return icon == MmlMessageIcon::Information ? MessageIcon::Information : MessageIcon::Stop;
}

// A read-only field that only shows a result, grey as the window's background.
QLineEdit* MakeShownField(const char* name, QWidget* parent)
{
    QLineEdit* field = MakeReadOnlyField(name, parent);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    field->setPalette(palette);
    return field;
}

} // namespace

MmlPage::MmlPage(TForm1& window, QWidget* parent) : QWidget(parent), window_(window)
{
    Edit67 = MakeReadOnlyField("Edit67", this);
    Button11 = new QPushButton(FromUtf8(kChooseMmlFileCaption), this);
    Button11->setObjectName(QStringLiteral("Button11"));
    Button11->setFixedWidth(28);
    Edit69 = MakeField("Edit69", this);
    Edit69->setMaxLength(kMusicNumberFieldLength);
    Edit69->setText(FromUtf8(kInitialMusicNumberText));
    FitDigits(Edit69, kMusicNumberFieldLength);
    Edit70 = MakeField("Edit70", this);
    Edit70->setMaxLength(kWriteAddressFieldLength);
    Edit70->setText(FromUtf8(kInitialWriteAddressText));
    FitDigits(Edit70, kWriteAddressFieldLength);
    Edit71 = MakeShownField("Edit71", this);
    FitDigits(Edit71, kWriteAddressFieldLength);

    Button17 = new QPushButton(FromUtf8(kReverseCompileCaption), this);
    Button17->setObjectName(QStringLiteral("Button17"));
    Button13 = new QPushButton(FromUtf8(kCompileCaption), this);
    Button13->setObjectName(QStringLiteral("Button13"));

    auto* fields = new QGridLayout;
    fields->setHorizontalSpacing(6);
    fields->setVerticalSpacing(4);
    fields->addWidget(MakeLabel(kMmlFileLabel, Edit67, this), 0, 0);
    fields->addWidget(Edit67, 0, 1, 1, 4);
    fields->addWidget(Button11, 0, 5);
    fields->addWidget(MakeLabel(kMusicNumberLabel, Edit69, this), 1, 0);
    fields->addWidget(Edit69, 1, 1, Qt::AlignLeft);
    fields->addWidget(MakeLabel(kWriteAddressLabel, Edit70, this), 2, 0);
    fields->addWidget(Edit70, 2, 1, Qt::AlignLeft);
    fields->addWidget(MakeLabel(kLastAddressLabel, nullptr, this), 2, 2);
    fields->addWidget(Edit71, 2, 3, Qt::AlignLeft);
    fields->setColumnStretch(4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button17);
    buttons->addWidget(Button13);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(fields);
    layout->addWidget(buildPlaybackGroup(), 1);
    layout->addLayout(buttons);

    connect(Button11, &QPushButton::clicked, this, &MmlPage::Button11Click);
    connect(Button13, &QPushButton::clicked, this, &MmlPage::Button13Click);
    connect(Button17, &QPushButton::clicked, this, &MmlPage::Button17Click);
    // A file dropped on the MML file field: the first one's path goes into the field.
    FileDropFilter::install(Edit67, [this](const QStringList& paths) {
        Edit67->setText(paths.first());
    });
}

QListWidget* MmlPage::makePlaybackList(const char* name, const std::vector<std::string>& labels)
{
    auto* list = new QListWidget(this);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    for (const std::string& label : labels) {
        auto* item = new QListWidgetItem(QString::fromStdString(label), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
    // Space ticks the current item, as the item's box does when clicked; a double click on the
    // text ticks it as well.
    connect(list, &QListWidget::itemDoubleClicked, list, [](QListWidgetItem* item) {
        item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
    const int row = list->fontMetrics().height() + 4;
    list->setMinimumHeight(kPlaybackListRows * row + 2 * list->frameWidth());
    return list;
}

QGroupBox* MmlPage::buildPlaybackGroup()
{
    auto* group = new QGroupBox(FromUtf8(kPlaybackGroupCaption), this);
    group->setObjectName(QStringLiteral("GroupBoxPlayback"));
    CheckListBox1 = makePlaybackList("CheckListBox1", MapBattleLabels());
    CheckListBox2 = makePlaybackList("CheckListBox2", MonsterBattleLabels());
    CheckListBox3 = makePlaybackList("CheckListBox3", MapThemeLabels());
    CheckListBox1->setParent(group);
    CheckListBox2->setParent(group);
    CheckListBox3->setParent(group);

    auto* columns = new QGridLayout(group);
    columns->setHorizontalSpacing(6);
    columns->setVerticalSpacing(2);
    const std::pair<std::string_view, QListWidget*> lists[] = {
        {kMapBattleListLabel, CheckListBox1},
        {kMonsterBattleListLabel, CheckListBox2},
        {kMapThemeListLabel, CheckListBox3},
    };
    int column = 0;
    for (const auto& [caption, list] : lists) {
        columns->addWidget(MakeLabel(caption, list, group), 0, column);
        columns->addWidget(list, 1, column);
        columns->setColumnStretch(column, 1);
        ++column;
    }
    columns->setRowStretch(1, 1);
    return group;
}

std::vector<int> MmlPage::TickedItems(const QListWidget* list)
{
    std::vector<int> ticked;
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->checkState() == Qt::Checked)
            ticked.push_back(i);
    }
    return ticked;
}

QString MmlPage::headerStripText(const char* name) const
{
    const auto* field = window_.findChild<QLineEdit*>(QString::fromLatin1(name));
    return field != nullptr ? field->text() : QString();
}

void MmlPage::Button11Click()
{
    FileDialogRequest request(FromUtf8(kOpenMmlFilter), 1);
    request.kind = FileKind::MmlFile;
    if (const auto path = window_.dialogs().chooseOpenFile(request))
        Edit67->setText(*path);
}

void MmlPage::Button13Click()
{
    MmlCompileRequest request;
    request.mmlPath = ToPath(Edit67->text()).string();
    request.romPath = ToPath(window_.romPath()).string();
    request.musicNumberText = ToUtf8(Edit69->text());
    request.writeAddressText = ToUtf8(Edit70->text());
    request.mapBattle = TickedItems(CheckListBox1);
    request.monsterBattle = TickedItems(CheckListBox2);
    request.mapTheme = TickedItems(CheckListBox3);
    request.change = window_.imageChangeOptions("MML " + ToUtf8(Edit69->text()));

    const MmlCompileOutcome outcome = RunMmlCompile(request);
    window_.imageChanged();
    if (outcome.lastAddressText)
        Edit71->setText(QString::fromStdString(*outcome.lastAddressText));
    window_.dialogs().showMessage(QString::fromStdString(outcome.message.text),
                                  QString::fromStdString(outcome.message.caption),
                                  IconOf(outcome.message.icon));
    // The values used, so that an unreadable field shows what it fell back to.
    if (outcome.musicNumberText)
        Edit69->setText(QString::fromStdString(*outcome.musicNumberText));
    if (outcome.writeAddressText)
        Edit70->setText(QString::fromStdString(*outcome.writeAddressText));
}

void MmlPage::Button17Click()
{
    DialogService& dialogs = window_.dialogs();
    const std::string romPath = ToPath(window_.romPath()).string();
    if (const auto missing = CheckMmlReverseCompile(romPath)) {
        dialogs.showMessage(QString::fromStdString(missing->text),
                            QString::fromStdString(missing->caption), IconOf(missing->icon));
        return;
    }
    FileDialogRequest save(FromUtf8(kSaveMmlFilter), 1, FromUtf8(kSaveMmlDefaultExtension));
    save.kind = FileKind::MmlFile;
    const auto outPath = dialogs.chooseSaveFile(save);
    if (!outPath || !window_.acceptOutput(*outPath))
        return;

    MmlReverseCompileRequest request;
    request.romPath = romPath;
    request.musicNumberText = ToUtf8(Edit69->text());
    request.outPath = ToPath(*outPath).string();
    // The title and the copier header as the window's header strip shows them.
    request.title = ToUtf8(headerStripText("Edit91"));
    request.headerSize = HeaderSizeOfField(ToUtf8(headerStripText("Edit93")));

    const MmlReverseCompileOutcome outcome = RunMmlReverseCompile(request);
    dialogs.showMessage(QString::fromStdString(outcome.message.text),
                        QString::fromStdString(outcome.message.caption),
                        IconOf(outcome.message.icon));
    if (outcome.musicNumberText)
        Edit69->setText(QString::fromStdString(*outcome.musicNumberText));
}

} // namespace varn::app
