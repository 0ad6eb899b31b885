#include "ReportCommandLine.h"

#include "CommandLine.h"
#include "base/Exceptions.h"
#include "base/VisibleText.h"
#include "report/output/ReportOutputs.h"

#include <QDir>
#include <QFileInfo>

namespace host {

namespace {

int threadCount(const QString& value)
{
    bool ok = false;
    const int threads = value.toInt(&ok);
    if (!ok || threads < 1 || threads > 64)
        throw Exception(
            QStringLiteral("--threads: número de threads inválido '%1' (de 1 a 64)").arg(value));
    return threads;
}

QList<QCommandLineOption> reportOptions(const QStringList& criterionNames)
{
    QList<QCommandLineOption> options;
    for (const QString& name : criterionNames)
        options << QCommandLineOption(name, QString(), QStringLiteral("um valor"));
    for (const char* name : {"filter", "output", "threads"})
        options << QCommandLineOption(QLatin1String(name), QString(), QStringLiteral("um valor"));
    for (const char* name : {"params", "csv-totals", "csv-criteria", "csv-excel", "quiet"})
        options << QCommandLineOption(QLatin1String(name));
    return options;
}

// The output's form: the name of a kind of file (PDF, CSV, XLSX) in a folder that takes files.
void checkOutput(const ReportRequest& request)
{
    if (!request.params && request.output.isEmpty())
        throw Exception(
            QStringLiteral("informe o arquivo de saída com --output (ou use --params)"));
    if (request.output.isEmpty())
        return;
    const auto output = ReportOutputs::forFile(request.output);
    if (!output)
        throw Exception(QStringLiteral("--output: o arquivo deve terminar em %1: '%2'")
                            .arg(ReportOutputs::suffixesText(), VisibleText::of(request.output)));
    if ((request.outputOptions.totals || request.outputOptions.criteria) && !output->tabular())
        throw Exception(
            QStringLiteral("--csv-totals e --csv-criteria pedem saída %1: '%2'")
                .arg(ReportOutputs::suffixesText(true), VisibleText::of(request.output)));
    if (request.outputOptions.excel && !output->suffixes().contains(QStringLiteral("csv")))
        throw Exception(QStringLiteral("--csv-excel pede saída .csv: '%1'")
                            .arg(VisibleText::of(request.output)));
    // A folder that is missing or takes no file is no mistake of the command line: the run
    // says so (exit 1).
}

} // namespace

ReportRequest ReportRequest::parse(const QStringList& args, const QStringList& criterionNames)
{
    CommandLine commandLine(reportOptions(criterionNames) + HostOptions::commandLineOptions());
    commandLine.parse(args);
    ReportRequest request;
    for (const QString& name : criterionNames)
        if (commandLine.isSet(name))
            request.criteria.insert(name, commandLine.value(name));
    if (commandLine.isSet(QStringLiteral("filter")))
        request.filter = commandLine.value(QStringLiteral("filter"));
    request.output = commandLine.value(QStringLiteral("output"));
    if (commandLine.isSet(QStringLiteral("threads")))
        request.outputOptions.threads = threadCount(commandLine.value(QStringLiteral("threads")));
    request.params = commandLine.isSet(QStringLiteral("params"));
    request.quiet = commandLine.isSet(QStringLiteral("quiet"));
    request.outputOptions.totals = commandLine.isSet(QStringLiteral("csv-totals"));
    request.outputOptions.criteria = commandLine.isSet(QStringLiteral("csv-criteria"));
    request.outputOptions.excel = commandLine.isSet(QStringLiteral("csv-excel"));
    checkOutput(request);
    request.host = HostOptions::from(commandLine);
    return request;
}

} // namespace host
