#include "report/engine/ReportPainter.h"

#include "base/Exceptions.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportFrameLayout.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportSizes.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <functional>

namespace {

using Line = ReportPageStretch::Line;
using Role = ReportFonts::Role;

constexpr double padding = ReportSizes::cellPadding;

// Every page is laid out at the resolution of the PDF files (dots per inch), whatever the
// device: texts are measured, cut and placed there, and the painter scales the result onto
// the device. The screen's preview, the printer and the file thus show the same texts in the
// same places.
constexpr double layoutDpi = 600;

} // namespace

// Draws texts given in points on the painter's device, whatever its resolution.
class ReportPainter::PagePen {
public:
    // The title's point size is the frame's. The painter is scaled from the layout's
    // resolution to its device's.
    PagePen(QPainter& painter, double titleSize) : m_painter(painter), m_scale(layoutDpi / 72.0)
    {
        const double deviceDpi = painter.device()->logicalDpiY();
        if (!qFuzzyCompare(deviceDpi, layoutDpi))
            painter.scale(deviceDpi / layoutDpi, deviceDpi / layoutDpi);
        // Fonts are measured at the layout's resolution, on this thread's own device.
        const QPaintDevice* device = ReportFonts::measuringDevice(layoutDpi);
        for (int i = 0; i < ReportFonts::roleCount; ++i) {
            const auto role = static_cast<Role>(i);
            QFont& font = m_fonts[i];
            font = ReportFonts::font(role);
            if (role == Role::Title)
                font.setPointSizeF(titleSize);
            m_metrics[i] = std::make_unique<QFontMetricsF>(font, device);
            m_widest[i] = m_metrics[i]->maxWidth();
            m_widths[i] = std::make_unique<ReportFonts::CharacterWidths>(font, device);
            // Drawn at the layout's pixel size on any device; the painter's scale does the
            // rest.
            m_drawn[i] = font;
            m_drawn[i].setPointSizeF(font.pointSizeF() * layoutDpi / deviceDpi);
        }
        m_current = -1;
    }

    // The text on one line, inside [left, left + width], top at y, aligned; elided
    // with "…" when it does not fit, never clipped. A text that must not be elided (a
    // number, which the layout gave room) is drawn whole.
    void text(Role role, const QString& text, double left, double width, double y, double height,
              int alignment, bool elide = true)
    {
        if (text.isEmpty())
            return;
        select(role);
        const QFontMetricsF& metrics = *m_metrics[index(role)];
        const double room = width * m_scale;
        QString shown = text;
        // A left-aligned text surely narrower than its room needs no measuring.
        const bool fits =
            (alignment & Qt::AlignLeft) && text.size() * m_widest[index(role)] <= room;
        double advance = fits ? 0 : (*m_widths[index(role)])(shown);
        if (advance > room && elide) {
            shown = metrics.elidedText(text, Qt::ElideRight, room);
            advance = metrics.horizontalAdvance(shown);
        }
        double x = left * m_scale;
        if (alignment & Qt::AlignRight)
            x += room - advance;
        else if (alignment & Qt::AlignHCenter)
            x += (room - advance) / 2;
        const double baseline =
            y * m_scale + (height * m_scale + metrics.ascent() - metrics.descent()) / 2;
        m_painter.drawText(QPointF(x, baseline), shown);
    }

    // A cell of a column, inside its padding (and the gap right of a right-aligned one).
    void cell(Role role, const QString& value, double left, double width, double y, double height,
              int alignment, bool elide = true)
    {
        const double gap = (alignment & Qt::AlignRight) ? ReportSizes::numberGap : 0;
        text(role, value, left + padding, width - 2 * padding - gap, y, height, alignment, elide);
    }

    // A text wrapped at its blanks inside the box, aligned, from its top.
    void wrapped(Role role, const QString& text, double left, double width, double y, double height,
                 int alignment)
    {
        select(role);
        m_painter.drawText(QRectF(left * m_scale, y * m_scale, width * m_scale, height * m_scale),
                           alignment | Qt::AlignTop | Qt::TextWordWrap, text);
    }

    // The text cut to the width (in points) with "…", and a text's width in points.
    QString elided(Role role, const QString& text, double width)
    {
        return m_metrics[index(role)]->elidedText(text, Qt::ElideRight, width * m_scale);
    }
    double width(Role role, const QString& text)
    {
        return (*m_widths[index(role)])(text) / m_scale;
    }

    void rule(double x1, double y, double x2, double thickness = 0.5)
    {
        m_painter.setPen(QPen(Qt::black, thickness * m_scale));
        m_painter.drawLine(QPointF(x1 * m_scale, y * m_scale), QPointF(x2 * m_scale, y * m_scale));
    }

private:
    void select(Role role)
    {
        if (m_current == static_cast<int>(role))
            return;
        m_current = static_cast<int>(role);
        m_painter.setFont(m_drawn[m_current]);
        m_painter.setPen(Qt::black);
    }

    QPainter& m_painter;
    double m_scale;
    static int index(Role role) { return static_cast<int>(role); }

    QFont m_fonts[ReportFonts::roleCount];
    QFont m_drawn[ReportFonts::roleCount];
    std::unique_ptr<QFontMetricsF> m_metrics[ReportFonts::roleCount];
    double m_widest[ReportFonts::roleCount] = {};
    // The report's fonts are not shaped: a text is as wide as its letters one by one.
    std::unique_ptr<ReportFonts::CharacterWidths> m_widths[ReportFonts::roleCount];
    int m_current;
};

namespace {

using PagePen = ReportPainter::PagePen;

void paintHeader(PagePen& pen, const ReportFrame& frame, int page, int pageCount)
{
    const auto& header = frame.header;
    const double left = frame.margins.left();
    const double right = frame.pageSize.width() - frame.margins.right();
    const double width = right - left;
    const double side = frame.titleSide;
    double y = frame.margins.top();

    pen.text(Role::Small, header.screenCode + QStringLiteral(" · ") + header.reportCode, left, side,
             y, 18, Qt::AlignLeft);
    // The foot of the page, in the bottom margin: who printed the report, when, and the page.
    // A report still being laid out does not know its page count yet.
    QString foot = QStringLiteral("Página %1 de %2")
                       .arg(page + 1)
                       .arg(pageCount > 0 ? QString::number(pageCount) : QStringLiteral("…"));
    if (!header.issuedAt.isEmpty())
        foot =
            QStringLiteral("Emitido em %1%2 — %3")
                .arg(header.issuedAt,
                     header.operatorName.isEmpty() ? QString()
                                                   : QStringLiteral(" por ") + header.operatorName,
                     foot);
    const double footTop = frame.bodyBottom() + 6;
    pen.rule(left, footTop, right, 0.4);
    pen.text(Role::Small, foot, left, width, footTop + 1, 12, Qt::AlignRight);
    const double titleLine = (frame.titleHeight - 3) / frame.titleLines.size();
    for (int i = 0; i < frame.titleLines.size(); ++i)
        pen.text(Role::Title, frame.titleLines.at(i), left + side, width - 2 * side,
                 y + 1.5 + i * titleLine, titleLine, Qt::AlignHCenter);
    y += frame.titleHeight;
    const double line = ReportSizes::headerLineHeight;
    for (const QString& text : frame.subtitleLines) {
        pen.text(Role::Small, text, left, width, y, line, Qt::AlignHCenter);
        y += line;
    }

    const double processingWidth = ReportFrameLayout::processingTextWidth(header);
    pen.text(Role::Small, ReportFrameLayout::processingText(header), right - processingWidth,
             processingWidth, y, line, Qt::AlignRight);
    for (const QString& text : frame.companyLines) {
        pen.text(Role::Small, text, left, width - processingWidth, y, line, Qt::AlignLeft);
        y += line;
    }
    for (const QString& text : frame.criteriaLines) {
        pen.text(Role::Small, text, left, width, y, line, Qt::AlignLeft);
        y += line;
    }
    pen.rule(left, y + 2, right, 0.8);
    y += 3;
    for (int c = 0; c < frame.labels.size(); ++c)
        pen.cell(Role::Bold, frame.labels.at(c), frame.columnLeft.at(c), frame.columnWidth.at(c), y,
                 ReportSizes::columnHeadingHeight, frame.alignments.at(c), frame.elides(c));
    pen.rule(left, y + ReportSizes::columnHeadingHeight, right);
}

void paintTotal(PagePen& pen, const ReportFrame& frame, const ReportPageStretch::Total& total,
                double y, double height, bool grand)
{
    const double left = frame.margins.left();
    const double right = frame.pageSize.width() - frame.margins.right();
    // The label runs up to the first summed column.
    int first = static_cast<int>(total.cells.size());
    for (int c = 0; c < total.cells.size(); ++c) {
        if (!total.cells.at(c).isEmpty()) {
            first = c;
            break;
        }
    }
    const double labelEnd = first < frame.columnLeft.size() ? frame.columnLeft.at(first) : right;
    if (grand) {
        pen.rule(left, y + 1, right, 0.8);
    } else {
        for (int c = first; c < total.cells.size(); ++c)
            if (!total.cells.at(c).isEmpty())
                pen.rule(frame.columnLeft.at(c) + padding, y + 1,
                         frame.columnLeft.at(c) + frame.columnWidth.at(c) - padding, 0.4);
    }
    pen.cell(Role::Bold, total.label, left, labelEnd - left, y, height, Qt::AlignLeft);
    for (int c = first; c < total.cells.size(); ++c)
        pen.cell(Role::Bold, total.cells.at(c), frame.columnLeft.at(c), frame.columnWidth.at(c), y,
                 height, frame.alignments.at(c), frame.elides(c));
}

// A line of the closing table: its label in a first column, then its amounts in columns of
// equal width up to the right margin.
void paintTableLine(PagePen& pen, const ReportFrame& frame, const ReportPageStretch::Total& line,
                    double y, ReportPageStretch::Line::Kind kind)
{
    using Kind = ReportPageStretch::Line::Kind;
    const double left = frame.margins.left();
    const double right = frame.pageSize.width() - frame.margins.right();
    constexpr double labelWidth = 60;
    const auto columns = static_cast<double>(std::max<qsizetype>(line.cells.size() - 1, 1));
    const double width = (right - left - labelWidth) / columns;
    const Role role = kind == Kind::TableRow ? Role::Body : Role::Bold;
    if (kind == Kind::TableTotal)
        pen.rule(left, y + 1, right, 0.6);
    for (int c = 0; c < line.cells.size(); ++c) {
        const double x = c == 0 ? left : left + labelWidth + (c - 1) * width;
        const double w = c == 0 ? labelWidth : width;
        if (kind == Kind::TableHeading)
            pen.wrapped(Role::Small, line.cells.at(c), x + padding, w - 2 * padding, y,
                        ReportSizes::tableHeadingHeight, c == 0 ? Qt::AlignLeft : Qt::AlignRight);
        else
            pen.cell(role, line.cells.at(c), x, w, y,
                     kind == Kind::TableTotal ? ReportSizes::subtotalHeight
                                              : ReportSizes::detailHeight,
                     c == 0 ? Qt::AlignLeft : Qt::AlignRight, c == 0);
    }
    if (kind == Kind::TableHeading)
        pen.rule(left, y + ReportSizes::tableHeadingHeight - 1, right, 0.4);
}

// A continued group's heading: a heading too long for the line is shortened, never its marker.
QString continuedHeading(PagePen& pen, const QString& heading, double width)
{
    static const QString marker = QStringLiteral(" (continuação)");
    if (!heading.endsWith(marker))
        return heading;
    return pen.elided(Role::Bold, heading.chopped(marker.size()),
                      width - 2 * padding - pen.width(Role::Bold, marker)) +
           marker;
}

void paintPageWith(PagePen& pen, const ReportFrame& frame, const ReportPageStretch& stretch,
                   int page)
{
    if (!stretch.holds(page))
        return;
    paintHeader(pen, frame, page, stretch.pageCount());
    const double left = frame.margins.left();
    const double width = frame.pageSize.width() - frame.margins.left() - frame.margins.right();
    for (const Line& line : stretch.page(page).lines) {
        switch (line.kind) {
        case Line::Kind::Detail: {
            // The cells past the printed columns are the CSV's own.
            const QStringList& cells = stretch.rows.at(line.index);
            const bool cancelled = stretch.cancelled.value(line.index);
            for (int c = 0; c < frame.labels.size(); ++c)
                pen.cell(cancelled ? Role::Struck : Role::Body, cells.at(c), frame.columnLeft.at(c),
                         frame.columnWidth.at(c), line.y, ReportSizes::detailHeight,
                         frame.alignments.at(c), frame.elides(c));
            break;
        }
        case Line::Kind::CarriedIn:
        case Line::Kind::CarriedOut:
            paintTotal(pen, frame, stretch.totals.at(line.index), line.y,
                       ReportSizes::subtotalHeight, false);
            break;
        case Line::Kind::TableHeading:
        case Line::Kind::TableRow:
        case Line::Kind::TableTotal:
            paintTableLine(pen, frame, stretch.totals.at(line.index), line.y, line.kind);
            break;
        case Line::Kind::Note:
            pen.cell(Role::Small, stretch.notes.at(line.index), left, width, line.y,
                     ReportSizes::detailHeight, Qt::AlignLeft);
            break;
        case Line::Kind::Signature:
            // At the foot of its room, where a signature goes above it.
            pen.cell(Role::Body, stretch.notes.at(line.index), left, width,
                     line.y + ReportSizes::signatureHeight - ReportSizes::detailHeight,
                     ReportSizes::detailHeight, Qt::AlignLeft);
            break;
        case Line::Kind::StateSummary:
            // Under its total, set in from the left.
            pen.cell(Role::Small, stretch.notes.at(line.index), left + ReportSizes::summaryIndent,
                     width - ReportSizes::summaryIndent, line.y, ReportSizes::detailHeight,
                     Qt::AlignLeft);
            break;
        case Line::Kind::GroupHeading:
            pen.cell(Role::Bold, continuedHeading(pen, stretch.headings.at(line.index), width),
                     left, width, line.y + 2, ReportSizes::headingHeight - 2, Qt::AlignLeft);
            break;
        case Line::Kind::Subtotal:
            paintTotal(pen, frame, stretch.totals.at(line.index), line.y,
                       ReportSizes::subtotalHeight, false);
            break;
        case Line::Kind::GrandTotal:
            paintTotal(pen, frame, stretch.totals.at(line.index), line.y + 2,
                       ReportSizes::grandTotalHeight - 2, true);
            break;
        case Line::Kind::Empty:
            pen.text(Role::Body, frame.header.emptyText, left, width, line.y,
                     ReportSizes::detailHeight * 2, Qt::AlignHCenter);
            break;
        }
    }
}

} // namespace

void ReportPainter::paintPage(QPainter& painter, const ReportFrame& frame,
                              const ReportPageStretch& stretch, int page)
{
    PagePen pen(painter, frame.titleSize);
    paintPageWith(pen, frame, stretch, page);
}

namespace {
// Pages read back from the file at a time while writing or printing.
constexpr int pagesAtATime = 16;
} // namespace

ReportPainter::PageSequence::PageSequence(QPainter& painter, const ReportPages& pages)
    : m_pages(pages), m_pen(std::make_unique<PagePen>(painter, pages.frame().titleSize)),
      m_stretch(std::make_unique<ReportPageStretch>())
{
}

ReportPainter::PageSequence::~PageSequence() = default;

void ReportPainter::PageSequence::paint(int page)
{
    if (!m_stretch->holds(page))
        *m_stretch = m_pages.pages(page, page + pagesAtATime - 1);
    paintPageWith(*m_pen, m_pages.frame(), *m_stretch, page);
}

QImage ReportPainter::pageImage(const ReportFrame& frame, const ReportPageStretch& stretch,
                                int page, double dpi)
{
    const QSize size = (frame.pageSize * dpi / 72.0).toSize();
    QImage image(size, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPage(painter, frame, stretch, page);
    return image;
}
