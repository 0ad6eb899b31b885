#include "report/engine/ReportCrosstab.h"

#include "base/Exceptions.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportSizes.h"

bool ReportCrosstab::add(const QString& row, const QString& column, ReportAmount amount)
{
    qsizetype at = m_columns.indexOf(column);
    if (at < 0) {
        m_columns << column;
        at = m_columns.size() - 1;
    }
    QVector<ReportAmount>& cells = m_cells[row];
    if (cells.size() <= at)
        cells.resize(at + 1);
    return cells[at].add(amount);
}

QVector<ReportPiece> ReportCrosstab::pieces(const QString& rowLabel,
                                            const QString& sourceName) const
{
    const auto outOfRange = [&sourceName] {
        return Exception(QStringLiteral("%1: um total da tabela passa do limite que o relatório "
                                        "soma; o relatório foi interrompido.")
                             .arg(sourceName));
    };
    // A line of amounts and its total; "whole" shows the zeros too.
    const auto line = [&](ReportPiece::Kind kind, const QString& label,
                          const QVector<ReportAmount>& amounts, bool whole) {
        QStringList cells{label};
        ReportAmount sum;
        for (qsizetype c = 0; c < m_columns.size(); ++c) {
            const ReportAmount amount = amounts.value(c);
            cells << (c < amounts.size() && (whole || amount.units() != 0)
                          ? ReportFormat::money(amount.units())
                          : QString());
            if (!sum.add(amount))
                throw outOfRange();
        }
        cells << ReportFormat::money(sum.units());
        return ReportPiece{kind,
                           static_cast<float>(kind == ReportPiece::Kind::TableTotal
                                                  ? ReportSizes::subtotalHeight
                                                  : ReportSizes::detailHeight),
                           {},
                           cells,
                           {}};
    };
    QVector<ReportPiece> pieces{{ReportPiece::Kind::TableHeading,
                                 ReportSizes::tableHeadingHeight,
                                 {},
                                 QStringList{rowLabel} + m_columns + QStringList{"Total"},
                                 {}}};
    QVector<ReportAmount> sums(m_columns.size());
    for (auto it = m_cells.cbegin(); it != m_cells.cend(); ++it) {
        pieces << line(ReportPiece::Kind::TableRow, it.key(), it.value(), false);
        for (qsizetype c = 0; c < it.value().size(); ++c)
            if (!sums[c].add(it.value().at(c)))
                throw outOfRange();
    }
    pieces << line(ReportPiece::Kind::TableTotal, QStringLiteral("Total"), sums, true);
    return pieces;
}
