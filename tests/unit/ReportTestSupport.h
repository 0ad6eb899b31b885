#pragma once

// Helpers shared by the report tests: the demo database, the report definitions of the
// source tree, the criteria as the screen binds them, and a report run in the test thread.

#include "base/DateTime.h"
#include "data/TParams.h"
#include "data/dtmDBGeral.h"
#include "report/engine/ReportCatalog.h"
#include "report/engine/ReportPageStretch.h"
#include "report/engine/ReportPromiseProgress.h"
#include "report/engine/ReportQuery.h"
#include "report/output/ReportJob.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <memory>

namespace ReportTest {

inline QString sourceReports()
{
    return QStringLiteral(KLX_SOURCE_DIR "/reports");
}

inline ReportDefinition definition(int index)
{
    const QStringList files =
        QDir(sourceReports()).entryList({QStringLiteral("KLX473-%1-*.rpt").arg(index)});
    if (files.size() != 1)
        qFatal("no single definition of report %d", index);
    return ReportDefinition::load(QDir(sourceReports()).filePath(files.first()));
}

// The definitions the catalog ships, in list order: a report's index is its place here.
inline QList<ReportDefinition> shippedDefinitions()
{
    const QString directory = ReportCatalog::directory();
    ReportCatalog::setDirectory(sourceReports());
    QList<ReportDefinition> definitions;
    for (const ReportCatalog::Entry& entry : ReportCatalog::load(QStringLiteral("KLX473"))) {
        if (ReportCatalog::isUsersOwn(entry.filePath))
            continue;
        if (entry.broken())
            qFatal("%s", qPrintable(entry.error));
        // The list reads a file's header only.
        definitions << ReportDefinition::load(entry.filePath);
    }
    ReportCatalog::setDirectory(directory);
    return definitions;
}

inline TDateTime day(int year, int month, int dayOfMonth)
{
    return DateTime::fromDate(QDate(year, month, dayOfMonth));
}

// The criteria of the screen, bound into a query's parameters the way the screen binds them.
struct Criteria {
    QString companies; // empty: all
    QString accounts;  // empty: all
    QString chequeFrom, chequeTo;
    std::optional<TDateTime> emissionFrom = day(2026, 3, 15), emissionTo = day(2026, 3, 15);
    std::optional<QString> states = QString(); // "" all; "_0_1" a list; nullopt unassigned
    int reconciliation = 0;
    TDateTime clearingFrom = 0, clearingTo = 0;
    // Bound by the engine, not the screen: the operator whose companies the report shows.
    QString operatorCode = QStringLiteral("ADM");

    std::unique_ptr<TParams> bind(const QStringList& names) const
    {
        auto params = std::make_unique<TParams>(names);
        const auto set = [&](const char* name, const std::function<void(TParam*)>& assign) {
            if (TParam* p = params->FindParam(QLatin1String(name)))
                assign(p);
        };
        const auto text = [&](const char* name, const QString& value) {
            set(name, [&](TParam* p) { p->SetAsString(value); });
        };
        text("P_CDEMPRESA", companies);
        text("P_TCDEMPRESA", companies.isEmpty() ? QStringLiteral("T") : QString());
        text("P_CDREDUCONT", accounts);
        text("P_TCDREDUCONT", accounts.isEmpty() ? QStringLiteral("T") : QString());
        const bool numbers = !chequeFrom.isEmpty() && !chequeTo.isEmpty();
        text("P_NRCHEQUEINI", numbers ? chequeFrom : QString());
        text("P_NRCHEQUEFIN", numbers ? chequeTo : QString());
        text("P_TNRCHEQUE", numbers ? QString() : QStringLiteral("T"));
        if (emissionFrom)
            set("P_DTINI", [&](TParam* p) { p->SetAsDateTime(*emissionFrom); });
        if (emissionTo)
            set("P_DTFIN", [&](TParam* p) { p->SetAsDateTime(*emissionTo); });
        if (states) {
            text("P_STATUS", *states);
            text("P_TSTATUS", states->isEmpty() ? QStringLiteral("TODOS") : QString());
        }
        set("P_IDCOMPENSADO", [&](TParam* p) { p->SetAsInteger(reconciliation); });
        const bool clearing = clearingFrom != 0 && clearingTo != 0;
        if (clearing) {
            set("P_DTCOMPINI", [&](TParam* p) { p->SetAsDateTime(clearingFrom); });
            set("P_DTCOMPFIN", [&](TParam* p) { p->SetAsDateTime(clearingTo); });
        } else {
            text("P_DTCOMPINI", QString());
            text("P_DTCOMPFIN", QString());
        }
        text("P_TDTCOMP", clearing ? QString() : QStringLiteral("T"));
        return params;
    }
};

// A laid-out report read back whole: its frame and all its pages.
struct WholeReport : ReportFrame, ReportPageStretch {};

// The request the screen makes for the report with the criteria, on the module's connection.
inline ReportJob::Request requestFor(const ReportDefinition& report, const Criteria& criteria,
                                     TdtmDBGeral& module)
{
    ReportJob::Request request;
    request.definition = report;
    request.source = ReportQuery::sourceOf(module);
    const auto params =
        criteria.bind(ReportDefinition::declaredParameters(report.sqlFor(module.config().engine)));
    for (int i = 0; i < params->Count(); ++i)
        request.values.insert(params->Items(i)->Name(), params->Items(i)->toSqlValue());
    request.values.insert(QStringLiteral("P_DTPROC"), QStringLiteral("2026-03-15"));
    request.values.insert(QStringLiteral("P_CDOPERADOR"), criteria.operatorCode);
    request.header = {QStringLiteral("KLX47306"),
                      QStringLiteral("KLX473"),
                      report.title,
                      {},
                      QStringLiteral("teste"),
                      QStringLiteral("15/03/2026"),
                      QStringLiteral("Nenhum cheque atende aos critérios."),
                      {{QStringLiteral("Critérios"), QStringLiteral("teste")}},
                      criteria.operatorCode,
                      QStringLiteral("15/03/2026 10:30")};
    return request;
}

// Runs the request in the test thread; the pages read back, but for a file that took the
// rows as they passed (a CSV), whose pages are only counted.
inline WholeReport run(const ReportJob::Request& request)
{
    QPromise<void> promise;
    ReportPromiseProgress progress(promise);
    const auto pages = ReportJob::runHere(request, progress);
    return {pages->frame(), pages->pages(0, pages->pageCount() - 1)};
}

// Runs a report in the test thread on the module's connection, writing the file when given.
inline WholeReport run(const ReportDefinition& report, const Criteria& criteria,
                       TdtmDBGeral& module, const QString& path = QString(),
                       const ReportOutput::Options& options = {})
{
    ReportJob::Request request = requestFor(report, criteria, module);
    request.path = path;
    request.options = options;
    return run(request);
}

// The Firebird demo database in the directory; nullptr without the Qt driver.
inline std::unique_ptr<TdtmDBGeral> openFirebird(const QTemporaryDir& dir)
{
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
        return nullptr;
    auto module = std::make_unique<TdtmDBGeral>();
    DatabaseConfig config;
    config.engine = DatabaseConfig::Engine::Firebird;
    config.path = dir.filePath(QStringLiteral("demo.fdb"));
    config.createWithDemoData = true;
    config.user = QStringLiteral("ADM");
    module->open(config);
    return module;
}

inline std::unique_ptr<TdtmDBGeral> openSqlite(const QString& path)
{
    auto module = std::make_unique<TdtmDBGeral>();
    DatabaseConfig config;
    config.path = path;
    config.createWithDemoData = true;
    config.user = QStringLiteral("ADM");
    module->open(config);
    return module;
}

} // namespace ReportTest
