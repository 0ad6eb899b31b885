#pragma once

#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportQuery.h"
#include "report/output/ReportOutput.h"

#include <QHash>
#include <QVariant>
#include <functional>
#include <memory>

class QWidget;
class ReportProgress;

// One run of a report: the query, the layout and, when asked, the file. run() does the work
// in a worker thread while the event loop turns, with a progress window and a Cancel button.
// The rows stream from the query (a thread of its own) through the layout to the pages and
// the file; nothing holds them all. The file's output (ReportOutputs) is chosen by its
// suffix; it is written to a temporary file beside it and put in place only when whole: a
// cancel or a failure at any point leaves no partial file and an existing one as it was.
class ReportJob {
public:
    struct Request {
        ReportDefinition definition;
        // The values of the query's parameters, by upper-case name.
        QHash<QString, QVariant> values;
        ReportQuery::Source source;
        ReportFrame::Header header;
        // The file the report goes to; none when empty.
        QString path;
        // What the file holds besides the rows, when it holds them as a table.
        ReportOutput::Options options;
        // Whether the file is written when the query returns no rows.
        bool writeWhenEmpty = true;
    };

    // Runs the request in a worker thread; the progress window (when shown) is modal over the
    // application. Returns the pages (only counted when the file took the rows as they
    // passed), nullptr when cancelled; raises an Exception on failure, also when no output
    // writes files of the path's suffix.
    static std::shared_ptr<const ReportPages> run(const Request& request, QWidget* parent,
                                                  bool showProgress);
    // Writes laid-out pages to an output that takes them whole (a PDF file, a printer) in a
    // worker thread, the same way; false when cancelled (the output is left as it was).
    static bool write(const std::shared_ptr<const ReportPages>& pages, ReportOutput& output,
                      QWidget* parent, bool showProgress);

    // A run whose pages a preview shows as they are laid out, going on in a worker thread.
    // Destroyed, it stops the run.
    class LiveRun {
    public:
        ~LiveRun();
        LiveRun(const LiveRun&) = delete;
        LiveRun& operator=(const LiveRun&) = delete;

        // The page store, cut into pages as the body is laid out (ReportLivePages reads it).
        const std::shared_ptr<ReportPages>& pages() const { return m_pages; }
        // Whether the run has ended; raises its failure, once.
        bool ended();
        // Whether it ended cancelled.
        bool cancelled() const;
        // Stops the layout at its next row; the pages cut so far stay.
        void cancel();

    private:
        friend class ReportJob;
        struct State;
        LiveRun(std::shared_ptr<State> state, std::shared_ptr<ReportPages> pages);
        std::shared_ptr<State> m_state;
        std::shared_ptr<ReportPages> m_pages;
    };

    // Runs the request for a preview, in a worker thread, the pages cut as the body is laid out:
    // the progress window (when shown) stays up until the first page is whole or the run ends.
    // Returns the run; nullptr when cancelled before. Raises an Exception on a failure before.
    static std::shared_ptr<LiveRun> preview(const Request& request, QWidget* parent,
                                            bool showProgress);

    // Runs the request in the calling thread (the query in a thread of its own). With
    // `cutting`, the pages are cut as the body is laid out, and handed to it before the rows.
    static std::shared_ptr<ReportPages>
    runHere(const Request& request, ReportProgress& progress,
            const std::function<void(const std::shared_ptr<ReportPages>&)>& cutting = {});
};
