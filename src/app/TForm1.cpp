#include "app/TForm1.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/CharaPatchPage.h"
#include "app/FileDropFilter.h"
#include "app/PatchApplyPage.h"
#include "app/PatchListView.h"
#include "app/QtDialogService.h"
#include "app/VarnApplication.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomIdentification.h"
#include "text/ExtensionTable.h"

namespace varn::app {

namespace {

constexpr int kClientWidth = 544;
constexpr int kClientHeight = 567;

// The pages of the main window in their order: object name and caption.
struct PageInfo {
    const char* objectName;
    const char* caption;
};
constexpr PageInfo kMainPages[kMainPageCount] = {
    {"PatchApplyPage", "パッチ適用"},
    {"CharaPatchPage", "キャラパッチ"},
    {"CharaGraphicPage", "キャラグラフィック"},
    {"TabSheet14", "敵変更"},
    {"MmlPage", "MML"},
    {"SkillGraphicPage", "技術グラフィック"},
    {"TabSheet20", "閃き適正"},
};
constexpr int kPatchApplyPageIndex = 0;
constexpr int kCharaPatchPageIndex = 1;

QLineEdit* MakeReadOnlyField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    return field;
}

} // namespace

std::filesystem::path ToPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

QString ToQString(const std::filesystem::path& path)
{
    return QString::fromStdU16String(path.u16string());
}

TForm1::TForm1(const std::filesystem::path& settingsPath, std::unique_ptr<DialogService> dialogs,
               QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      dialogs_(std::move(dialogs))
{
    if (!dialogs_)
        dialogs_ = std::make_unique<QtDialogService>(this);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Varnwork"));
    setFixedSize(kClientWidth, kClientHeight);

    buildHeaderStrip();
    buildPages();

    // Settings are read once; the extension characters are loaded afresh into the process's
    // table, so a second main window (as in tests) does not add its rows twice.
    ExtensionTable& extensions = ProcessExtensionTable();
    extensions = ExtensionTable{};
    settings_ = LoadSettings(settingsPath, extensions);
    musicConstants_ = MusicConstants{};

    PageControl1->setCurrentIndex(settings_.startupPage >= 0 ? settings_.startupPage : 0);
    installDropTargets();

    // The character editor's totals follow its default values from the start.
    charaPatchPage_->ShowTotals();

    if (VarnApplication* application = VarnApplication::instance())
        application->setExceptionHandler(
            this, [this](const QString& message) { dialogs_->showError(message); });
}

TForm1::~TForm1()
{
    if (VarnApplication* application = VarnApplication::instance())
        application->releaseExceptionHandler(this);
}

void TForm1::buildHeaderStrip()
{
    Edit65 = MakeReadOnlyField("Edit65", this);
    Button3 = new QPushButton(QStringLiteral("..."), this);
    Button3->setObjectName(QStringLiteral("Button3"));
    Button3->setFixedWidth(28);
    Edit91 = MakeReadOnlyField("Edit91", this);
    Edit92 = MakeReadOnlyField("Edit92", this);
    Edit92->setFixedWidth(56);
    Edit93 = MakeReadOnlyField("Edit93", this);
    Edit93->setFixedWidth(48);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);

    auto* strip = new QGridLayout;
    strip->setHorizontalSpacing(6);
    strip->setVerticalSpacing(4);
    const auto label = [this](const char* text, QLineEdit* buddy) {
        auto* caption = new QLabel(QString::fromUtf8(text), this);
        caption->setBuddy(buddy);
        return caption;
    };
    strip->addWidget(label("SMCファイル", Edit65), 0, 0);
    strip->addWidget(Edit65, 0, 1, 1, 5);
    strip->addWidget(Button3, 0, 6);
    strip->addWidget(label("ROMタイトル", Edit91), 1, 0);
    strip->addWidget(Edit91, 1, 1);
    strip->addWidget(label("バージョン", Edit92), 1, 2);
    strip->addWidget(Edit92, 1, 3);
    strip->addWidget(label("ヘッダ", Edit93), 1, 4);
    strip->addWidget(Edit93, 1, 5, 1, 2);
    strip->setColumnStretch(1, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setSpacing(6);
    layout->addLayout(strip);
}

void TForm1::buildPages()
{
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    // Compact tabs, so that all seven captions stand in one row of the fixed-width window.
    PageControl1->setStyleSheet(QStringLiteral("QTabBar::tab { padding: 3px 6px; }"));
    for (int index = 0; index < kMainPageCount; ++index) {
        const PageInfo& page = kMainPages[index];
        QWidget* sheet = nullptr;
        if (index == kPatchApplyPageIndex)
            sheet = patchApplyPage_ = new PatchApplyPage(*this, PageControl1);
        else if (index == kCharaPatchPageIndex)
            sheet = charaPatchPage_ = new CharaPatchPage(*this, PageControl1);
        else
            sheet = new QWidget(PageControl1);
        sheet->setObjectName(QString::fromLatin1(page.objectName));
        PageControl1->addTab(sheet, QString::fromUtf8(page.caption));
    }
    static_cast<QVBoxLayout*>(layout())->addWidget(PageControl1, 1);
}

void TForm1::installDropTargets()
{
    // In the window's order of drop targets: the sheet frame, the patch list, the ROM path.
    FileDropFilter::install(charaPatchPage_->sheetFrame(), [this](const QStringList& paths) {
        charaPatchPage_->LoadIntoEditor(paths.first());
    });
    FileDropFilter::install(patchApplyPage_->listView(), [this](const QStringList& paths) {
        patchApplyPage_->DropFiles(paths);
    });
    FileDropFilter::install(Edit65,
                            [this](const QStringList& paths) { OpenRomImage(paths.first()); });
}

QString TForm1::romPath() const
{
    return Edit65->text();
}

void TForm1::clearHeaderStrip()
{
    Edit65->clear();
    Edit91->clear();
    Edit92->clear();
    Edit93->clear();
}

void TForm1::Button3Click()
{
    const auto path =
        dialogs_->chooseOpenFile({QStringLiteral("smcファイル (*.smc)|*.smc"), 1, {}, {}});
    if (path)
        OpenRomImage(*path);
}

void TForm1::OpenRomImage(const QString& path)
{
    clearHeaderStrip();

    const RomIdentification image = IdentifyRomImage(ToPath(path), settings_.smcHeaderCheck);
    const QString message = QString::fromStdString(image.message());
    switch (image.verdict) {
    case RomVerdict::CannotOpen:
    case RomVerdict::Refused:
        dialogs_->showError(message);
        return;
    case RomVerdict::Warned:
        dialogs_->showWarning(message);
        break;
    case RomVerdict::Accepted:
        break;
    }

    Edit65->setText(path);
    Edit91->setText(QString::fromStdString(image.titleText));
    Edit92->setText(QString::fromStdString(image.versionText));
    Edit93->setText(QString::fromStdString(image.headerText));
}

bool TForm1::LoadSheetImage(const QString& path)
{
    Result<GifImage> sheet = varn::LoadSheetImage(ToPath(path));
    if (!sheet) {
        dialogs_->showError(QString::fromStdString(sheet.message()));
        return false;
    }
    sheetImage_ = std::move(sheet).value();
    return true;
}

} // namespace varn::app
