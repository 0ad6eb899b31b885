#pragma once

#include "core/Pesqlista.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QTableWidget;

// The list picker's dialog: rows to mark (mouse, Space, Ctrl+A), a search box that finds
// a row as the user types, Enter to confirm and Escape to cancel. With no rows it explains
// why, with the part of the title after '|'.
class ListPickerDialog : public QDialog {
    Q_OBJECT
public:
    ListPickerDialog(const Pesqlista::Request& request, QWidget* parent = nullptr);

    // The keys of the marked rows, in row order.
    QStringList markedKeys() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void findRow(const QString& text);
    void toggleCurrentRow();
    void updateCount();

    QStringList m_keys;
    QTableWidget* m_table;
    QLineEdit* m_search;
    QLabel* m_count;
};
