#pragma once

#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportDocument.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportQuery.h"
#include "report/output/ReportCsv.h"

#include <QHash>
#include <QVariant>
#include <functional>
#include <memory>

class QWidget;
class ReportProgress;

// One run of a report: the query, the layout and, when asked, the file. run() does the work
// in a worker thread while the event loop turns, with a progress window and a Cancel button.
// The rows stream from the query (a thread of its own) through the layout to the pages and
// the file; nothing holds them all. A file is written to a temporary file beside it and put
// in place only when whole: a cancel or a failure at any point leaves no partial file and an
// existing one as it was.
class ReportJob {
public:
    enum class Output { None, Pdf, Csv };

    struct Request {
        ReportDefinition definition;
        // The values of the query's parameters, by upper-case name.
        QHash<QString, QVariant> values;
        ReportQuery::Source source;
        ReportDocument::Header header;
        Output output = Output::None;
        QString path;
        ReportCsv::Options csv;
        // Whether the file is written when the query returns no rows.
        bool writeWhenEmpty = true;
    };

    // The output a file name asks for by its suffix (.pdf, .csv), Output::None otherwise.
    static Output outputFor(const QString& path);

    // Runs the request in a worker thread; the progress window (when shown) is modal over the
    // application. Returns the pages (only counted when the output is a CSV), nullptr when
    // cancelled; raises an Exception on failure.
    static std::shared_ptr<const ReportPages> run(const Request& request, QWidget* parent,
                                                  bool showProgress);
    // Writes the pages to a PDF file in a worker thread, the same way; false when cancelled
    // (no file is left).
    static bool writePdf(const std::shared_ptr<const ReportPages>& pages, const QString& path,
                         QWidget* parent, bool showProgress);

    // Runs the request in the calling thread (the query in a thread of its own).
    static std::shared_ptr<ReportPages> runHere(const Request& request, ReportProgress& progress);
};
