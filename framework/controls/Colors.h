#pragma once

#include <QColor>
#include <QString>

// System colour names used by form descriptions (clInfoBk, clBlue, ...) as Qt colours.
namespace Colors {
// The colour of a name; an invalid colour when the name is unknown.
QColor fromName(const QString& name);
} // namespace Colors
