#include "app/MemoEdit.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextCursor>

#include "app/FieldLimits.h"

namespace varn::app {

MemoEdit::MemoEdit(QWidget* parent) : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
}

QString MemoEdit::fitting(const QString& text) const
{
    if (maxTypedBytes_ <= 0)
        return text;
    // A line break is kept as CR LF wherever the text goes, so it counts as two bytes.
    QString rest = toPlainText();
    const QTextCursor cursor = textCursor();
    rest.remove(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
    const std::size_t used = TypedBytes(rest) + static_cast<std::size_t>(rest.count(QLatin1Char('\n')));
    QString piece = text;
    const auto length = [](const QString& s) {
        return TypedBytes(s) + static_cast<std::size_t>(s.count(QLatin1Char('\n')));
    };
    while (!piece.isEmpty() && used + length(piece) > static_cast<std::size_t>(maxTypedBytes_))
        piece.chop(piece.size() >= 2 && piece.back().isLowSurrogate() ? 2 : 1);
    return piece;
}

void MemoEdit::keyPressEvent(QKeyEvent* event)
{
    QString typed = event->text();
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        typed = QStringLiteral("\n");
    const bool printable = !typed.isEmpty() && (typed == QLatin1String("\n") || typed.at(0).isPrint());
    if (maxTypedBytes_ > 0 && printable && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        fitting(typed) != typed) {
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void MemoEdit::inputMethodEvent(QInputMethodEvent* event)
{
    const QString committed = event->commitString();
    if (maxTypedBytes_ > 0 && !committed.isEmpty()) {
        const QString fits = fitting(committed);
        if (fits != committed) {
            QInputMethodEvent cut(event->preeditString(), event->attributes());
            cut.setCommitString(fits, event->replacementStart(), event->replacementLength());
            QPlainTextEdit::inputMethodEvent(&cut);
            return;
        }
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void MemoEdit::insertFromMimeData(const QMimeData* source)
{
    if (maxTypedBytes_ <= 0 || !source->hasText()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    QString text = source->text();
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    insertPlainText(fitting(text));
}

} // namespace varn::app
