#include "report/TReportDesignerDialog.h"

#include "core/Exceptions.h"
#include "data/TParams.h"

namespace {
std::optional<QStringList>& declaredOverride()
{
    static std::optional<QStringList> names;
    return names;
}

TReportDesignerDialog::RunObserver& runObserver()
{
    static TReportDesignerDialog::RunObserver observer;
    return observer;
}
} // namespace

QString reportCommandName(ReportCommand command)
{
    switch (command) {
    case ReportCommand::Print:
        return QStringLiteral("print");
    case ReportCommand::Preview:
        return QStringLiteral("preview");
    case ReportCommand::SaveAs:
        return QStringLiteral("saveas");
    case ReportCommand::Edit:
        return QStringLiteral("edit");
    }
    return QString();
}

void TReportDesignerDialog::SetDeclaredParamsOverride(std::optional<QStringList> names)
{
    declaredOverride() = std::move(names);
}

void TReportDesignerDialog::SetRunObserver(RunObserver observer)
{
    runObserver() = std::move(observer);
}

std::unique_ptr<TParams> TReportDesignerDialog::BindParams(const ReportDefinition& report)
{
    const QStringList names = declaredOverride()
                                  ? *declaredOverride()
                                  : ReportDefinition::declaredParameters(report.sql(
                                        dtmDBGeral ? dtmDBGeral->dialect() : SqlDialect::Oracle));
    auto params = std::make_unique<TParams>(names);
    bool handled = false;
    if (BeforeGetQueryParams)
        BeforeGetQueryParams(params.get(), handled);
    return params;
}

void TReportDesignerDialog::Execute(ReportCommand command, const ReportDefinition& report,
                                    QWidget* form)
{
    Q_UNUSED(form);
    const std::unique_ptr<TParams> params = BindParams(report);
    if (runObserver() && runObserver()(command, report, *params))
        return;
    throw Exception(QStringLiteral("O comando '%1' do relatório \"%2\" não está disponível.")
                        .arg(reportCommandName(command), report.title));
}
