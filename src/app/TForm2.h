#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <optional>

#include <QDialog>
#include <QString>

#include "graphics/Animation.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

namespace varn::app {

class TForm1;

// The animation window "アニメーション確認": the character editor's current sheet played as
// one of six looping poses, with the poison tint "毒", saved as an animated GIF. One window
// belongs to the main window for its whole life and keeps its pose and tint between showings;
// its animation exists only while it is shown.
class TForm2 : public QDialog {
    Q_OBJECT

public:
    explicit TForm2(TForm1& window);

    // Shows the main window's animation window modally for the editor's current sheet and the
    // character named `name` (the editor's name field), creating the window the first time.
    // A sheet that cannot be animated shows its message instead.
    static void ShowAnimation(TForm1& window, const QString& name);

    // Called with the window each time it is shown modally, from inside its event loop, once
    // it shows its animation: lets a test drive the window and close it.
    using ModalHook = std::function<void(TForm2&)>;
    static void setModalHook(ModalHook hook);

    // The pose of the checked radio button (0 to 5).
    int checkedPose() const;
    // The animation shown (and saved); nullopt while the window is hidden.
    const GifImage* animation() const;
    // The frame of the animation on screen now.
    std::size_t shownFrame() const { return shownFrame_; }
    // The name the window proposes for saving is built from this name.
    const QString& characterName() const { return name_; }

public slots:
    // A pose's radio button: builds the checked pose's animation from the sheet and plays it.
    void CreateGifAnim();
    // "毒": tints colours 6 to 8 of the animation or puts them back, and shows it again.
    void CheckBox1Click();
    // "GIFで保存": saves the animation, every frame's colour 0 transparent when the setting
    // AniTransparent is 1.
    void Button1Click();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Builds the window's animation from the editor's sheet; false (with the message shown)
    // when the sheet cannot be animated.
    bool FormShow();
    void FormHide();
    // Shows frame `frame` and keeps it on screen for its delay.
    void showFrame(std::size_t frame);
    void nextFrame();

    TForm1& window_;
    QString name_;
    std::optional<AnimationPreview> preview_;
    std::size_t shownFrame_ = 0;
    QTimer* timer_ = nullptr;

    std::array<QRadioButton*, kPoseCount> poseButtons_{};
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Button1 = nullptr;
};

} // namespace varn::app
