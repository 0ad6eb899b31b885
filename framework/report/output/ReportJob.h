#pragma once

#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportExport.h"
#include "report/engine/ReportFrame.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportQuery.h"
#include "report/output/ReportOutput.h"

#include <QFuture>
#include <QHash>
#include <QVariant>
#include <functional>
#include <memory>

class ReportLiveRun;
class ReportProgress;

// One run of a report: the query, the layout and, when asked, the file, in a worker thread;
// no window and no wait (report/ui shows the progress and waits). The rows stream from the
// query (a thread of its own) through the layout to the pages and the file; nothing holds
// them all. The file's output (ReportOutputs) is chosen by its suffix; it is written to a
// temporary file beside it and put in place only when whole: a cancel or a failure at any
// point leaves no partial file and an existing one as it was.
//
// A run's future tells its progress (the stage's line as the progress text, rows read or pages
// done as the value, the pages to do as the range's maximum: ReportPromiseProgress); cancelled,
// the run stops at its next row and ends with no result. A failure is raised, as the
// Exception of its own type the run raised, by the future's waitForFinished() and result().
class KLX_REPORT_EXPORT ReportJob {
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

    // The laid-out report: its pages, only counted when the file took the rows as they passed.
    using Pages = std::shared_ptr<const ReportPages>;

    // Starts the request in a worker thread; the future's result is the pages. No output
    // writing files of the path's suffix is a failure.
    static QFuture<Pages> start(const Request& request);
    // Writes laid-out pages to an output that takes them whole (a PDF file, a printer) in a
    // worker thread; cancelled, the output is left as it was. The output must outlive the run.
    static QFuture<void> write(const Pages& pages, ReportOutput& output);
    // Starts the request for a preview: the pages are cut as the body is laid out, and the run
    // tells as they come (ReportLiveRun).
    static std::shared_ptr<ReportLiveRun> startLive(const Request& request);

    // What a run that cuts its pages as the body is laid out tells as it goes, from the
    // thread that lays it out: the page store, before the rows, then after each batch of rows.
    struct Cutting {
        std::function<void(const std::shared_ptr<ReportPages>&)> begun;
        std::function<void()> placed;
    };
    // Runs the request in the calling thread (the query in a thread of its own); with
    // `cutting`, the pages are cut as the body is laid out.
    static std::shared_ptr<ReportPages> runHere(const Request& request, ReportProgress& progress,
                                                const Cutting* cutting = nullptr);
};
