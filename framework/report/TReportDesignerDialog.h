#pragma once

#include "core/Events.h"
#include "report/ReportDefinition.h"

#include <QObject>
#include <memory>
#include <optional>

class QWidget;
class ReportDocument;
class TSaveDialog;

enum class ReportCommand { Print, Preview, SaveAs, Edit };

// The report engine component of a report form: prepares a report's query parameters
// through BeforeGetQueryParams, runs the query read-only in a worker thread, lays the pages
// out and previews, prints, saves (PDF or CSV) or edits the report.
class TReportDesignerDialog : public QObject {
    Q_OBJECT
public:
    explicit TReportDesignerDialog(QObject* parent = nullptr);

    // Raised with the query's parameters before the query opens.
    TQueryParamsEvent BeforeGetQueryParams;

    // The parameters the report's query declares, bound through BeforeGetQueryParams.
    std::unique_ptr<TParams> BindParams(const ReportDefinition& report);
    // Runs the command on the report, the form being the dialogs' parent.
    void Execute(ReportCommand command, const ReportDefinition& report, QWidget* form);

    // Tests: the names the next queries declare instead of their SQL's own.
    static void SetDeclaredParamsOverride(std::optional<QStringList> names);
    // Tests: sees every command with its bound parameters; returning true consumes it.
    using RunObserver = std::function<bool(ReportCommand, const ReportDefinition&, const TParams&)>;
    static void SetRunObserver(RunObserver observer);

    // Headless runs: the next save-as commands write this file (PDF or CSV, by its suffix)
    // without asking, and without a progress window; an empty path restores the dialogs.
    void SetOutputFile(const QString& path) { m_outputFile = path; }
    // What the last run that laid out pages produced.
    struct RunResult {
        QString file;
        int rows = 0;
        int pages = 0;
    };
    const RunResult& LastRun() const { return m_lastRun; }

    // The save dialog that save-as shows: the one its description names on the form, else
    // one of its own for PDF and CSV.
    TSaveDialog* SaveDialog() const;
    void SetSaveDialogName(const QString& name) { m_saveDialogName = name; }

private:
    // The command's work once the parameters are bound.
    void run(ReportCommand command, const ReportDefinition& report, const TParams& params,
             QWidget* form);
    void print(const ReportDocument& document, QWidget* form);
    void edit(const ReportDefinition& report, QWidget* form);
    QString askSavePath(QWidget* form, const QString& suggested) const;

    QString m_outputFile;
    QString m_saveDialogName;
    TSaveDialog* m_defaultSaveDialog;
    RunResult m_lastRun;
    bool m_running = false;
};

QString reportCommandName(ReportCommand command);
