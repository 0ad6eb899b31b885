#include "report/engine/ReportPainter.h"

#include "base/Exceptions.h"
#include "report/engine/ReportDocument.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportPages.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <functional>

namespace {

using Line = ReportDocument::Line;
using Role = ReportFonts::Role;

constexpr double padding = ReportLayouter::cellPadding;

} // namespace

// Draws texts given in points on the painter's device, whatever its resolution.
class ReportPainter::PagePen {
public:
    // The title's point size is the document's.
    PagePen(QPainter& painter, double titleSize)
        : m_painter(painter), m_scale(painter.device()->logicalDpiY() / 72.0)
    {
        for (Role role : {Role::Body, Role::Bold, Role::Title, Role::Small}) {
            // Point sizes resolve against the device's resolution.
            m_fonts[static_cast<int>(role)] = ReportFonts::font(role);
            if (role == Role::Title)
                m_fonts[static_cast<int>(role)].setPointSizeF(titleSize);
            m_metrics[static_cast<int>(role)] =
                std::make_unique<QFontMetricsF>(m_fonts[static_cast<int>(role)], painter.device());
            m_widest[static_cast<int>(role)] = m_metrics[static_cast<int>(role)]->maxWidth();
            m_widths[static_cast<int>(role)] = std::make_unique<ReportFonts::CharacterWidths>(
                m_fonts[static_cast<int>(role)], painter.device());
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
        const QFontMetricsF& metrics = *m_metrics[static_cast<int>(role)];
        const double room = width * m_scale;
        QString shown = text;
        // A left-aligned text surely narrower than its room needs no measuring.
        const bool fits =
            (alignment & Qt::AlignLeft) && text.size() * m_widest[static_cast<int>(role)] <= room;
        double advance = fits ? 0 : (*m_widths[static_cast<int>(role)])(shown);
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

    // A cell of a column, inside its padding.
    void cell(Role role, const QString& value, double left, double width, double y, double height,
              int alignment, bool elide = true)
    {
        text(role, value, left + padding, width - 2 * padding, y, height, alignment, elide);
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
        m_painter.setFont(m_fonts[m_current]);
        m_painter.setPen(Qt::black);
    }

    QPainter& m_painter;
    double m_scale;
    QFont m_fonts[4];
    std::unique_ptr<QFontMetricsF> m_metrics[4];
    double m_widest[4] = {};
    // The report's fonts are not shaped: a text is as wide as its letters one by one.
    std::unique_ptr<ReportFonts::CharacterWidths> m_widths[4];
    int m_current;
};

namespace {

using PagePen = ReportPainter::PagePen;

void paintHeader(PagePen& pen, const ReportDocument& document, int page)
{
    const auto& header = document.header;
    const double left = document.margins.left();
    const double right = document.pageSize.width() - document.margins.right();
    const double width = right - left;
    const double side = document.titleSide;
    double y = document.margins.top();

    pen.text(Role::Small, header.screenCode + QStringLiteral(" · ") + header.reportCode, left, side,
             y, 18, Qt::AlignLeft);
    pen.text(Role::Small, QStringLiteral("Página %1 de %2").arg(page + 1).arg(document.pageCount()),
             right - side, side, y, 18, Qt::AlignRight);
    const double titleLine = (document.titleHeight - 3) / document.titleLines.size();
    for (int i = 0; i < document.titleLines.size(); ++i)
        pen.text(Role::Title, document.titleLines.at(i), left + side, width - 2 * side,
                 y + 1.5 + i * titleLine, titleLine, Qt::AlignHCenter);
    y += document.titleHeight;
    const double line = ReportLayouter::headerLineHeight;
    for (const QString& text : document.subtitleLines) {
        pen.text(Role::Small, text, left, width, y, line, Qt::AlignHCenter);
        y += line;
    }

    const double processingWidth = ReportLayouter::processingTextWidth(header);
    pen.text(Role::Small, ReportLayouter::processingText(header), right - processingWidth,
             processingWidth, y, line, Qt::AlignRight);
    for (const QString& text : document.companyLines) {
        pen.text(Role::Small, text, left, width - processingWidth, y, line, Qt::AlignLeft);
        y += line;
    }
    for (const QString& text : document.criteriaLines) {
        pen.text(Role::Small, text, left, width, y, line, Qt::AlignLeft);
        y += line;
    }
    pen.rule(left, y + 2, right, 0.8);
    y += 3;
    for (int c = 0; c < document.labels.size(); ++c)
        pen.cell(Role::Bold, document.labels.at(c), document.columnLeft.at(c),
                 document.columnWidth.at(c), y, 14, document.alignments.at(c), document.elides(c));
    pen.rule(left, y + 14, right);
}

void paintTotal(PagePen& pen, const ReportDocument& document, const ReportDocument::Total& total,
                double y, double height, bool grand)
{
    const double left = document.margins.left();
    const double right = document.pageSize.width() - document.margins.right();
    // The label runs up to the first summed column.
    int first = static_cast<int>(total.cells.size());
    for (int c = 0; c < total.cells.size(); ++c) {
        if (!total.cells.at(c).isEmpty()) {
            first = c;
            break;
        }
    }
    const double labelEnd =
        first < document.columnLeft.size() ? document.columnLeft.at(first) : right;
    if (grand) {
        pen.rule(left, y + 1, right, 0.8);
    } else {
        for (int c = first; c < total.cells.size(); ++c)
            if (!total.cells.at(c).isEmpty())
                pen.rule(document.columnLeft.at(c) + padding, y + 1,
                         document.columnLeft.at(c) + document.columnWidth.at(c) - padding, 0.4);
    }
    pen.cell(Role::Bold, total.label, left, labelEnd - left, y, height, Qt::AlignLeft);
    for (int c = first; c < total.cells.size(); ++c)
        pen.cell(Role::Bold, total.cells.at(c), document.columnLeft.at(c),
                 document.columnWidth.at(c), y, height, document.alignments.at(c),
                 document.elides(c));
}

void paintPageWith(PagePen& pen, const ReportDocument& document, int page)
{
    if (!document.holds(page))
        return;
    paintHeader(pen, document, page);
    const double left = document.margins.left();
    const double width =
        document.pageSize.width() - document.margins.left() - document.margins.right();
    for (const Line& line : document.pages.at(page - document.pagesBefore).lines) {
        switch (line.kind) {
        case Line::Kind::Detail: {
            // The cells past the printed columns are the CSV's own.
            const QStringList& cells = document.rows.at(line.index);
            for (int c = 0; c < document.labels.size(); ++c)
                pen.cell(Role::Body, cells.at(c), document.columnLeft.at(c),
                         document.columnWidth.at(c), line.y, ReportLayouter::detailHeight,
                         document.alignments.at(c), document.elides(c));
            break;
        }
        case Line::Kind::StateSummary:
            // Under its total, set in from the left.
            pen.cell(Role::Small, document.notes.at(line.index),
                     left + ReportLayouter::summaryIndent, width - ReportLayouter::summaryIndent,
                     line.y, ReportLayouter::detailHeight, Qt::AlignLeft);
            break;
        case Line::Kind::GroupHeading:
            pen.cell(Role::Bold, document.headings.at(line.index), left, width, line.y + 2,
                     ReportLayouter::headingHeight - 2, Qt::AlignLeft);
            break;
        case Line::Kind::Subtotal:
            paintTotal(pen, document, document.totals.at(line.index), line.y,
                       ReportLayouter::subtotalHeight, false);
            break;
        case Line::Kind::GrandTotal:
            paintTotal(pen, document, document.totals.at(line.index), line.y + 2,
                       ReportLayouter::grandTotalHeight - 2, true);
            break;
        case Line::Kind::Empty:
            pen.text(Role::Body, document.header.emptyText, left, width, line.y,
                     ReportLayouter::detailHeight * 2, Qt::AlignHCenter);
            break;
        }
    }
}

} // namespace

void ReportPainter::paintPage(QPainter& painter, const ReportDocument& document, int page)
{
    PagePen pen(painter, document.titleSize);
    paintPageWith(pen, document, page);
}

namespace {
// Pages read back from the file at a time while writing or printing.
constexpr int pagesAtATime = 16;
} // namespace

ReportPainter::PageSequence::PageSequence(QPainter& painter, const ReportPages& pages)
    : m_pages(pages), m_pen(std::make_unique<PagePen>(painter, pages.frame().titleSize)),
      m_stretch(std::make_unique<ReportDocument>())
{
}

ReportPainter::PageSequence::~PageSequence() = default;

void ReportPainter::PageSequence::paint(int page)
{
    if (!m_stretch->holds(page))
        *m_stretch = m_pages.pages(page, page + pagesAtATime - 1);
    paintPageWith(*m_pen, *m_stretch, page);
}

QImage ReportPainter::pageImage(const ReportDocument& document, int page, double dpi)
{
    const QSize size = (document.pageSize * dpi / 72.0).toSize();
    QImage image(size, QImage::Format_RGB32);
    const int dotsPerMeter = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintPage(painter, document, page);
    return image;
}
