#include "app/PageWidgets.h"

#include <algorithm>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "app/CoreText.h"

namespace varn::app {

QString NumberedName(const char* prefix, int number)
{
    return QString::fromLatin1(prefix) + QString::number(number);
}

QLabel* Caption(const char* text)
{
    return new QLabel(QString::fromUtf8(text));
}

QLabel* MakeLabel(std::string_view text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(FromUtf8(text), parent);
    if (buddy != nullptr)
        label->setBuddy(buddy);
    return label;
}

QCheckBox* Tick(const QString& name, const QString& text)
{
    auto* box = new QCheckBox(text);
    box->setObjectName(name);
    return box;
}

QCheckBox* Tick(const QString& name, const char* text)
{
    return Tick(name, QString::fromUtf8(text));
}

QLineEdit* MakeField(const char* name, QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(name));
    return field;
}

QLineEdit* MakeReadOnlyField(const char* name, QWidget* parent)
{
    QLineEdit* field = MakeField(name, parent);
    field->setReadOnly(true);
    field->setFocusPolicy(Qt::ClickFocus);
    return field;
}

void FitDigits(QLineEdit* field, int characters)
{
    const int digits = field->fontMetrics().horizontalAdvance(QString(characters + 2, u'0'));
    field->setFixedWidth(std::max(digits + 12, field->minimumSizeHint().width()));
}

} // namespace varn::app
