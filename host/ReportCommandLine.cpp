#include "ReportCommandLine.h"

#include "CommandLine.h"
#include "base/DateRules.h"
#include "base/Exceptions.h"
#include "base/SearchText.h"
#include "base/VisibleText.h"
#include "report/output/ReportOutputs.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace host {

namespace {

// A date as written (D/M/AAAA, D/M/AA, AAAA-MM-DD) or a rule's word, as DD/MM/AAAA or the
// word; the word gives its date once the branch's processing date is known. "" stays "" (an
// empty edit).
QString dateText(const QString& option, const QString& value)
{
    if (value.trimmed().isEmpty())
        return QString();
    const auto rule = DateRules::parse(value, QDate::currentDate());
    if (!rule)
        throw Exception(QStringLiteral("%1: data inválida '%2' (use DD/MM/AAAA, AAAA-MM-DD ou "
                                       "uma destas palavras: %3)")
                            .arg(option, VisibleText::of(value), DateRules::wordsText()));
    return DateRules::word(*rule);
}

QString chequeText(const QString& option, const QString& value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{0,6}$"));
    if (!digits.match(value.trimmed()).hasMatch())
        throw Exception(QStringLiteral("%1: número de cheque inválido '%2' (até 6 dígitos)")
                            .arg(option, VisibleText::of(value)));
    return value.trimmed();
}

QStringList codes(const QString& option, const QString& value)
{
    // A code given twice is picked once, as in the screen's list.
    QStringList list;
    for (const QString& code : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
        if (!code.trimmed().isEmpty() && !list.contains(code.trimmed()))
            list << code.trimmed();
    if (list.isEmpty())
        throw Exception(QStringLiteral("%1: informe ao menos um código").arg(option));
    return list;
}

QString plain(const QString& text)
{
    return SearchText::folded(text.trimmed());
}

QStringList stateList(const QString& value)
{
    static const QStringList known{QStringLiteral("emitido"), QStringLiteral("cancelado"),
                                   QStringLiteral("disponivel")};
    QStringList list;
    for (const QString& item : value.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString state = plain(item);
        if (!known.contains(state))
            throw Exception(QStringLiteral("--states: status desconhecido '%1' (use emitido, "
                                           "cancelado, disponivel)")
                                .arg(VisibleText::of(item)));
        list << state;
    }
    return list;
}

int reconciliationIndex(const QString& value)
{
    const QString key = plain(value);
    if (key == QLatin1String("todos"))
        return 0;
    if (key == QLatin1String("compensado"))
        return 1;
    if (key == QLatin1String("nao-compensado"))
        return 2;
    throw Exception(QStringLiteral("--reconciliation: valor desconhecido '%1' (use todos, "
                                   "compensado ou nao-compensado)")
                        .arg(VisibleText::of(value)));
}

int reportIndex(const QString& value)
{
    bool ok = false;
    const int index = value.toInt(&ok);
    if (!ok || index < 0)
        throw Exception(
            QStringLiteral("--report: índice inválido '%1'").arg(VisibleText::of(value)));
    return index;
}

int threadCount(const QString& value)
{
    bool ok = false;
    const int threads = value.toInt(&ok);
    if (!ok || threads < 1 || threads > 64)
        throw Exception(
            QStringLiteral("--threads: número de threads inválido '%1' (de 1 a 64)").arg(value));
    return threads;
}

QList<QCommandLineOption> reportOptions()
{
    QList<QCommandLineOption> options;
    for (const char* name : {"report", "companies", "accounts", "emission-from", "emission-to",
                             "clearing-from", "clearing-to", "check-from", "check-to", "states",
                             "reconciliation", "filter", "output", "threads"})
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

ReportRequest ReportRequest::parse(const QStringList& args)
{
    CommandLine commandLine(reportOptions() + HostOptions::commandLineOptions());
    commandLine.parse(args);
    ReportRequest request;
    const auto given = [&commandLine](const char* name, auto read) {
        const QString option = QLatin1String(name);
        if (commandLine.isSet(option))
            read(QStringLiteral("--") + option, commandLine.value(option));
    };
    given("report", [&](const QString&, const QString& v) { request.report = reportIndex(v); });
    given("companies",
          [&](const QString& o, const QString& v) { request.companies = codes(o, v); });
    given("accounts", [&](const QString& o, const QString& v) { request.accounts = codes(o, v); });
    given("emission-from",
          [&](const QString& o, const QString& v) { request.emissionFrom = dateText(o, v); });
    given("emission-to",
          [&](const QString& o, const QString& v) { request.emissionTo = dateText(o, v); });
    given("clearing-from",
          [&](const QString& o, const QString& v) { request.clearingFrom = dateText(o, v); });
    given("clearing-to",
          [&](const QString& o, const QString& v) { request.clearingTo = dateText(o, v); });
    given("check-from",
          [&](const QString& o, const QString& v) { request.chequeFrom = chequeText(o, v); });
    given("check-to",
          [&](const QString& o, const QString& v) { request.chequeTo = chequeText(o, v); });
    given("states", [&](const QString&, const QString& v) { request.states = stateList(v); });
    given("reconciliation", [&](const QString&, const QString& v) {
        request.reconciliation = reconciliationIndex(v);
    });
    given("filter", [&](const QString&, const QString& v) { request.filter = v; });
    given("output", [&](const QString&, const QString& v) { request.output = v; });
    given("threads", [&](const QString&, const QString& v) {
        request.outputOptions.threads = threadCount(v);
    });
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
