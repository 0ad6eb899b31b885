#include "report/ReportFonts.h"

#include <QFontMetricsF>
#include <QImage>

namespace {
// Text is measured at a high resolution, where hinting barely moves the widths.
constexpr double measureDpi = 720.0;
} // namespace

QFont ReportFonts::font(Role role)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    // Plain Latin text needs no shaping: no ligatures ("fi" stays two letters in the PDF's
    // text), and drawing is faster.
    font.setStyleStrategy(QFont::PreferNoShaping);
    switch (role) {
    case Role::Body:
        font.setPointSizeF(7.5);
        break;
    case Role::Bold:
        font.setPointSizeF(7.5);
        font.setBold(true);
        break;
    case Role::Title:
        font.setPointSizeF(11);
        font.setBold(true);
        break;
    case Role::Small:
        font.setPointSizeF(7);
        break;
    }
    return font;
}

double ReportFonts::width(Role role, const QString& text)
{
    thread_local QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(measureDpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    const QFontMetricsF metrics(font(role), &device);
    return metrics.horizontalAdvance(text) * 72.0 / measureDpi;
}
