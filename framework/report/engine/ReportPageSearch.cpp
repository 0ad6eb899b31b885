#include "report/engine/ReportPageSearch.h"

#include "base/SearchText.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPageSource.h"
#include "report/engine/ReportSizes.h"

namespace {
// Pages read at a time.
constexpr int pagesAtATime = 16;
} // namespace

ReportPageSearch::ReportPageSearch(const ReportPageSource& source, const QString& text)
    : m_source(source), m_folded(SearchText::folded(text.trimmed()))
{
}

void ReportPageSearch::readAround(int page)
{
    const int first = page - page % pagesAtATime;
    const int last = std::min(first + pagesAtATime, m_source.pageCount()) - 1;
    const ReportPageStretch stretch = m_source.pages(first, last);
    const ReportFrame& frame = m_source.frame();
    const double left = frame.margins.left();
    const double width = frame.pageSize.width() - frame.margins.left() - frame.margins.right();
    for (int p = first; p <= last; ++p) {
        // A stretch read again as pages arrive finds its earlier pages' hits anew.
        QList<QRectF>& boxes = m_hits[p];
        boxes.clear();
        if (!stretch.holds(p) || m_folded.isEmpty())
            continue;
        const auto find = [&](const QString& text, double x, double y, double w, double h) {
            if (SearchText::folded(text).contains(m_folded))
                boxes << QRectF(x, y, w, h);
        };
        const auto cells = [&](const QStringList& values, double y, double h) {
            for (int c = 0; c < frame.labels.size() && c < values.size(); ++c)
                find(values.at(c), frame.columnLeft.at(c), y, frame.columnWidth.at(c), h);
        };
        for (const ReportPageStretch::Line& line : stretch.page(p).lines) {
            using Kind = ReportPageStretch::Line::Kind;
            switch (line.kind) {
            case Kind::Detail:
                cells(stretch.rows.at(line.index), line.y, ReportSizes::detailHeight);
                break;
            case Kind::GroupHeading:
                find(stretch.headings.at(line.index), left, line.y, width,
                     ReportSizes::headingHeight);
                break;
            case Kind::Subtotal:
            case Kind::GrandTotal:
            case Kind::CarriedIn:
            case Kind::CarriedOut: {
                const ReportPageStretch::Total& total = stretch.totals.at(line.index);
                const double height = line.kind == Kind::GrandTotal ? ReportSizes::grandTotalHeight
                                                                    : ReportSizes::subtotalHeight;
                find(total.label, left, line.y, width, height);
                cells(total.cells, line.y, height);
                break;
            }
            case Kind::TableHeading:
            case Kind::TableRow:
            case Kind::TableTotal: {
                // The closing table's cells: a hit marks its whole line.
                const double height = line.kind == Kind::TableHeading
                                          ? ReportSizes::tableHeadingHeight
                                          : ReportSizes::detailHeight;
                for (const QString& cell : stretch.totals.at(line.index).cells)
                    find(cell, left, line.y, width, height);
                break;
            }
            case Kind::StateSummary:
            case Kind::Note:
                find(stretch.notes.at(line.index), left, line.y, width, ReportSizes::detailHeight);
                break;
            case Kind::Signature:
                find(stretch.notes.at(line.index), left, line.y, width,
                     ReportSizes::signatureHeight);
                break;
            case Kind::Empty:
                break;
            }
        }
    }
}

QList<QRectF> ReportPageSearch::hitsOn(int page)
{
    if (page < 0 || page >= m_source.pageCount())
        return {};
    if (!m_hits.contains(page))
        readAround(page);
    return m_hits.value(page);
}

std::optional<ReportPageSearch::Hit> ReportPageSearch::next(const Hit& from, bool forward)
{
    const int count = m_source.pageCount();
    if (count == 0 || m_folded.isEmpty())
        return std::nullopt;
    const int index = from.index + (forward ? 1 : -1);
    if (index >= 0 && index < hitsOn(from.page).size())
        return Hit{from.page, index};
    for (int step = 1; step <= count; ++step) {
        const int page = ((from.page + (forward ? step : -step)) % count + count) % count;
        const int hits = static_cast<int>(hitsOn(page).size());
        if (hits > 0)
            return Hit{page, forward ? 0 : hits - 1};
    }
    return std::nullopt;
}
