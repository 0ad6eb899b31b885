#pragma once

#include "report/engine/ReportAmount.h"
#include "report/engine/ReportBody.h"

#include <QMap>
#include <QStringList>
#include <QVector>

// A closing table of amounts: one line per row value (in order), one column per column value
// (in the order they come), each cell the sum of its amounts, a total per line and a line of
// totals. Sums never wrap: adding past the range of ReportAmount is refused.
class ReportCrosstab {
public:
    // Adds the amount to the cell of the row and column values; false when a sum would leave
    // the range of ReportAmount.
    [[nodiscard]] bool add(const QString& row, const QString& column, ReportAmount amount);
    bool isEmpty() const { return m_cells.isEmpty(); }

    // The table's lines as the layout places them: the column labels (the row label first, a
    // last "Total"), a line per row value (empty where a row has no amount), the totals line.
    // Raises an Exception naming the report when a total leaves the range of ReportAmount.
    QVector<ReportPiece> pieces(const QString& rowLabel, const QString& sourceName) const;

private:
    QStringList m_columns;
    QMap<QString, QVector<ReportAmount>> m_cells;
};
