#include "app/TForm2.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/PageWidgets.h"
#include "app/GifQImage.h"
#include "app/TForm1.h"

namespace varn::app {

namespace {


TForm2::ModalHook& ModalHookInUse()
{
    static TForm2::ModalHook hook;
    return hook;
}

} // namespace

TForm2::TForm2(TForm1& window) : QDialog(&window), window_(window)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("アニメーション確認"));

    auto* poses = new QButtonGroup(this);
    auto* poseColumn = new QVBoxLayout;
    poseColumn->setSpacing(4);
    for (int pose = 0; pose < kPoseCount; ++pose) {
        const std::string_view caption = kPoseCaptions[static_cast<std::size_t>(pose)];
        auto* button = new QRadioButton(
            QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
        button->setObjectName(QStringLiteral("RadioButton%1").arg(pose + 1));
        poses->addButton(button, pose);
        poseColumn->addWidget(button);
        poseButtons_[static_cast<std::size_t>(pose)] = button;
    }
    poseButtons_[0]->setChecked(true);
    poseColumn->addStretch(1);
    connect(poses, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            CreateGifAnim();
    });

    // The 24 × 32 frames three times enlarged, pixel for pixel.
    auto* panel = new QFrame;
    panel->setObjectName(QStringLiteral("ImagePanel"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    Image1 = new QLabel(panel);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kAnimationFrameWidth * kAnimationZoom,
                         kAnimationFrameHeight * kAnimationZoom);
    Image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    panelLayout->addWidget(Image1);
    panel->setFixedSize(Image1->width() + 2 * panel->frameWidth(),
                        Image1->height() + 2 * panel->frameWidth());

    CheckBox1 = new QCheckBox(QStringLiteral("毒"));
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm2::CheckBox1Click);

    Button1 = new QPushButton(QStringLiteral("GIFで保存"));
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setAutoDefault(false);
    connect(Button1, &QPushButton::clicked, this, &TForm2::Button1Click);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 8, 8, 8);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    grid->addWidget(panel, 0, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addLayout(poseColumn, 0, 1);
    grid->addWidget(CheckBox1, 1, 0);
    grid->addWidget(Button1, 1, 1);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);

    timer_ = new QTimer(this);
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &TForm2::nextFrame);
}

void TForm2::setModalHook(ModalHook hook)
{
    ModalHookInUse() = std::move(hook);
}

void TForm2::ShowAnimation(TForm1& window, const QString& name)
{
    auto* form = window.findChild<TForm2*>(QStringLiteral("Form2"), Qt::FindDirectChildrenOnly);
    if (form == nullptr)
        form = new TForm2(window);
    form->name_ = name;
    if (!form->FormShow())
        return;
    if (const ModalHook& hook = ModalHookInUse())
        QTimer::singleShot(0, form, [form, hook] { hook(*form); });
    form->exec();
}

int TForm2::checkedPose() const
{
    for (std::size_t pose = 0; pose < poseButtons_.size(); ++pose) {
        if (poseButtons_[pose]->isChecked())
            return static_cast<int>(pose);
    }
    return 0;
}

const GifImage* TForm2::animation() const
{
    return preview_ ? &preview_->animation() : nullptr;
}

bool TForm2::FormShow()
{
    Result<AnimationPreview> preview = AnimationPreview::Create(window_.sheetImage());
    if (!preview) {
        window_.dialogs().showError(QString::fromStdString(preview.message()));
        return false;
    }
    preview_ = std::move(preview).value();
    CreateGifAnim();
    return true;
}

void TForm2::FormHide()
{
    timer_->stop();
    preview_.reset();
    Image1->clear();
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Shown some other way than ShowAnimation: the animation is built here.
    if (!preview_ && !FormShow())
        QTimer::singleShot(0, this, &TForm2::reject);
}

void TForm2::hideEvent(QHideEvent* event)
{
    FormHide();
    QDialog::hideEvent(event);
}

void TForm2::CreateGifAnim()
{
    if (!preview_)
        return;
    if (const Status posed = preview_->setPose(checkedPose()); !posed) {
        window_.dialogs().showError(QString::fromStdString(posed.message()));
        return;
    }
    preview_->setPoisoned(CheckBox1->isChecked());
    showFrame(0);
}

void TForm2::CheckBox1Click()
{
    if (!preview_)
        return;
    preview_->setPoisoned(CheckBox1->isChecked());
    showFrame(shownFrame_);
}

void TForm2::Button1Click()
{
    if (!preview_)
        return;
    DialogService& dialogs = window_.dialogs();
    const QString base = QString::fromStdString(preview_->fileBase(name_.toStdString()));
    const auto path = dialogs.chooseSaveFile(
        {kGifFileFilter, 1, QStringLiteral(".gif"), DatedFileName(base), FileKind::Animation});
    if (!path || !preview_ || !window_.acceptOutput(*path))
        return;
    const Status saved = preview_->save(ToPath(*path), window_.settings().aniTransparent);
    if (!saved)
        dialogs.showError(QString::fromStdString(saved.message()));
    // The frames keep the transparency they were saved with, and show it.
    showFrame(shownFrame_);
}

void TForm2::showFrame(std::size_t frame)
{
    if (!preview_)
        return;
    const GifImage& shown = preview_->animation();
    const std::vector<AnimationStep> steps = AnimationSchedule(shown);
    if (steps.empty()) {
        Image1->clear();
        return;
    }
    shownFrame_ = frame < steps.size() ? frame : 0;
    const QImage image = FrameToQImage(shown, shownFrame_);
    Image1->setPixmap(QPixmap::fromImage(
        image.scaled(Image1->size(), Qt::IgnoreAspectRatio, Qt::FastTransformation)));
    timer_->start(steps[shownFrame_].milliseconds);
}

void TForm2::nextFrame()
{
    showFrame(shownFrame_ + 1);
}

} // namespace varn::app
