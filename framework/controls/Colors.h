#pragma once

#include "controls/WidgetsExport.h"

#include <QColor>
#include <QPalette>
#include <QString>
#include <QStringList>

// System colour names used by form descriptions (clInfoBk, clBlue, ...) as Qt colours.
namespace Colors {
// The colour of a name; an invalid colour when the name is unknown.
KLX_WIDGETS_EXPORT QColor fromName(const QString& name);
// The system colour names of a colour, in alphabetical order; empty when it has none.
KLX_WIDGETS_EXPORT QStringList namesOf(const QColor& color);
// Sets the role's colour for an enabled control only: a disabled one keeps the style's
// disabled colours, so that it looks disabled.
void setWhenEnabled(QPalette& palette, QPalette::ColorRole role, const QColor& color);

} // namespace Colors
