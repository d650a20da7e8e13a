#pragma once

#include <QPlainTextEdit>

namespace varn::app {

// A multi-line text field of the program: Tab and Shift+Tab move on to the next control (a
// tab typed into a text that the game or a file keeps would be lost or refused), and what the
// user types may be limited in bytes of the Japanese code page. Text the program sets itself
// (loading a file) is never limited.
class MemoEdit : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit MemoEdit(QWidget* parent = nullptr);

    // What the user types or pastes past `maxBytes` CP932 bytes is not taken: a key is
    // refused, a paste or an input method's text is cut to what fits. 0: no limit.
    void setMaxTypedBytes(int maxBytes) { maxTypedBytes_ = maxBytes; }
    int maxTypedBytes() const { return maxTypedBytes_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // The part of `text` that fits in place of the selection.
    QString fitting(const QString& text) const;

    int maxTypedBytes_ = 0;
};

} // namespace varn::app
