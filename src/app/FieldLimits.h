#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

#include <QString>

#include "charpatch/PatchValidation.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace varn::app {

// How much room a limited text field has left, shown live beside the text: a small counter
// ("5/8バイト", "2/4行", "3/15字") at the field's right end, red once the text is past the
// limit. The checks of the commands keep their own messages; this only tells the user early.
using RoomOf = std::function<FieldRoom(std::string_view text)>;

// The counter of a one-line field, inside the field at its right end (the text keeps clear
// of it), as the numbers alone ("5/8") with the full text as its tip. Named after the field:
// "<field>Count".
QLabel* ShowRoom(QLineEdit* field, RoomOf room);

// The counter of a multi-line field, a label for the caller to put beside the field's caption.
// Named after the field: "<field>Count".
QLabel* RoomCounter(QPlainTextEdit* memo, RoomOf room);

// The counter's text for a room.
QString RoomText(const FieldRoom& room);

// The bytes `text` takes in the Japanese code page as the user typed it (Cp932TypedLength).
std::size_t TypedBytes(const QString& text);

// A typing limit in bytes of the Japanese code page for a one-line field: what the user types
// or pastes beyond it is not taken. Text the program sets itself is not limited. (Multi-line
// fields limit themselves: MemoEdit::setMaxTypedBytes.)
void LimitTypedBytes(QLineEdit* field, int maxBytes);

} // namespace varn::app
