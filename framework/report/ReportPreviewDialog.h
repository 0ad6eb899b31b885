#pragma once

#include <QDialog>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;
class QToolButton;
class ReportDocument;
class ReportPageView;

// The preview window of a report: one page at a time, page navigation, zoom, and printing.
class ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // print is what the print button does with the document.
    ReportPreviewDialog(std::shared_ptr<const ReportDocument> document,
                        std::function<void(const ReportDocument&)> print,
                        QWidget* parent = nullptr);

    ReportPageView* pageView() const { return m_view; }
    // Shows the page (from 0).
    void showPage(int page);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Keeps a fitting zoom fitting as the page area changes size.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyZoomChoice();
    void stepZoom(int direction);
    void pageChanged();

    std::shared_ptr<const ReportDocument> m_document;
    std::function<void(const ReportDocument&)> m_print;
    ReportPageView* m_view;
    QScrollArea* m_scroll;
    QSpinBox* m_pageBox;
    QComboBox* m_zoomBox;
    QToolButton* m_first;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_last;
};
