#pragma once

#include <string_view>

#include <QString>

class QCheckBox;
class QLabel;
class QLineEdit;
class QWidget;

namespace varn::app {

// The small builders the pages share for their controls.

// The file filter of the dialogs that open or save a GIF file.
inline const QString kGifFileFilter = QStringLiteral("GIFファイル(*.gif)|*.gif");

// The width of a field that holds a number of up to five digits.
inline constexpr int kNumberFieldWidth = 48;

// The object name of a numbered control: "Edit" and 12 give "Edit12".
QString NumberedName(const char* prefix, int number);

// A caption beside a control, with no buddy.
QLabel* Caption(const char* text);

// A caption that gives the focus to `buddy` (when there is one) on its mnemonic.
QLabel* MakeLabel(std::string_view text, QWidget* buddy, QWidget* parent);

// A check box named `name`.
QCheckBox* Tick(const QString& name, const QString& text);
QCheckBox* Tick(const QString& name, const char* text);

// A one-line field named `name`.
QLineEdit* MakeField(const char* name, QWidget* parent);

// A field the user does not type into: read only and passed over by Tab (a click still
// selects its text to copy).
QLineEdit* MakeReadOnlyField(const char* name, QWidget* parent);

// Makes `field` as wide as `characters` hexadecimal digits and its frame, and never narrower
// than its style needs.
void FitDigits(QLineEdit* field, int characters);

} // namespace varn::app
