#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"
#include "report/engine/ReportDefinition.h"
#include "report/output/ReportJob.h"
#include "report/output/ReportOutput.h"
#include "report/ui/PreparedReport.h"
#include "report/ui/ReportCommandRunner.h"

#include <QHash>
#include <QObject>
#include <QVariant>
#include <exception>
#include <memory>

class ReportHost;
class ReportLiveRun;
class ReportPages;

// The report engine component of a report form: prepares a report's query parameters
// through BeforeGetQueryParams, runs the query read-only in a worker thread, lays the pages
// out and previews, prints, saves (PDF or CSV) or edits the report.
class KLX_WIDGETS_EXPORT TReportDesignerDialog : public QObject, public ReportCommandRunner {
    Q_OBJECT
public:
    explicit TReportDesignerDialog(QObject* parent = nullptr) : QObject(parent) {}

    // Raised with the query's parameters before the query opens.
    TQueryParamsEvent BeforeGetQueryParams;

    // Parameters of exactly these names, bound through BeforeGetQueryParams.
    std::shared_ptr<TParams> BindParams(const QStringList& declared);
    // The command ready to run: the definition read again from its file (it may have been
    // edited, or removed, since the list was read: a missing file is reported through the
    // host), and the parameters its SQL declares, bound.
    PreparedReport Prepare(ReportAction action, const ReportDefinition& report,
                           const ReportHost& host);
    // Does the prepared command's work for the host; nothing while a command runs.
    bool Run(const PreparedReport& report, ReportHost& host) override;
    // True while a command runs.
    bool IsRunning() const { return m_running; }
    // What the query receives: each bound parameter as the SQL takes it, the processing
    // date P_DTPROC, which the engine binds when the form leaves it, and the operator
    // P_CDOPERADOR, which the engine always binds: reports show only the operator's companies.
    static QHash<QString, QVariant> QueryValues(const TParams& params);

    // Headless runs: the next save-as commands write this file (its kind by its suffix)
    // without asking, and without a progress window; an empty path restores the dialogs.
    void SetOutputFile(const QString& path) { m_outputFile = path; }
    // What a file holds besides the rows and how many threads paint it: for headless runs,
    // and as the save dialog's choice.
    void SetOutputOptions(const ReportOutput::Options& options) { m_outputOptions = options; }
    // What the last run that laid out pages produced; the error the last run raised (shown
    // to the user as any other), of its own type, for a caller that tells errors apart.
    struct RunResult {
        QString file;
        int rows = 0;
        int pages = 0;
        std::exception_ptr error;
        // The rows the report found inconsistent.
        qint64 inconsistencies = 0;
    };
    const RunResult& LastRun() const { return m_lastRun; }

private:
    // A job started: its pages, and while a preview still lays them out, the live run.
    struct Started {
        std::shared_ptr<const ReportPages> pages;
        std::shared_ptr<ReportLiveRun> live;
    };

    // The command's work once the parameters are bound.
    bool run(const PreparedReport& report, ReportHost& host);
    Started start(ReportAction command, const ReportJob::Request& request, ReportHost& host,
                  bool headless);
    // Keeps what a finished job laid out; false, telling the user, for an empty report shown
    // on screen.
    bool keepRun(const ReportPages& pages, ReportHost& host, bool headless);
    void showPreview(const Started& started, const ReportJob::Request& request, ReportHost& host);
    bool print(const std::shared_ptr<const ReportPages>& pages, ReportHost& host);
    // Records how a report the preview followed ended.
    void liveRunEnded(const ReportLiveRun& run);
    // "Salvar como" of the preview: the report the preview shows, to the file the user names.
    void saveFromPreview(ReportJob::Request request, ReportHost& host);
    bool edit(const ReportDefinition& report, ReportHost& host);

    QString m_outputFile;
    ReportOutput::Options m_outputOptions;
    RunResult m_lastRun;
    bool m_running = false;
};
