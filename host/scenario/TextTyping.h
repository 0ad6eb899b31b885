#pragma once

#include <QString>

class QWidget;

namespace TextTyping {

// Types TEXT into the focused widget one character at a time, as a user does: a printable
// ASCII character as its key, any other character (an accented letter, a symbol, a
// character outside the Basic Multilingual Plane) as an input method commits it. Each goes
// through the widget's own input handling, so a mask refuses what it refuses.
void type(QWidget* widget, const QString& text);

} // namespace TextTyping
