#pragma once

#include "report/ReportCsv.h"
#include "report/ReportDefinition.h"
#include "report/ReportDocument.h"
#include "report/ReportQuery.h"

#include <QHash>
#include <QVariant>
#include <functional>
#include <memory>

class QWidget;
class ReportProgress;

// One run of a report: the query, the layout and, when asked, the file. run() does the work
// in a worker thread while the event loop turns, with a progress window and a Cancel button.
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
    };

    // The output a file name asks for by its suffix (.pdf, .csv), Output::None otherwise.
    static Output outputFor(const QString& path);

    // Runs the request in a worker thread; the progress window (when shown) is modal over the
    // application. Returns nullptr when cancelled; raises an Exception on failure.
    static std::shared_ptr<ReportDocument> run(const Request& request, QWidget* parent,
                                               bool showProgress);
    // Writes a laid-out document to a file in a worker thread, the same way; false when
    // cancelled (no file is left).
    static bool write(const std::shared_ptr<const ReportDocument>& document, Output output,
                      const QString& path, const ReportCsv::Options& csv, QWidget* parent,
                      bool showProgress);

    // Runs the request in the calling thread.
    static ReportDocument runHere(const Request& request, ReportProgress& progress);
    // Writes the document in the calling thread.
    static void writeHere(const ReportDocument& document, Output output, const QString& path,
                          const ReportCsv::Options& csv, ReportProgress& progress);
};
