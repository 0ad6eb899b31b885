#pragma once

#include "base/Events.h"
#include "report/engine/ReportDefinition.h"
#include "report/output/ReportOutput.h"

#include <QHash>
#include <QObject>
#include <QVariant>
#include <memory>
#include <optional>

class QWidget;
class ReportPages;
class TfrmDadosGerRel;

enum class ReportCommand { Print, Preview, SaveAs, Edit };

// The report engine component of a report form: prepares a report's query parameters
// through BeforeGetQueryParams, runs the query read-only in a worker thread, lays the pages
// out and previews, prints, saves (PDF or CSV) or edits the report.
class TReportDesignerDialog : public QObject {
    Q_OBJECT
public:
    explicit TReportDesignerDialog(QObject* parent = nullptr) : QObject(parent) {}

    // Raised with the query's parameters before the query opens.
    TQueryParamsEvent BeforeGetQueryParams;

    // The parameters the report's query declares, bound through BeforeGetQueryParams.
    std::unique_ptr<TParams> BindParams(const ReportDefinition& report);
    // Runs the command on the report of the form, which parents the dialogs and gives the
    // codes, messages and save dialog.
    void Execute(ReportCommand command, const ReportDefinition& report, TfrmDadosGerRel* form);
    // True while a command runs.
    bool IsRunning() const { return m_running; }
    // What the query receives: each bound parameter as the SQL takes it, the processing
    // date P_DTPROC, which the engine binds when the form leaves it, and the operator
    // P_CDOPERADOR, which the engine always binds: reports show only the operator's companies.
    static QHash<QString, QVariant> QueryValues(const TParams& params);

    // Tests: the names the next queries declare instead of their SQL's own.
    static void SetDeclaredParamsOverride(std::optional<QStringList> names);
    // Tests: sees every command with its bound parameters; returning true consumes it.
    using RunObserver = std::function<bool(ReportCommand, const ReportDefinition&, const TParams&)>;
    static void SetRunObserver(RunObserver observer);

    // Headless runs: the next save-as commands write this file (its kind by its suffix)
    // without asking, and without a progress window; an empty path restores the dialogs.
    void SetOutputFile(const QString& path) { m_outputFile = path; }
    // What a CSV holds besides the rows: for headless runs, and as the save dialog's choice.
    void SetCsvOptions(const ReportOutput::Options& options) { m_csv = options; }
    // What the last run that laid out pages produced.
    struct RunResult {
        QString file;
        int rows = 0;
        int pages = 0;
    };
    const RunResult& LastRun() const { return m_lastRun; }

private:
    // The command's work once the parameters are bound.
    void run(ReportCommand command, const ReportDefinition& report, const TParams& params,
             TfrmDadosGerRel* form);
    void print(const std::shared_ptr<const ReportPages>& pages, TfrmDadosGerRel* form);
    void edit(const ReportDefinition& report, TfrmDadosGerRel* form);

    QString m_outputFile;
    ReportOutput::Options m_csv;
    RunResult m_lastRun;
    bool m_running = false;
};

QString reportCommandName(ReportCommand command);
