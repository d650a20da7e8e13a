#include "app/FieldLimits.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QValidator>

#include "app/CoreText.h"
#include "text/Cp932.h"

namespace varn::app {

namespace {

QLabel* MakeCounter(QWidget* field)
{
    auto* counter = new QLabel(field);
    counter->setObjectName(field->objectName() + QStringLiteral("Count"));
    counter->setAttribute(Qt::WA_TransparentForMouseEvents);
    counter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    QFont font = counter->font();
    font.setPixelSize(std::max(9, font.pixelSize() - 2));
    counter->setFont(font);
    return counter;
}

// Shows a room on a counter: in full, or (inside a one-line field, where the text needs the
// room) as the numbers alone with the full text as the tip.
void ShowOn(QLabel* counter, const FieldRoom& room, bool compact = false)
{
    counter->setText(compact ? QStringLiteral("%1/%2").arg(room.used).arg(room.limit)
                             : RoomText(room));
    counter->setToolTip(RoomText(room));
    counter->setStyleSheet(room.over() ? QStringLiteral("color: #d00000;")
                                       : QStringLiteral("color: palette(mid);"));
}

// Keeps a counter in its place as the field is resized.
class CounterPlacer : public QObject {
public:
    CounterPlacer(QWidget* field, QLabel* counter, std::function<QRect()> place)
        : QObject(counter), field_(field), counter_(counter), place_(std::move(place))
    {
        field->installEventFilter(this);
        counter_->setGeometry(place_());
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == field_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
            counter_->setGeometry(place_());
        return false;
    }

private:
    QWidget* field_;
    QLabel* counter_;
    std::function<QRect()> place_;
};

// Refuses a one-line text beyond the byte limit; Qt then keeps the text as it was.
class ByteLimitValidator : public QValidator {
public:
    ByteLimitValidator(int maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) {}

    State validate(QString& input, int&) const override
    {
        return TypedBytes(input) <= static_cast<std::size_t>(maxBytes_) ? Acceptable : Invalid;
    }

private:
    int maxBytes_;
};

} // namespace

QString RoomText(const FieldRoom& room)
{
    QString unit;
    switch (room.unit) {
    case RoomUnit::Bytes:
        unit = QStringLiteral("バイト");
        break;
    case RoomUnit::Lines:
        unit = QStringLiteral("行");
        break;
    case RoomUnit::Characters:
        unit = QStringLiteral("字");
        break;
    }
    return QStringLiteral("%1/%2%3").arg(room.used).arg(room.limit).arg(unit);
}

std::size_t TypedBytes(const QString& text)
{
    return Cp932TypedLength(ToUtf8(text));
}

QLabel* ShowRoom(QLineEdit* field, RoomOf room)
{
    QLabel* counter = MakeCounter(field);
    // Room for the counter's widest usual text: two digits used, and the limit.
    const int width = counter->fontMetrics().horizontalAdvance(
        QStringLiteral("99/%1").arg(room({}).limit));
    field->setTextMargins(0, 0, width + 4, 0);
    new CounterPlacer(field, counter, [field, width] {
        return QRect(field->width() - width - 6, 0, width, field->height());
    });
    const auto update = [field, counter, room] {
        ShowOn(counter, room(ToUtf8(field->text())), true);
    };
    QObject::connect(field, &QLineEdit::textChanged, counter, update);
    update();
    return counter;
}

QLabel* RoomCounter(QPlainTextEdit* memo, RoomOf room)
{
    auto* counter = new QLabel;
    counter->setObjectName(memo->objectName() + QStringLiteral("Count"));
    counter->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    QFont font = counter->font();
    font.setPixelSize(std::max(9, font.pixelSize() - 2));
    counter->setFont(font);
    const auto update = [memo, counter, room] {
        ShowOn(counter, room(ToUtf8(memo->toPlainText())));
    };
    QObject::connect(memo, &QPlainTextEdit::textChanged, counter, update);
    update();
    return counter;
}

void LimitTypedBytes(QLineEdit* field, int maxBytes)
{
    field->setValidator(new ByteLimitValidator(maxBytes, field));
}

} // namespace varn::app
