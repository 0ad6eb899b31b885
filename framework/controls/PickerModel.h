#pragma once

#include "controls/PickerRequest.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <vector>

// The rows of a list picker with their marks. The marks and their count live here, so that
// they survive any filter of the view.
class PickerModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Each row's cells folded for searching, joined (Qt::UserRole).
    static constexpr int SearchRole = Qt::UserRole;

    PickerModel(const Pesqlista::PickerTable& table, const QStringList& marked,
                QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    bool isMarked(int row) const { return m_marks[static_cast<size_t>(row)]; }
    void setMarked(int row, bool marked);
    int markedCount() const { return m_markedCount; }
    // The keys of the marked rows, in row order.
    QStringList markedKeys() const;

private:
    Pesqlista::PickerTable m_table;
    QStringList m_search;
    std::vector<bool> m_marks;
    int m_markedCount = 0;
};

// Keeps the rows whose code or any shown text holds the typed text, accents and case aside.
class PickerFilter : public QSortFilterProxyModel {
    Q_OBJECT
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    // Filters by the text; the view is laid out anew once, not row by row.
    void setSearch(const QString& text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    QString m_folded;
};
