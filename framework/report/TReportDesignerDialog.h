#pragma once

#include "core/Events.h"
#include "report/ReportDefinition.h"

#include <QObject>
#include <memory>
#include <optional>

class QWidget;

enum class ReportCommand { Print, Preview, SaveAs, Edit };

// The report engine component of a report form: prepares a report's query parameters
// through BeforeGetQueryParams and runs the report command.
class TReportDesignerDialog : public QObject {
    Q_OBJECT
public:
    explicit TReportDesignerDialog(QObject* parent = nullptr) : QObject(parent) {}

    // Raised with the query's parameters before the query opens.
    TQueryParamsEvent BeforeGetQueryParams;

    // The parameters the report's query declares, bound through BeforeGetQueryParams.
    std::unique_ptr<TParams> BindParams(const ReportDefinition& report);
    // Runs the command on the report, the form being the dialogs' parent.
    void Execute(ReportCommand command, const ReportDefinition& report, QWidget* form);

    // Tests: the names the next queries declare instead of their SQL's own.
    static void SetDeclaredParamsOverride(std::optional<QStringList> names);
    // Tests: sees every command with its bound parameters; returning true consumes it.
    using RunObserver =
        std::function<bool(ReportCommand, const ReportDefinition&, const TParams&)>;
    static void SetRunObserver(RunObserver observer);
};

QString reportCommandName(ReportCommand command);
