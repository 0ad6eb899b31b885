#include "report/engine/ReportPaginator.h"

#include "base/Exceptions.h"
#include "report/engine/ReportSizes.h"

namespace {
// Heights are sums of decimals: a line that fits exactly must not spill over.
constexpr double tolerance = 0.001;
} // namespace

ReportPaginator::ReportPaginator(double bodyTop, double bottom, const QString& sourceName,
                                 double carriedLine)
    : m_bodyTop(bodyTop), m_bottom(bottom - carriedLine), m_carriedLine(carriedLine),
      m_sourceName(sourceName), m_y(bodyTop)
{
}

bool ReportPaginator::place(double height, double room)
{
    const double needed = height + room;
    const bool breaks = !m_fresh && m_y + needed > m_bottom + tolerance;
    if (breaks) {
        ++m_pages;
        m_y = m_bodyTop + m_carriedLine +
              static_cast<double>(m_openHeadings.size()) * ReportSizes::headingHeight;
    }
    if (m_y + needed > m_bottom + tolerance)
        throw Exception(QStringLiteral("%1: o relatório não cabe na página: uma linha, com os "
                                       "cabeçalhos de grupo e os totais que a acompanham, pede "
                                       "%2 pt e o corpo da página tem %3 pt.")
                            .arg(m_sourceName)
                            .arg(qRound(needed + m_y - m_bodyTop))
                            .arg(qRound(m_bottom - m_bodyTop)));
    m_y += height;
    m_fresh = false;
    return breaks;
}
