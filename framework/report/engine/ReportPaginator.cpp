#include "report/engine/ReportPaginator.h"

#include "base/Exceptions.h"
#include "report/engine/ReportLayouter.h"

namespace {
// Heights are sums of decimals: a line that fits exactly must not spill over.
constexpr double tolerance = 0.001;
} // namespace

ReportPaginator::ReportPaginator(double bodyTop, double bottom, const QString& sourceName,
                                 ReportDocument* document)
    : m_bodyTop(bodyTop), m_bottom(bottom), m_sourceName(sourceName), m_document(document)
{
}

double ReportPaginator::needed(const QVector<ReportPiece>& pieces, double room) const
{
    double height = room;
    for (const ReportPiece& piece : pieces)
        height += piece.height;
    return height;
}

bool ReportPaginator::breaksBefore(const QVector<ReportPiece>& pieces, double room) const
{
    return !m_fresh && m_y + needed(pieces, room) > m_bottom + tolerance;
}

void ReportPaginator::place(const QVector<ReportPiece>& pieces, double room)
{
    if (breaksBefore(pieces, room))
        beginPage(m_openHeadings);
    const double height = needed(pieces, room);
    if (m_y + height > m_bottom + tolerance)
        throw Exception(QStringLiteral("%1: o relatório não cabe na página: uma linha, com os "
                                       "cabeçalhos de grupo e os totais que a acompanham, pede "
                                       "%2 pt e o corpo da página tem %3 pt.")
                            .arg(m_sourceName)
                            .arg(qRound(height + m_y - m_bodyTop))
                            .arg(qRound(m_bottom - m_bodyTop)));
    for (const ReportPiece& piece : pieces) {
        if (m_document) {
            ReportDocument& document = *m_document;
            switch (piece.kind) {
            case ReportPiece::Kind::Detail:
                document.rows.append(piece.cells);
                line(piece.kind, static_cast<int>(document.rows.size() - 1));
                break;
            case ReportPiece::Kind::GroupHeading:
                document.headings.append(piece.text);
                line(piece.kind, static_cast<int>(document.headings.size() - 1));
                break;
            case ReportPiece::Kind::StateSummary:
                document.notes.append(piece.text);
                line(piece.kind, static_cast<int>(document.notes.size() - 1));
                break;
            case ReportPiece::Kind::Subtotal:
            case ReportPiece::Kind::GrandTotal:
                document.totals.append({piece.text, piece.cells, piece.states});
                line(piece.kind, static_cast<int>(document.totals.size() - 1));
                break;
            case ReportPiece::Kind::Empty:
                line(piece.kind, 0);
                break;
            }
        }
        m_y += piece.height;
    }
    m_fresh = false;
}

void ReportPaginator::line(ReportPiece::Kind kind, int index)
{
    m_document->pages.last().lines.append({kind, index, static_cast<float>(m_y)});
}

void ReportPaginator::beginPage(const QStringList& openHeadings)
{
    ++m_pages;
    m_openHeadings = openHeadings;
    m_y = m_bodyTop;
    m_fresh = true;
    if (m_document)
        m_document->pages.append(ReportDocument::Page());
    for (const QString& heading : std::as_const(m_openHeadings)) {
        if (m_document) {
            m_document->headings.append(heading + QStringLiteral(" (continuação)"));
            line(ReportPiece::Kind::GroupHeading,
                 static_cast<int>(m_document->headings.size() - 1));
        }
        m_y += ReportLayouter::headingHeight;
    }
}
