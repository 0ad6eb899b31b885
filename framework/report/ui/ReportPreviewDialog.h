#pragma once

#include "report/engine/ReportPageSearch.h"

#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QScrollArea;
class QSpinBox;
class QTimer;
class QToolButton;
class QWidget;
class ReportPageSource;
class ReportPageView;

// The preview window of a report: one page at a time, read back when shown. Page Up and Page
// Down turn the page wherever the focus is, Home and End (Ctrl+Home, Ctrl+End in an edit) go to
// the first and last page, and the wheel at a page's end goes on to the next. Zoom, printing
// (Ctrl+P), saving to any kind of file a report is written to ("Salvar como", Ctrl+S), and
// searching the pages' text (Ctrl+F; Enter or F3 to the next hit, Shift for the one before).
// The window keeps its size and zoom for the next preview.
class ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // print and saveAs are what their buttons do.
    ReportPreviewDialog(std::shared_ptr<const ReportPageSource> pages, std::function<void()> print,
                        std::function<void()> saveAs, QWidget* parent = nullptr);
    ~ReportPreviewDialog() override;

    ReportPageView* pageView() const { return m_view; }
    // Shows the page (from 0).
    void showPage(int page);
    // Searches the text from the page shown and shows the next hit (or the one before);
    // false, saying so in the search bar, when the report does not hold it.
    bool find(const QString& text, bool forward = true);
    // The hit shown: its page and its order on the page.
    std::optional<ReportPageSearch::Hit> currentHit() const { return m_hit; }

    // Follows a report still being laid out: takes in its new pages a few times a second (the
    // page count and the navigation grow with them; the page shown is drawn again when its
    // frame or footer changes) until `ended` says the run is over, raising its failure, which
    // is shown. Meanwhile a Cancel button calls `cancel`, and the pages shown stay; printing
    // waits for the whole report.
    void follow(std::function<bool()> ended, std::function<void()> cancel);
    // Takes in what the report being followed added; what the timer does.
    void refreshPages();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Keeps a fitting zoom fitting as the page area changes size; takes the page keys from
    // whichever control has the focus, and the wheel at a page's end.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void applyZoomChoice();
    void stepZoom(int direction);
    void pageChanged();
    // The page box and the buttons for the page shown and the pages there are.
    void updateNavigation();
    // Ctrl+P, Ctrl+S, Ctrl+F, F3 and Shift+F3; false for other keys.
    bool runCommandKey(const QKeyEvent* event);
    // The page keys; false for other keys.
    bool turnPage(const QKeyEvent* event, const QObject* target);
    // Turns the page when the wheel goes on past the page's end; false otherwise.
    bool wheelPastEnd(const QWheelEvent* event);
    void showSearchBar();
    void showHit();
    void restoreSettings();

    void followed();

    std::shared_ptr<const ReportPageSource> m_pages;
    std::function<void()> m_print;
    std::function<void()> m_saveAs;
    ReportPageView* m_view;
    QScrollArea* m_scroll;
    QSpinBox* m_pageBox;
    QComboBox* m_zoomBox;
    QToolButton* m_first;
    QToolButton* m_previous;
    QToolButton* m_next;
    QToolButton* m_last;
    QLabel* m_pageCount;
    QToolButton* m_printButton;
    QToolButton* m_cancel;
    QTimer* m_follow = nullptr;
    bool m_refreshing = false;
    std::function<bool()> m_ended;
    std::function<void()> m_cancelRun;
    QWidget* m_searchBar;
    QLineEdit* m_searchText;
    QLabel* m_searchStatus;
    std::unique_ptr<ReportPageSearch> m_search;
    QString m_searched;
    std::optional<ReportPageSearch::Hit> m_hit;
};
