#include "report/engine/ReportFonts.h"

#include <QFontMetricsF>
#include <QImage>
#include <QTextLayout>
#include <map>

namespace {
// Text is measured at a high resolution, where hinting barely moves the widths.
constexpr double measureDpi = 720.0;
} // namespace

const QPaintDevice* ReportFonts::measuringDevice(double dpi)
{
    // By resolution; a map keeps each device where it was made.
    thread_local std::map<int, QImage> devices;
    const int dotsPerInch = qRound(dpi);
    auto found = devices.find(dotsPerInch);
    if (found == devices.end()) {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(dotsPerInch / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        found = devices.emplace(dotsPerInch, std::move(image)).first;
    }
    return &found->second;
}

QFont ReportFonts::font(Role role)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    // Plain Latin text needs no shaping: no ligatures ("fi" stays two letters in the PDF's
    // text), no kerning, and drawing is faster.
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
    case Role::Struck:
        font.setPointSizeF(7.5);
        font.setStrikeOut(true);
        break;
    }
    return font;
}

double ReportFonts::width(Role role, const QString& text)
{
    return width(font(role), text);
}

double ReportFonts::width(const QFont& font, const QString& text)
{
    const QFontMetricsF metrics(font, measuringDevice(measureDpi));
    return metrics.horizontalAdvance(text) * 72.0 / measureDpi;
}

QString ReportFonts::elided(const QFont& font, const QString& text, double width)
{
    const QFontMetricsF metrics(font, measuringDevice(measureDpi));
    return metrics.elidedText(text, Qt::ElideRight, width * measureDpi / 72.0);
}

QStringList ReportFonts::wrapped(const QFont& font, const QString& text, double width, int most)
{
    // Runs of blanks read as one.
    const QString words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts).join(QLatin1Char(' '));
    QTextLayout layout(words, font, measuringDevice(measureDpi));
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width * measureDpi / 72.0);
        lines << words.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (lines.isEmpty())
        lines << QString();
    if (lines.size() > most) {
        lines = lines.mid(0, most);
        lines.last() += QStringLiteral(" …");
    }
    return lines;
}

ReportFonts::CharacterWidths::CharacterWidths(const QFont& font, const QPaintDevice* device)
    : m_metrics(
          std::make_unique<QFontMetricsF>(font, device ? device : measuringDevice(measureDpi))),
      m_scale(device ? 1.0 : 72.0 / measureDpi)
{
    m_ascii.fill(-1);
}

ReportFonts::CharacterWidths::~CharacterWidths() = default;

double ReportFonts::CharacterWidths::operator()(const QString& text)
{
    double total = 0;
    for (const QChar c : text) {
        if (c.unicode() < m_ascii.size()) {
            double& advance = m_ascii[c.unicode()];
            if (advance < 0)
                advance = m_metrics->horizontalAdvance(c) * m_scale;
            total += advance;
            continue;
        }
        auto found = m_advances.constFind(c.unicode());
        if (found == m_advances.constEnd())
            found = m_advances.insert(c.unicode(), m_metrics->horizontalAdvance(c) * m_scale);
        total += *found;
    }
    return total;
}
