#pragma once

#include "report/engine/ReportExport.h"

#include <QFont>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class QFontMetricsF;
class QPaintDevice;

// The fonts of report pages, named explicitly so that pages look the same everywhere
// (DejaVu Sans, from fonts-dejavu-core), and text widths measured in points.
namespace ReportFonts {

// Struck: the body's font struck through, for a cancelled check's row.
enum class Role { Body, Bold, Title, Small, Struck };
constexpr int roleCount = 5;

// A device of the resolution (dots per inch) that fonts are measured against, the calling
// thread's own: pages are measured and painted by several threads at once.
const QPaintDevice* measuringDevice(double dpi);
// The font of a role, sized in points.
KLX_REPORT_EXPORT QFont font(Role role);
// The width of the text in the role's font, or in the font, in points. Safe in any thread.
double width(Role role, const QString& text);
double width(const QFont& font, const QString& text);
// The text cut to the width with "…" at its end, when it is wider.
QString elided(const QFont& font, const QString& text, double width);
// The text broken into lines no wider than the width (in points) where the text may break
// (at blanks, after a hyphen): a word wider than the width stands alone on its line. Past the
// most lines, the last one kept ends in "…".
QStringList wrapped(const QFont& font, const QString& text, double width, int most = 1000);

// Widths of many short texts in one font, such as every amount of a column: the advance of
// each character is measured once. Exact for text that needs no shaping (the fonts ask for
// none), such as numbers and dates.
class CharacterWidths {
public:
    // In points; on a device, in its pixels.
    explicit CharacterWidths(const QFont& font, const QPaintDevice* device = nullptr);
    ~CharacterWidths();
    CharacterWidths(const CharacterWidths&) = delete;
    CharacterWidths& operator=(const CharacterWidths&) = delete;

    double operator()(const QString& text);

private:
    std::unique_ptr<QFontMetricsF> m_metrics;
    // From the metrics' units to those of the widths.
    double m_scale;
    // ASCII advances by code, negative until measured; others by character.
    std::array<double, 128> m_ascii;
    QHash<char16_t, double> m_advances;
};

} // namespace ReportFonts
