#pragma once

#include "base/CoreExport.h"

#include <QString>

// Text from outside (an option's value, a file name) made safe to show: control characters
// are written as escapes ("\n", "\t", "\x1b"), so nothing a user typed or a file holds can
// move the terminal's cursor, change its colours or forge a line of a message.
namespace VisibleText {

// Every control character escaped, line breaks too: for a value quoted in a message.
KLX_CORE_EXPORT QString of(const QString& text);

// The control characters escaped but the line breaks: for a whole message printed.
KLX_CORE_EXPORT QString ofMessage(const QString& text);

} // namespace VisibleText
