#include "app/CharaGraphicPage.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/GifQImage.h"
#include "app/TForm1.h"
#include "charpatch/CharacterGraphicsItems.h"
#include "graphics/CharacterSheetRom.h"
#include "graphics/GifCodec.h"
#include "graphics/SpriteSheet.h"
#include "rom/RomIdentification.h"
#include "text/ExtensionTable.h"

namespace varn::app {

namespace {


// The list always holds the game's 32 characters; the extra codes follow them.
constexpr int kFixedItemCount = static_cast<int>(kCharacterSheetCodes.size());

void AddItems(QComboBox* box, const ItemList& items, int from)
{
    for (std::size_t i = static_cast<std::size_t>(from); i < items.size(); ++i)
        box->addItem(QString::fromStdString(items[i].label), int{items[i].code});
}

} // namespace

CharaGraphicPage::CharaGraphicPage(TForm1& window, QWidget* parent)
    : QWidget(parent), window_(window)
{
    ComboBox70 = new QComboBox;
    ComboBox70->setObjectName(QStringLiteral("ComboBox70"));
    ComboBox70->setEditable(false);
    ComboBox70->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    ComboBox70->setMinimumContentsLength(10);
    ComboBox70->setMaxVisibleItems(20);
    AddItems(ComboBox70, CharacterGraphicsItems(std::span<const ExtraSheetName>{}), 0);
    ComboBox70->setCurrentIndex(0);
    connect(ComboBox70, &QComboBox::currentIndexChanged, this, &CharaGraphicPage::ComboBox70Change);

    // The sheet pixel for pixel, in a sunken frame.
    Panel8 = new QFrame;
    Panel8->setObjectName(QStringLiteral("Panel8"));
    Panel8->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel8->setLineWidth(1);
    Image8 = new QLabel(Panel8);
    Image8->setObjectName(QStringLiteral("Image8"));
    Image8->setFixedSize(kSheetWidth, kSheetHeight);
    Image8->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* frameLayout = new QVBoxLayout(Panel8);
    frameLayout->setContentsMargins(0, 0, 0, 0);
    frameLayout->addWidget(Image8);
    Panel8->setFixedSize(kSheetWidth + 2 * Panel8->frameWidth(),
                         kSheetHeight + 2 * Panel8->frameWidth());

    Button9 = new QPushButton(QStringLiteral("GIFで保存"));
    Button9->setObjectName(QStringLiteral("Button9"));
    Button9->setEnabled(false);
    connect(Button9, &QPushButton::clicked, this, &CharaGraphicPage::Button9Click);

    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->addWidget(ComboBox70);
    column->addWidget(Panel8);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(Button9);
    column->addLayout(buttonRow);
    column->addStretch(1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(column);
    layout->addStretch(1);

    connect(&window_, &TForm1::romImageClosing, this, &CharaGraphicPage::dropImage);
    connect(&window_, &TForm1::romImageOpened, this, &CharaGraphicPage::LoadCharacterGraphicsPage);
    // A change of the open image: the list is read again, keeping the character chosen.
    connect(&window_, &TForm1::romImageChanged, this, [this](const RomIdentification& image) {
        dropImage();
        LoadCharacterGraphicsPage(image);
    });
}

void CharaGraphicPage::removeExtraItems()
{
    const QSignalBlocker quiet(ComboBox70);
    if (ComboBox70->currentIndex() >= kFixedItemCount)
        ComboBox70->setCurrentIndex(0);
    while (ComboBox70->count() > kFixedItemCount)
        ComboBox70->removeItem(ComboBox70->count() - 1);
}

void CharaGraphicPage::dropImage()
{
    // The picture and the extra items belong to the image that was open; "GIFで保存" would
    // read the next image under the old image's choice.
    available_ = false;
    // The choice is kept for the next image while that image lists it.
    selectedBeforeClosing_ = ComboBox70->currentIndex();
    removeExtraItems();
    Image8->clear();
    Button9->setEnabled(false);
}

void CharaGraphicPage::LoadCharacterGraphicsPage(const RomIdentification& image)
{
    if (!CharacterGraphicsAvailable(image.header))
        return;
    const Result<ItemList> items =
        LoadCharacterGraphicsItems(ToPath(window_.romPath()), ProcessExtensionTable());
    if (!items)
        return;
    available_ = true;
    const int selected = selectedBeforeClosing_;
    {
        const QSignalBlocker quiet(ComboBox70);
        removeExtraItems();
        AddItems(ComboBox70, items.value(), kFixedItemCount);
        ComboBox70->setCurrentIndex(selected >= 0 && selected < ComboBox70->count() ? selected : 0);
    }
    ShowCharacterSheet();
}

std::uint8_t CharaGraphicPage::selectedCode() const
{
    const QVariant code = ComboBox70->currentData();
    return code.isValid() ? static_cast<std::uint8_t>(code.toInt()) : kCharacterSheetCodes[0];
}

Result<GifImage> CharaGraphicPage::ReadCharacterSheet() const
{
    return varn::ReadCharacterSheet(ToPath(window_.romPath()), selectedCode());
}

void CharaGraphicPage::ShowCharacterSheet()
{
    if (!available_)
        return;
    const Result<GifImage> sheet = ReadCharacterSheet();
    if (sheet)
        Image8->setPixmap(QPixmap::fromImage(FrameToQImage(sheet.value())));
    else
        Image8->clear();
    Button9->setEnabled(sheet.ok());
}

void CharaGraphicPage::ComboBox70Change()
{
    ShowCharacterSheet();
}

void CharaGraphicPage::Button9Click()
{
    DialogService& dialogs = window_.dialogs();
    const auto path =
        dialogs.chooseSaveFile({kGifFileFilter, 1, QStringLiteral(".gif"),
                                DatedFileName(ComboBox70->currentText()), FileKind::SpriteSheet});
    if (!path || !window_.acceptOutput(*path))
        return;
    Result<GifImage> sheet = ReadCharacterSheet();
    if (!sheet) {
        dialogs.showError(QString::fromStdString(sheet.message()));
        return;
    }
    ApplySheetTransparency(sheet.value(), window_.settings().tmpTransparent);
    const Status saved = SaveGifFile(sheet.value(), ToPath(*path));
    if (!saved)
        dialogs.showError(QString::fromStdString(saved.message()));
}

} // namespace varn::app
