#pragma once

#include <QFont>
#include <QString>

// The fonts of report pages, named explicitly so that pages look the same everywhere
// (DejaVu Sans, from fonts-dejavu-core), and text widths measured in points.
namespace ReportFonts {

enum class Role { Body, Bold, Title, Small };

// The font of a role, sized in points.
QFont font(Role role);
// The width of the text in the role's font, in points. Safe in any thread.
double width(Role role, const QString& text);

} // namespace ReportFonts
