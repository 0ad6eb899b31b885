#pragma once

#include "controls/PickerRequest.h"
#include "controls/WidgetsExport.h"

#include <QDialog>

class PickerFilter;
class PickerModel;
class QItemSelection;
class QLabel;
class QLineEdit;
class QTableView;

// The list picker's dialog: rows to mark (mouse, Space, Ctrl+A), a search box that keeps
// only the rows holding what is typed (code or any shown text, accents and case aside)
// with marks kept across searches, Enter to confirm and Escape to cancel. With no rows it
// explains why, with the part of the title after '|'.
class ListPickerDialog : public QDialog {
    Q_OBJECT
public:
    KLX_WIDGETS_EXPORT ListPickerDialog(const Pesqlista::Request& request,
                                        QWidget* parent = nullptr);
    KLX_WIDGETS_EXPORT ~ListPickerDialog() override;

    // The keys of the marked rows, in row order.
    KLX_WIDGETS_EXPORT QStringList markedKeys() const;
    // How many rows are marked.
    int markedCount() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void search(const QString& text);
    // Selects the marked rows the view shows, with one selection.
    void showMarks();
    void marksChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void toggleCurrentRow();
    void updateCount();

    PickerModel* m_model = nullptr;
    PickerFilter* m_filter = nullptr;
    QTableView* m_table;
    QLineEdit* m_search;
    QLabel* m_noResults;
    QLabel* m_count;
    // Set while the view's selection is rebuilt from the marks, which it must not change.
    bool m_showingMarks = false;
};
