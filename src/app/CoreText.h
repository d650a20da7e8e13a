#pragma once

#include <string>
#include <string_view>

#include <QLineEdit>
#include <QString>

namespace varn::app {

// The core speaks UTF-8; the controls hold QStrings.
inline QString FromUtf8(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text)
{
    return text.toStdString();
}

// Sets a field only when its text differs, so that the cursor and undo history of a field the
// core did not change stay as the user left them.
inline void SetText(QLineEdit* field, std::string_view text)
{
    const QString value = FromUtf8(text);
    if (field->text() != value)
        field->setText(value);
}

} // namespace varn::app
