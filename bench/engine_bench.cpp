// Times report 1 on SQLite and on Firebird side by side, over the same generated million
// checks (one klx-gendata seed): the query by itself, and klx report writing the PDF end to
// end; for all accounts ("Todas") and for the 10,000 accounts picked in the list, which
// select the same rows. Firebird runs embedded and, when a server answers (tools/
// firebird-server.sh), over TCP.
//
//   engine_bench [--rows N] [--runs R] [--server HOST/PORT]

#include "BenchSupport.h"
#include "data/Dbgeral.h"
#include "data/FirebirdAddress.h"
#include "data/dtmDBGeral.h"
#include "report/engine/ReportDefinition.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>

using namespace Bench;

namespace {

struct Target {
    QString name;
    DatabaseConfig::Engine engine;
    QString path; // as klx --database takes it
};

struct Figures {
    int rows = 0;
    double queryAll = 0, queryList = 0, reportAll = 0, reportList = 0;
};

// What the screen binds for all companies and states in the range, with the accounts of the
// list or all of them, and what the engine adds.
QHash<QString, QVariant> screenValues(const std::pair<QDate, QDate>& range, const QString& accounts)
{
    const QString all = QStringLiteral("T");
    return {{QStringLiteral("P_CDEMPRESA"), QString()},
            {QStringLiteral("P_TCDEMPRESA"), all},
            {QStringLiteral("P_CDREDUCONT"), accounts},
            {QStringLiteral("P_TCDREDUCONT"), accounts.isEmpty() ? all : QString()},
            {QStringLiteral("P_NRCHEQUEINI"), QString()},
            {QStringLiteral("P_NRCHEQUEFIN"), QString()},
            {QStringLiteral("P_TNRCHEQUE"), all},
            {QStringLiteral("P_DTINI"), range.first.toString(Qt::ISODate)},
            {QStringLiteral("P_DTFIN"), range.second.toString(Qt::ISODate)},
            {QStringLiteral("P_STATUS"), QString()},
            {QStringLiteral("P_TSTATUS"), QStringLiteral("TODOS")},
            {QStringLiteral("P_DTCOMPINI"), QString()},
            {QStringLiteral("P_DTCOMPFIN"), QString()},
            {QStringLiteral("P_TDTCOMP"), all},
            {QStringLiteral("P_DTPROC"), QStringLiteral("2026-03-31")},
            {QStringLiteral("P_CDOPERADOR"), QStringLiteral("ADM")}};
}

Figures measure(const Target& target, const ReportDefinition& report,
                const std::pair<QDate, QDate>& range, const QStringList& accounts, int runs,
                const QString& work)
{
    Figures figures;
    const QString list = Dbgeral::codeList(accounts);
    {
        TdtmDBGeral module;
        DatabaseConfig config;
        config.engine = target.engine;
        config.path = target.path;
        module.open(config);
        const QString sql = report.sqlFor(target.engine);
        int listed = 0;
        figures.queryAll = fastest(runs, [&] {
            figures.rows = queryAlone(module.database(), sql, screenValues(range, QString()));
        });
        figures.queryList = fastest(
            runs, [&] { listed = queryAlone(module.database(), sql, screenValues(range, list)); });
        if (listed != figures.rows)
            throw Exception(QStringLiteral("%1: %2 linhas com a lista, %3 com \"Todas\"")
                                .arg(target.name)
                                .arg(listed)
                                .arg(figures.rows));
    }
    // The embedded engine opens a file for one process at a time: klx runs after the
    // connection above is closed.
    const QStringList args{QStringLiteral("--db"),
                           target.engine == DatabaseConfig::Engine::Sqlite
                               ? QStringLiteral("sqlite")
                               : QStringLiteral("firebird"),
                           QStringLiteral("--database"),
                           target.path,
                           QStringLiteral("--report"),
                           QStringLiteral("1"),
                           QStringLiteral("--emission-from"),
                           range.first.toString(Qt::ISODate),
                           QStringLiteral("--emission-to"),
                           range.second.toString(Qt::ISODate),
                           QStringLiteral("--output"),
                           work + QStringLiteral("/relatorio.pdf")};
    const auto runReport = [&](const QStringList& extra) {
        if (!klxReport(args + extra, work))
            throw Exception(QStringLiteral("klx report falhou em %1").arg(target.name));
    };
    figures.reportAll = fastest(runs, [&] { runReport({}); });
    figures.reportList = fastest(runs, [&] {
        runReport({QStringLiteral("--accounts"), accounts.join(QLatin1Char(','))});
    });
    return figures;
}

QString seconds(double value)
{
    return figure(value) + QStringLiteral(" s");
}

void row(const QString& label, const QStringList& cells)
{
    QString line = label.leftJustified(44);
    for (const QString& cell : cells)
        line += cell.rightJustified(14);
    print(line);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Relatório 1 em SQLite e em Firebird, lado a lado."));
    parser.addHelpOption();
    const QCommandLineOption rowsOption(QStringLiteral("rows"),
                                        QStringLiteral("Linhas do relatório (100000)."),
                                        QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Execuções de cada medida (3)."),
                                        QStringLiteral("R"), QStringLiteral("3"));
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("Servidor Firebird (127.0.0.1/3057)."),
        QStringLiteral("HOST/PORTA"), QStringLiteral("127.0.0.1/3057"));
    parser.addOptions({rowsOption, runsOption, serverOption});
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    try {
        const QString sqlitePath = QStringLiteral("/tmp/klx-bench-1m.sqlite");
        const QString firebirdPath = QStringLiteral("/tmp/klx-bench-1m.fdb");
        generateOnce(sqlitePath, QStringLiteral("sqlite"), 1000000);
        generateOnce(firebirdPath, QStringLiteral("firebird"), 1000000);
        QList<Target> targets{
            {QStringLiteral("SQLite"), DatabaseConfig::Engine::Sqlite, sqlitePath},
            {QStringLiteral("Firebird"), DatabaseConfig::Engine::Firebird, firebirdPath}};
        const QString server = parser.value(serverOption);
        try {
            FirebirdAddress::requireReachable(
                *FirebirdAddress::serverOf(server + QStringLiteral(":/")), 2000);
            targets << Target{QStringLiteral("Firebird/TCP"), DatabaseConfig::Engine::Firebird,
                              server + QLatin1Char(':') + firebirdPath};
        } catch (const Exception&) {
            print(QStringLiteral("Sem servidor Firebird em %1 (tools/firebird-server.sh start): "
                                 "só o Firebird embutido.")
                      .arg(server));
        }

        std::pair<QDate, QDate> range;
        QStringList accounts;
        {
            TdtmDBGeral module;
            DatabaseConfig config;
            config.path = sqlitePath;
            module.open(config);
            range = emissionRangeHolding(module.database(), parser.value(rowsOption).toInt());
            accounts = accountCodes(module.database());
        }
        const ReportDefinition report =
            ReportDefinition::load(sibling(QStringLiteral("reports/KLX473-1-numero.rpt")));
        QTemporaryDir work;

        QList<Figures> figures;
        for (const Target& target : std::as_const(targets))
            figures << measure(target, report, range, accounts, runs, work.path());

        print(QStringLiteral("Relatório 1 (%1), emissão de %2 a %3: %4 cheques de 1.000.000; "
                             "%5 contas na lista; a mais rápida de %6 execuções.")
                  .arg(report.title, range.first.toString(QStringLiteral("dd/MM/yyyy")),
                       range.second.toString(QStringLiteral("dd/MM/yyyy")),
                       figure(figures.first().rows, 0), figure(accounts.size(), 0))
                  .arg(runs));
        QStringList names;
        for (const Target& target : std::as_const(targets))
            names << target.name;
        row(QString(), names);
        const auto line = [&](const QString& label,
                              const std::function<QString(const Figures&)>& cell) {
            QStringList cells;
            for (const Figures& f : std::as_const(figures))
                cells << cell(f);
            row(label, cells);
        };
        line(QStringLiteral("consulta sozinha, \"Todas\""),
             [](const Figures& f) { return seconds(f.queryAll); });
        line(QStringLiteral("consulta sozinha, 10.000 contas na lista"),
             [](const Figures& f) { return seconds(f.queryList); });
        line(QStringLiteral("  lista / \"Todas\""),
             [](const Figures& f) { return ratio(f.queryList, f.queryAll); });
        line(QStringLiteral("klx report → PDF, \"Todas\""),
             [](const Figures& f) { return seconds(f.reportAll); });
        line(QStringLiteral("klx report → PDF, 10.000 contas na lista"),
             [](const Figures& f) { return seconds(f.reportList); });
        line(QStringLiteral("  lista / \"Todas\" (meta ≤ 1,30×)"),
             [](const Figures& f) { return ratio(f.reportList, f.reportAll); });
        const Figures& sqlite = figures.first();
        line(QStringLiteral("consulta sozinha / SQLite"),
             [&](const Figures& f) { return ratio(f.queryAll, sqlite.queryAll); });
        line(QStringLiteral("klx report → PDF / SQLite (meta ≤ 1,50×)"),
             [&](const Figures& f) { return ratio(f.reportAll, sqlite.reportAll); });
    } catch (const Exception& error) {
        print(QStringLiteral("engine_bench: %1").arg(error.Message()));
        return 1;
    }
    return 0;
}
