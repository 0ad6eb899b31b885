// Times the report engine on a generated data set of a million checks: the report of about
// 100,000 rows written to PDF, against the same query run by itself and a bare QPainter loop
// drawing the same texts; and the time from IniProc to the shown, activated screen.
//
//   report_bench [--database FILE] [--rows N] [--runs R]
//
// Without --database it generates (once) a data set with klx-gendata beside this program.

#include "core/Dispatcher.h"
#include "core/Exceptions.h"
#include "core/LoginContext.h"
#include "core/ModuleLoader.h"
#include "core/TApplication.h"
#include "data/TParams.h"
#include "data/dtmDBGeral.h"
#include "form/TForm.h"
#include "report/ReportDefinition.h"
#include "report/ReportDocument.h"
#include "report/ReportFonts.h"
#include "report/ReportJob.h"
#include "report/ReportLayouter.h"
#include "report/ReportPainter.h"
#include "report/ReportProgress.h"
#include "report/ReportQuery.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

void say(const QString& text)
{
    std::printf("%s\n", qUtf8Printable(text));
    std::fflush(stdout);
}

QString number(double value, int decimals = 0)
{
    return QLocale(QLocale::Portuguese, QLocale::Brazil).toString(value, 'f', decimals);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

// Seconds of the fastest of the runs of the work.
double best(int runs, const std::function<void()>& work)
{
    double fastest = 1e30;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        fastest = std::min(fastest, clock.nsecsElapsed() / 1e9);
    }
    return fastest;
}

QString generate(const QString& path)
{
    if (QFileInfo::exists(path))
        return path;
    say(QStringLiteral("Gerando %1 com klx-gendata (1.000.000 de cheques)…").arg(path));
    QProcess gendata;
    gendata.setProcessChannelMode(QProcess::ForwardedChannels);
    gendata.start(QCoreApplication::applicationDirPath() + QStringLiteral("/klx-gendata"),
                  {QStringLiteral("--checks"), QStringLiteral("1000000"), path});
    if (!gendata.waitForFinished(-1) || gendata.exitCode() != 0)
        throw Exception(QStringLiteral("klx-gendata falhou"));
    return path;
}

// The first emission dates that together hold at least the rows.
QPair<QDate, QDate> emissionRangeFor(const QSqlDatabase& db, int rows)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT DTEMISSAO, COUNT(*) FROM CHEQUE GROUP BY DTEMISSAO "
                                   "ORDER BY DTEMISSAO")))
        throw Exception(query.lastError().text());
    QDate first;
    int total = 0;
    while (query.next()) {
        const QDate day = QDate::fromString(query.value(0).toString(), Qt::ISODate);
        if (!first.isValid())
            first = day;
        total += query.value(1).toInt();
        if (total >= rows)
            return {first, day};
    }
    throw Exception(QStringLiteral("o banco tem menos de %1 cheques").arg(rows));
}

// The parameters the screen binds for all companies, accounts and states in the range.
QHash<QString, QVariant> valuesFor(const ReportDefinition& report, const QPair<QDate, QDate>& range)
{
    TParams params(
        ReportDefinition::declaredParameters(report.sqlFor(DatabaseConfig::Engine::Sqlite)));
    const auto text = [&](const char* name, const QString& value) {
        if (TParam* p = params.FindParam(QLatin1String(name)))
            p->SetAsString(value);
    };
    for (const char* name : {"P_CDEMPRESA", "P_CDREDUCONT", "P_NRCHEQUEINI", "P_NRCHEQUEFIN",
                             "P_STATUS", "P_DTCOMPINI", "P_DTCOMPFIN"})
        text(name, QString());
    for (const char* name : {"P_TCDEMPRESA", "P_TCDREDUCONT", "P_TNRCHEQUE", "P_TDTCOMP"})
        text(name, QStringLiteral("T"));
    text("P_TSTATUS", QStringLiteral("TODOS"));
    params.ParamByName(QStringLiteral("P_DTINI"))->SetAsDateTime(DateTime::fromDate(range.first));
    params.ParamByName(QStringLiteral("P_DTFIN"))->SetAsDateTime(DateTime::fromDate(range.second));
    QHash<QString, QVariant> values;
    for (int i = 0; i < params.Count(); ++i)
        values.insert(params.Items(i)->Name(), params.Items(i)->toSqlValue());
    values.insert(QStringLiteral("P_CDOPERADOR"), QStringLiteral("ADM"));
    return values;
}

// The query alone, as any program would run it: every value of every row read.
int queryAlone(const QSqlDatabase& db, const QString& sql, const QHash<QString, QVariant>& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    query.prepare(sql);
    for (const QString& name : ReportDefinition::declaredParameters(sql))
        query.bindValue(QLatin1Char(':') + name, values.value(name));
    if (!query.exec())
        throw Exception(query.lastError().text());
    int rows = 0;
    const int columns = query.record().count();
    while (query.next()) {
        for (int c = 0; c < columns; ++c)
            query.value(c);
        ++rows;
    }
    return rows;
}

// The same texts at the same places, drawn with no engine around them.
void barePainter(const ReportDocument& document, const QString& path)
{
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
    QPainter painter(&writer);
    painter.setFont(ReportFonts::font(ReportFonts::Role::Body));
    const double scale = writer.logicalDpiY() / 72.0;
    const int perPage = static_cast<int>((document.pageSize.height() - document.bodyTop - 30) /
                                         ReportLayouter::detailHeight);
    for (int r = 0; r < document.rows.size(); ++r) {
        if (r > 0 && r % perPage == 0)
            writer.newPage();
        const double y =
            (document.bodyTop + (r % perPage + 1) * ReportLayouter::detailHeight) * scale;
        const QStringList& cells = document.rows.at(r);
        for (int c = 0; c < cells.size(); ++c)
            painter.drawText(QPointF((document.columnLeft.at(c) + 2) * scale, y), cells.at(c));
    }
}

// Milliseconds from IniProc to the screen shown and activated, its defaults set.
QList<double> screenOpenings(const QString& database, int runs)
{
    TdtmDBGeral module;
    dtmDBGeral = &module;
    DatabaseConfig config;
    config.path = database;
    module.open(config);
    LoginContext::SetBranch(QStringLiteral("01"));
    LoginContext::SetOperator(QStringLiteral("ADM"));
    TApplication application;
    QMainWindow window;
    auto* area = new QMdiArea;
    window.setCentralWidget(area);
    window.resize(1024, 700);
    application.SetMdiArea(area);
    window.show();
    window.activateWindow();
    QCoreApplication::processEvents();
    ModuleLoader screen(ModuleLoader::pathFor(QStringLiteral("PKG_KLX47306")));
    screen.load();
    bool* pending = static_cast<bool*>(screen.symbol("boPrimVez"));

    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        Dispatcher::run([&] { screen.call("IniProc"); });
        QMdiSubWindow* opened = nullptr;
        while (clock.elapsed() < 10000) {
            opened = area->activeSubWindow();
            if (opened && opened->isVisible() && !*pending)
                break;
            QCoreApplication::processEvents();
        }
        times << clock.nsecsElapsed() / 1e6;
        if (!opened)
            throw Exception(QStringLiteral("a tela não abriu"));
        opened->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    qDeleteAll(area->subWindowList());
    screen.unload();
    dtmDBGeral = nullptr;
    return times;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Mede o motor de relatórios."));
    parser.addHelpOption();
    const QCommandLineOption databaseOption(QStringLiteral("database"),
                                            QStringLiteral("Banco SQLite com os cheques."),
                                            QStringLiteral("FILE"));
    const QCommandLineOption rowsOption(QStringLiteral("rows"),
                                        QStringLiteral("Linhas do relatório (100000)."),
                                        QStringLiteral("N"), QStringLiteral("100000"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Repetições de cada medida (3)."),
                                        QStringLiteral("R"), QStringLiteral("3"));
    parser.addOptions({databaseOption, rowsOption, runsOption});
    parser.process(app);
    const int wantedRows = parser.value(rowsOption).toInt();
    const int runs = std::max(1, parser.value(runsOption).toInt());

    try {
        const QString database =
            parser.isSet(databaseOption)
                ? parser.value(databaseOption)
                : generate(QDir::tempPath() + QStringLiteral("/klx-bench-1m.sqlite"));
        TdtmDBGeral module;
        DatabaseConfig config;
        config.path = database;
        module.open(config);
        const QSqlDatabase db = module.database();
        QSqlQuery count(db);
        count.exec(QStringLiteral("SELECT COUNT(*) FROM CHEQUE"));
        count.next();
        const qint64 checks = count.value(0).toLongLong();

        const QString reports = QCoreApplication::applicationDirPath() + QStringLiteral("/reports");
        const ReportDefinition report =
            ReportDefinition::load(QDir(reports).filePath(QStringLiteral("KLX473-1-numero.rpt")));
        const auto range = emissionRangeFor(db, wantedRows);
        ReportJob::Request request;
        request.definition = report;
        request.source = {db.connectionName(), DatabaseConfig::Engine::Sqlite};
        request.values = valuesFor(report, range);
        request.header = {
            QStringLiteral("KLX47306"), QStringLiteral("KLX473"),     report.title, {},
            QStringLiteral("medição"),  QStringLiteral("15/03/2026"), QString(),    {}};
        const QString sql = report.sqlFor(DatabaseConfig::Engine::Sqlite);

        QTemporaryDir out;
        say(QStringLiteral("Banco: %1, %2 cheques. Relatório \"%3\", emissão de %4 a %5; %6 "
                           "execuções de cada medida, vale a mais rápida.")
                .arg(database, number(checks), report.title,
                     range.first.toString(QStringLiteral("dd/MM/yyyy")),
                     range.second.toString(QStringLiteral("dd/MM/yyyy")))
                .arg(runs));

        int rows = 0;
        const double query = best(runs, [&] { rows = queryAlone(db, sql, request.values); });

        ReportData data;
        ReportDocument document;
        ReportProgress progress;
        const double read = best(runs, [&] {
            data = ReportQuery::run(report, request.values, request.source, progress);
        });
        const double layout = best(runs, [&] {
            document = ReportLayouter::layout(report, data, request.header, progress);
        });
        const QString pdf = out.filePath(QStringLiteral("relatorio.pdf"));
        const double pages = best(runs, [&] { ReportPainter::writePdf(document, pdf, progress); });
        request.output = ReportJob::Output::Pdf;
        request.path = pdf;
        const double total = best(runs, [&] { ReportJob::runHere(request, progress); });
        const double bare = best(runs, [&] { barePainter(document, out.filePath("bare.pdf")); });

        const auto line = [&](const QString& what, double seconds, bool perRow = true) {
            say(QStringLiteral("  %1 %2 s %3")
                    .arg(what, -40)
                    .arg(number(seconds, 3), 8)
                    .arg(perRow ? QStringLiteral("%1 linhas/s").arg(number(rows / seconds), 10)
                                : QString()));
        };
        say(QStringLiteral("%1 linhas, %2 páginas, PDF de %3 MB")
                .arg(number(rows), number(document.pageCount()),
                     number(QFileInfo(pdf).size() / 1e6, 1)));
        line(QStringLiteral("consulta sozinha (QSqlQuery, lê tudo)"), query);
        line(QStringLiteral("relatório em PDF, tudo"), total);
        line(QStringLiteral("  consulta e leitura do motor"), read, false);
        line(QStringLiteral("  paginação"), layout, false);
        line(QStringLiteral("  páginas no PDF"), pages, false);
        line(QStringLiteral("QPainter puro, os mesmos textos em PDF"), bare);
        say(QStringLiteral("Razões: relatório/consulta %1x; relatório/QPainter puro %2x; "
                           "páginas do motor/QPainter puro %3x")
                .arg(number(total / query, 1), number(total / bare, 1), number(pages / bare, 1)));

        const QList<double> openings = screenOpenings(database, std::max(5, runs * 5));
        say(QStringLiteral(
                "IniProc até a tela mostrada e ativada: mediana %1 ms (mín. %2, máx. %3, "
                "%4 aberturas; a primeira %5 ms)")
                .arg(number(median(openings), 1),
                     number(*std::min_element(openings.begin(), openings.end()), 1),
                     number(*std::max_element(openings.begin(), openings.end()), 1))
                .arg(openings.size())
                .arg(number(openings.first(), 1)));
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "report_bench: %s\n", qUtf8Printable(e.Message()));
        return 1;
    } catch (const ReportProgress::Cancelled&) {
        return 1;
    }
}
