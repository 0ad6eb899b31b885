#pragma once

#include "controls/WidgetsExport.h"

#include <QDialog>
#include <functional>
#include <memory>

class ReportLiveRun;
class ReportPageSource;
class ReportPreviewDialogPrivate;

// The preview window of a report: one page at a time, read back when shown. Page Up and Page
// Down turn the page wherever the focus is, Home and End (Ctrl+Home, Ctrl+End in an edit) go to
// the first and last page, and the wheel at a page's end goes on to the next. Zoom, printing
// (Ctrl+P), saving to any kind of file a report is written to ("Salvar como", Ctrl+S), and
// searching the pages' text (Ctrl+F; Enter or F3 to the next hit, Shift for the one before).
// The window keeps its size and zoom for the next preview.
class KLX_WIDGETS_EXPORT ReportPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // print and saveAs are what their buttons do.
    ReportPreviewDialog(std::shared_ptr<const ReportPageSource> pages, std::function<void()> print,
                        std::function<void()> saveAs, QWidget* parent = nullptr);
    ~ReportPreviewDialog() override;

    // Shows the page (from 0).
    void showPage(int page);
    // Searches the text from the page shown and shows the next hit (or the one before);
    // false, saying so in the search bar, when the report does not hold it.
    bool find(const QString& text, bool forward = true);

    // Follows a report still being laid out, whose pages the window's page source reads: takes
    // in its new pages as the run tells of them (the page count and the navigation grow with
    // them; the page shown is drawn again when its frame or footer changes) until the run
    // ends, and shows its failure. Meanwhile a Cancel button stops the run, and the pages
    // shown stay; printing waits for the whole report. The window keeps the run, and stops it
    // when closed.
    void follow(std::shared_ptr<ReportLiveRun> run);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Keeps a fitting zoom fitting as the page area changes size; takes the page keys from
    // whichever control has the focus, and the wheel at a page's end.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    friend class ReportPreviewDialogPrivate;
    std::unique_ptr<ReportPreviewDialogPrivate> d;
};
