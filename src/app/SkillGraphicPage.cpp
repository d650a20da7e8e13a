#include "app/SkillGraphicPage.h"

#include <string_view>

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/CoreText.h"
#include "app/FileDropFilter.h"
#include "app/GifQImage.h"
#include "app/TForm1.h"
#include "music/MmlPageCommands.h"
#include "rom/FileType.h"
#include "rom/RomHeader.h"
#include "rom/RomIdentification.h"

namespace varn::app {

namespace {

// The page's captions and labels.
constexpr std::string_view kSkillGraphicCategoryLabel = "グラフィック分類"; // ComboBox26
constexpr std::string_view kSkillGraphicIdLabel = "グラフィックID";         // ComboBox27
constexpr std::string_view kSkillPaletteCategoryLabel = "パレット分類";     // ComboBox28
constexpr std::string_view kSkillPaletteIdLabel = "パレットID";             // ComboBox29
constexpr std::string_view kSkillSaveButton = "GIFで保存";                  // Button10
constexpr std::string_view kSkillWriteButton = "書き込み";                  // Button18
constexpr std::string_view kSkillAddressLabel = "書き込みアドレス";         // Edit98
constexpr std::string_view kSkillAddressSeparator = "～";                   // before Edit99
constexpr std::string_view kSkillWritePaletteCheck = "パレットも書き込む";  // checked at start
constexpr std::string_view kSkillDefaultAddressText = "5D0000";
// The save dialog of "GIFで保存": no name is proposed.
constexpr std::string_view kSkillSaveFilter = "GIFファイル(*.gif)|*.gif";
constexpr std::string_view kSkillSaveExtension = ".gif";


QComboBox* MakeList(const char* name, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setEditable(false);
    box->setMaxVisibleItems(20);
    return box;
}

// A category list: its items are long, so the box may be narrower than they are (the open
// list shows them whole).
QComboBox* MakeCategoryList(const char* name, const std::vector<std::string>& items,
                            QWidget* parent)
{
    QComboBox* box = MakeList(name, parent);
    for (const std::string& item : items)
        box->addItem(QString::fromStdString(item));
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(16);
    box->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    box->view()->setMinimumWidth(box->view()->sizeHintForColumn(0) + 24);
    return box;
}

// A picture shown at a whole-number zoom in a sunken frame of its own size.
QLabel* MakePicture(const char* name, int width, int height, QWidget* parent)
{
    auto* picture = new QLabel(parent);
    picture->setObjectName(QString::fromLatin1(name));
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setLineWidth(1);
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    const int frame = picture->frameWidth();
    picture->setFixedSize(width + 2 * frame, height + 2 * frame);
    return picture;
}

// The first frame of a GIF image, enlarged `zoom` times with every pixel kept square.
QPixmap ZoomedPixmap(const GifImage& image, int zoom)
{
    const QImage frame = FrameToQImage(image);
    if (frame.isNull())
        return {};
    return QPixmap::fromImage(
        frame.scaled(frame.size() * zoom, Qt::IgnoreAspectRatio, Qt::FastTransformation));
}


constexpr int kAddressDigits = 6;

} // namespace

SkillGraphicPage::SkillGraphicPage(TForm1& window, QWidget* parent)
    : QWidget(parent), window_(window)
{
    // The selections: at start category 1 of both lists, with their 128 and 120 IDs.
    ComboBox26 = MakeCategoryList("ComboBox26", SkillGraphicCategoryItems(), this);
    ComboBox27 = MakeList("ComboBox27", this);
    ComboBox28 = MakeCategoryList("ComboBox28", SkillPaletteCategoryItems(), this);
    ComboBox29 = MakeList("ComboBox29", this);
    ComboBox26->setCurrentIndex(kInitialSkillSelection.graphicCategory);
    ComboBox28->setCurrentIndex(kInitialSkillSelection.paletteCategory);
    fillIds(ComboBox27, SkillGraphicIdCount(kInitialSkillSelection.graphicCategory));
    fillIds(ComboBox29, SkillPaletteIdCount(kInitialSkillSelection.paletteCategory));

    // The graphic read from the image and its palette.
    Image3 = MakePicture("Image3", kPictureZoom * kSkillGraphicWidth,
                         kPictureZoom * kSkillGraphicHeight, this);
    Image4 = MakePicture("Image4", kSkillSwatchWidth, kSkillSwatchHeight, this);
    Button10 = new QPushButton(FromUtf8(kSkillSaveButton), this);
    Button10->setObjectName(QStringLiteral("Button10"));

    // The write panel: a GIF dropped on it is the graphic to write.
    Panel6 = new QFrame(this);
    Panel6->setObjectName(QStringLiteral("Panel6"));
    Panel6->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel6->setLineWidth(1);
    Image6 = new QLabel(Panel6);
    Image6->setObjectName(QStringLiteral("Image6"));
    Image6->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image6->setFixedSize(kPictureZoom * kSkillGraphicWidth, kPictureZoom * kSkillGraphicHeight);
    auto* panelLayout = new QVBoxLayout(Panel6);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(Image6);
    Panel6->setFixedSize(Image6->width() + 2 * Panel6->frameWidth(),
                         Image6->height() + 2 * Panel6->frameWidth());
    Image7 = MakePicture("Image7", kSkillSwatchWidth, kSkillSwatchHeight, this);

    Edit98 = new QLineEdit(FromUtf8(kSkillDefaultAddressText), this);
    Edit98->setObjectName(QStringLiteral("Edit98"));
    Edit98->setMaxLength(kAddressDigits);
    FitDigits(Edit98, kAddressDigits);
    Edit99 = new QLineEdit(this);
    Edit99->setObjectName(QStringLiteral("Edit99"));
    Edit99->setReadOnly(true);
    // Tab passes over what cannot be edited; a click still selects the text to copy.
    Edit99->setFocusPolicy(Qt::ClickFocus);
    FitDigits(Edit99, kAddressDigits);
    CheckBoxWritePalette = new QCheckBox(FromUtf8(kSkillWritePaletteCheck), this);
    CheckBoxWritePalette->setObjectName(QStringLiteral("CheckBoxWritePalette"));
    CheckBoxWritePalette->setChecked(true);
    Button18 = new QPushButton(FromUtf8(kSkillWriteButton), this);
    Button18->setObjectName(QStringLiteral("Button18"));

    auto* selections = new QGridLayout;
    selections->setHorizontalSpacing(6);
    selections->setVerticalSpacing(4);
    selections->addWidget(MakeLabel(kSkillGraphicCategoryLabel, ComboBox26, this), 0, 0);
    selections->addWidget(ComboBox26, 0, 1, 1, 2);
    selections->addWidget(MakeLabel(kSkillGraphicIdLabel, ComboBox27, this), 1, 0);
    selections->addWidget(ComboBox27, 1, 1, Qt::AlignLeft);
    selections->addWidget(MakeLabel(kSkillPaletteCategoryLabel, ComboBox28, this), 2, 0);
    selections->addWidget(ComboBox28, 2, 1, 1, 2);
    selections->addWidget(MakeLabel(kSkillPaletteIdLabel, ComboBox29, this), 3, 0);
    selections->addWidget(ComboBox29, 3, 1, Qt::AlignLeft);
    selections->setColumnStretch(2, 1);

    auto* shown = new QHBoxLayout;
    shown->setSpacing(6);
    shown->addWidget(Image3);
    shown->addWidget(Image4);
    shown->addStretch(1);
    auto* saveRow = new QHBoxLayout;
    saveRow->addStretch(1);
    saveRow->addWidget(Button10);

    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    auto* imported = new QHBoxLayout;
    imported->setSpacing(6);
    imported->addWidget(Panel6);
    imported->addWidget(Image7);
    imported->addStretch(1);
    auto* addressRow = new QHBoxLayout;
    addressRow->setSpacing(6);
    addressRow->addWidget(MakeLabel(kSkillAddressLabel, Edit98, this));
    addressRow->addWidget(Edit98);
    addressRow->addWidget(MakeLabel(kSkillAddressSeparator, nullptr, this));
    addressRow->addWidget(Edit99);
    addressRow->addStretch(1);
    auto* writeRow = new QHBoxLayout;
    writeRow->addWidget(CheckBoxWritePalette);
    writeRow->addStretch(1);
    writeRow->addWidget(Button18);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(6);
    layout->addLayout(selections);
    layout->addLayout(shown);
    layout->addLayout(saveRow);
    layout->addWidget(separator);
    layout->addLayout(imported);
    layout->addLayout(addressRow);
    layout->addLayout(writeRow);
    layout->addStretch(1);

    connect(ComboBox26, &QComboBox::currentIndexChanged, this, &SkillGraphicPage::ComboBox26Change);
    connect(ComboBox28, &QComboBox::currentIndexChanged, this, &SkillGraphicPage::ComboBox28Change);
    connect(ComboBox27, &QComboBox::currentIndexChanged, this, &SkillGraphicPage::SkillComboChange);
    connect(ComboBox29, &QComboBox::currentIndexChanged, this, &SkillGraphicPage::SkillComboChange);
    connect(Button10, &QPushButton::clicked, this, &SkillGraphicPage::Button10Click);
    connect(Button18, &QPushButton::clicked, this, &SkillGraphicPage::Button18Click);
    FileDropFilter::install(Panel6,
                            [this](const QStringList& paths) { ImportDroppedFiles(paths); });

    connect(&window_, &TForm1::romImageClosing, this, &SkillGraphicPage::dropImage);
    connect(&window_, &TForm1::romImageOpened, this, &SkillGraphicPage::openImage);
    connect(&window_, &TForm1::romImageChanged, this, &SkillGraphicPage::openImage);
}

void SkillGraphicPage::fillIds(QComboBox* box, int count)
{
    const QSignalBlocker quiet(box);
    box->clear();
    for (const std::string& item : SkillIdItems(count))
        box->addItem(QString::fromStdString(item));
    box->setCurrentIndex(0);
    // The items are short; the box is as wide as the widest with room to spare for the
    // full-width brackets, which fonts measure differently from how they draw them.
    box->setMinimumWidth(box->fontMetrics().horizontalAdvance(box->itemText(count - 1)) +
                         box->fontMetrics().horizontalAdvance(QStringLiteral("XX")) +
                         box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
}

SkillSelection SkillGraphicPage::selection() const
{
    return {ComboBox26->currentIndex(), ComboBox27->currentIndex(), ComboBox28->currentIndex(),
            ComboBox29->currentIndex()};
}

bool SkillGraphicPage::imageOpen() const
{
    return !window_.romPath().isEmpty();
}

void SkillGraphicPage::showSelection(const SkillSelection& chosen, bool refillGraphicIds,
                                     bool refillPaletteIds)
{
    const QSignalBlocker quietGraphics(ComboBox26);
    const QSignalBlocker quietPalettes(ComboBox28);
    ComboBox26->setCurrentIndex(chosen.graphicCategory);
    ComboBox28->setCurrentIndex(chosen.paletteCategory);
    if (refillGraphicIds)
        fillIds(ComboBox27, SkillGraphicIdCount(chosen.graphicCategory));
    if (refillPaletteIds)
        fillIds(ComboBox29, SkillPaletteIdCount(chosen.paletteCategory));
    const QSignalBlocker quietGraphicIds(ComboBox27);
    const QSignalBlocker quietPaletteIds(ComboBox29);
    ComboBox27->setCurrentIndex(chosen.graphicId);
    ComboBox29->setCurrentIndex(chosen.paletteId);
}

void SkillGraphicPage::ComboBox26Change()
{
    fillIds(ComboBox27, SkillGraphicIdCount(ComboBox26->currentIndex()));
    if (imageOpen())
        ShowSkillGraphic();
}

void SkillGraphicPage::ComboBox28Change()
{
    fillIds(ComboBox29, SkillPaletteIdCount(ComboBox28->currentIndex()));
    if (imageOpen())
        ShowSkillGraphic();
}

void SkillGraphicPage::SkillComboChange()
{
    if (imageOpen())
        ShowSkillGraphic();
}

void SkillGraphicPage::ShowSkillGraphic()
{
    const SkillGraphicView view = varn::ShowSkillGraphic(
        skill_, title_, headerSize_, window_.romPath().toStdString(), selection());
    if (!view.titleSwitch.shows)
        return;
    showSelection(view.titleSwitch.selection, view.titleSwitch.graphicIdsRefilled,
                  view.titleSwitch.paletteIdsRefilled);
    if (!view.shown)
        return;
    Image3->setPixmap(ZoomedPixmap(view.picture, kPictureZoom));
    Image4->setPixmap(ZoomedPixmap(view.swatches, 1));
}

void SkillGraphicPage::dropImage()
{
    // The graphic belongs to the image that was open: it is neither shown nor saved for the
    // next one.
    title_.clear();
    headerSize_ = 0;
    skill_.shownImage = GifImage{};
    Image3->clear();
    Image4->clear();
}

void SkillGraphicPage::openImage(const RomIdentification& image)
{
    title_ = image.titleText;
    headerSize_ = HeaderSizeOfField(image.headerText);
    if (image.loadsSkillGraphics)
        ShowSkillGraphic();
}

void SkillGraphicPage::Button10Click()
{
    DialogService& dialogs = window_.dialogs();
    if (!imageOpen() || skill_.shownImage.frames.empty()) {
        dialogs.showError(QString::fromUtf8(kSkillNoGraphicMessage));
        return;
    }
    // No name of its own is proposed: the dialog offers the name this page saved last.
    FileDialogRequest request{FromUtf8(kSkillSaveFilter), 1, FromUtf8(kSkillSaveExtension),
                              lastSavedName_, FileKind::SkillGraphic};
    const auto path = dialogs.chooseSaveFile(request);
    if (!path || !window_.acceptOutput(*path))
        return;
    lastSavedName_ = QFileInfo(*path).fileName();
    if (const Status saved = skill_.SaveShownImage(ToPath(*path)); !saved)
        dialogs.showError(QString::fromStdString(saved.message()));
}

void SkillGraphicPage::showImported()
{
    Image6->setPixmap(ZoomedPixmap(skill_.importedImage, kPictureZoom));
    const auto colours = SkillImageColours(skill_.importedImage);
    Image7->setPixmap(ZoomedPixmap(BuildSkillSwatches(colours), 1));
}

void SkillGraphicPage::ImportDroppedFiles(const QStringList& paths)
{
    if (paths.isEmpty() || !DroppedFileType(DropTarget::SkillImage, ToPath(paths.first())))
        return;
    if (const Status imported = skill_.ImportImage(ToPath(paths.first())); !imported) {
        // A refused image is forgotten, so it is not shown as the graphic to write either.
        Image6->clear();
        Image7->clear();
        window_.dialogs().showError(QString::fromStdString(imported.message()));
        return;
    }
    showImported();
}

void SkillGraphicPage::Button18Click()
{
    SkillWriteRequest request;
    request.romPath = window_.romPath().toStdString();
    request.headerSize = headerSize_;
    request.selection = selection();
    request.address = ParseSkillWriteAddress(Edit98->text().toStdString());
    request.writePalette = CheckBoxWritePalette->isChecked();
    Edit98->setText(QString::fromStdString(SkillWriteAddressText(request.address)));
    const ImageChangeOptions options = window_.imageChangeOptions("技術グラフィック");
    const Result<int> lastAddress = WriteSkillGraphic(skill_, request, options);
    window_.imageChanged();
    if (!lastAddress) {
        window_.dialogs().showError(QString::fromStdString(lastAddress.message()));
        return;
    }
    Edit99->setText(QString::fromStdString(SkillWriteAddressText(lastAddress.value())));
    ShowSkillGraphic();
    window_.dialogs().showFinished();
}

} // namespace varn::app
