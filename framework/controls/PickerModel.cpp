#include "controls/PickerModel.h"

#include "base/SearchText.h"

#include <QSet>

PickerModel::PickerModel(const Pesqlista::PickerTable& table, const QStringList& marked,
                         QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_marks(table.keys.size(), false)
{
    const QSet<QString> wanted(marked.cbegin(), marked.cend());
    m_search.reserve(m_table.keys.size());
    for (int row = 0; row < m_table.keys.size(); ++row) {
        // The key first: a code matches even when no column shows it.
        m_search << SearchText::folded(m_table.keys.at(row) + QLatin1Char('\x1f') +
                                       m_table.cells.at(row).join(QLatin1Char('\x1f')));
        if (wanted.contains(m_table.keys.at(row))) {
            m_marks[static_cast<size_t>(row)] = true;
            ++m_markedCount;
        }
    }
}

int PickerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.keys.size());
}

int PickerModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_table.columns.size());
}

QVariant PickerModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == SearchRole)
        return m_search.at(index.row());
    if (role == Qt::DisplayRole)
        return m_table.cells.at(index.row()).value(index.column());
    return {};
}

QVariant PickerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_table.columns.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

void PickerModel::setMarked(int row, bool marked)
{
    if (m_marks[static_cast<size_t>(row)] == marked)
        return;
    m_marks[static_cast<size_t>(row)] = marked;
    m_markedCount += marked ? 1 : -1;
}

QStringList PickerModel::markedKeys() const
{
    QStringList keys;
    keys.reserve(m_markedCount);
    for (int row = 0; row < m_table.keys.size(); ++row)
        if (m_marks[static_cast<size_t>(row)])
            keys << m_table.keys.at(row);
    return keys;
}

void PickerFilter::setSearch(const QString& text)
{
    const QString folded = SearchText::folded(text.trimmed());
    if (folded == m_folded)
        return;
    m_folded = folded;
    invalidate();
}

bool PickerFilter::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const
{
    if (m_folded.isEmpty())
        return true;
    return sourceModel()
        ->index(sourceRow, 0, sourceParent)
        .data(PickerModel::SearchRole)
        .toString()
        .contains(m_folded);
}
