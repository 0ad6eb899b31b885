#pragma once

// Not part of the widgets library's interface: the preview window's state and steps, for its
// own implementation and its tests.

#include "report/engine/ReportPageSearch.h"
#include "report/ui/ReportPreviewDialog.h"

#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

class QComboBox;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QObject;
class QScrollArea;
class QSpinBox;
class QToolButton;
class QWheelEvent;
class QWidget;
class ReportPageView;

class ReportPreviewDialogPrivate {
public:
    ReportPreviewDialogPrivate(ReportPreviewDialog& dialog,
                               std::shared_ptr<const ReportPageSource> pages,
                               std::function<void()> print, std::function<void()> saveAs);

    static ReportPreviewDialogPrivate& of(ReportPreviewDialog& dialog) { return *dialog.d; }

    // The window's parts, top to bottom, and what their controls do.
    void build();
    QHBoxLayout* buildToolBar();
    void addNavigation(QHBoxLayout* bar);
    void addZoom(QHBoxLayout* bar);
    void addCommands(QHBoxLayout* bar);
    QWidget* buildSearchBar();
    QWidget* buildPageArea();

    void showPage(int page);
    bool find(const QString& text, bool forward);
    void showSearchBar();
    void showHit();
    void applyZoomChoice();
    void stepZoom(int direction);
    void pageChanged();
    // The page box and the buttons for the page shown and the pages there are.
    void updateNavigation();
    void restoreSettings();
    void saveSettings() const;

    // Ctrl+P, Ctrl+S, Ctrl+F, F3 and Shift+F3; false for other keys.
    bool runCommandKey(const QKeyEvent* event);
    // The page keys; false for other keys.
    bool turnPage(const QKeyEvent* event, const QObject* target);
    // Turns the page when the wheel goes on past the page's end; false otherwise.
    bool wheelPastEnd(const QWheelEvent* event);
    // What the window does with the events of its controls (ReportPreviewDialog::eventFilter).
    bool filterEvent(QObject* watched, QEvent* event);

    // Following a report still being laid out: from now on until followEnded, with a Cancel
    // button that calls `cancel`.
    void startFollowing(std::function<void()> cancel);
    // Takes in what the report being followed added: what its pagesAdded signal does.
    void takePages();
    // The report followed has ended: the pages as they stand, then its failure, if any.
    void followEnded(std::exception_ptr failure);
    // The page count, the navigation and the page shown as the report followed has them.
    void followed();

    ReportPreviewDialog& q;
    std::shared_ptr<const ReportPageSource> pages;
    std::function<void()> print;
    std::function<void()> saveAs;
    // The run followed, kept until the window goes; and how to stop it while it goes on.
    std::shared_ptr<ReportLiveRun> run;
    bool following = false;
    std::function<void()> cancelRun;

    ReportPageView* view = nullptr;
    QScrollArea* scroll = nullptr;
    QSpinBox* pageBox = nullptr;
    QLabel* pageCount = nullptr;
    QToolButton* first = nullptr;
    QToolButton* previous = nullptr;
    QToolButton* next = nullptr;
    QToolButton* last = nullptr;
    QComboBox* zoomBox = nullptr;
    QToolButton* printButton = nullptr;
    QToolButton* cancelButton = nullptr;
    QWidget* searchBar = nullptr;
    QLineEdit* searchText = nullptr;
    QLabel* searchStatus = nullptr;
    std::unique_ptr<ReportPageSearch> search;
    QString searched;
    // The hit shown: its page and its order on the page.
    std::optional<ReportPageSearch::Hit> hit;
};
