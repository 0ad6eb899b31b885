#include "report/ReportPaginator.h"

#include "core/Exceptions.h"
#include "report/ReportLayouter.h"

namespace {
// Heights are sums of decimals: a line that fits exactly must not spill over.
constexpr double tolerance = 0.001;
} // namespace

ReportPaginator::ReportPaginator(ReportDocument& document, const QString& sourceName)
    : m_document(document), m_sourceName(sourceName)
{
    m_bottom = document.pageSize.height() - document.margins.bottom();
    newPage();
}

void ReportPaginator::place(const QVector<Piece>& pieces, double room)
{
    double needed = room;
    for (const Piece& piece : pieces)
        needed += piece.height;
    if (m_y + needed > m_bottom + tolerance && !m_fresh)
        newPage();
    if (m_y + needed > m_bottom + tolerance)
        throw Exception(QStringLiteral("%1: o relatório não cabe na página: uma linha, com os "
                                       "cabeçalhos de grupo e os totais que a acompanham, pede "
                                       "%2 pt e o corpo da página tem %3 pt.")
                            .arg(m_sourceName)
                            .arg(qRound(needed + m_y - m_document.bodyTop))
                            .arg(qRound(m_bottom - m_document.bodyTop)));
    for (const Piece& piece : pieces) {
        m_document.pages.last().lines.append({piece.kind, piece.index, static_cast<float>(m_y)});
        m_y += piece.height;
    }
    m_fresh = false;
}

void ReportPaginator::newPage()
{
    m_document.pages.append(ReportDocument::Page());
    m_y = m_document.bodyTop;
    m_fresh = true;
    for (int heading : std::as_const(m_openHeadings)) {
        m_document.headings.append(m_document.headings.at(heading) +
                                   QStringLiteral(" (continuação)"));
        m_document.pages.last().lines.append({ReportDocument::Line::Kind::GroupHeading,
                                              static_cast<int>(m_document.headings.size() - 1),
                                              static_cast<float>(m_y)});
        m_y += ReportLayouter::headingHeight;
    }
}
