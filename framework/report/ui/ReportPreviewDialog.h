#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;
class QToolButton;
class ReportPageView;
class ReportPages;

// The preview window of a report: one page at a time, read back when shown; page navigation
// (Page Up and Page Down wherever the focus is), zoom, and printing.
class ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // print is what the print button does.
    ReportPreviewDialog(std::shared_ptr<const ReportPages> pages, std::function<void()> print,
                        QWidget* parent = nullptr);

    ReportPageView* pageView() const { return m_view; }
    // Shows the page (from 0).
    void showPage(int page);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Keeps a fitting zoom fitting as the page area changes size; takes Page Up and Page Down
    // from whichever control has the focus.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyZoomChoice();
    void stepZoom(int direction);
    void pageChanged();
    // Page Up and Page Down; false for other keys.
    bool turnPage(const QKeyEvent* event);

    std::shared_ptr<const ReportPages> m_pages;
    std::function<void()> m_print;
    ReportPageView* m_view;
    QScrollArea* m_scroll;
    QSpinBox* m_pageBox;
    QComboBox* m_zoomBox;
    QToolButton* m_first;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_last;
};
