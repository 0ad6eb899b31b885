// Times the report engine side by side on generated data sets: the six reports at about
// 10,000, 100,000 and 1,000,000 rows written to PDF, CSV and XLSX and previewed, each against
// the same query run by itself and against bare QPainter drawing of the same texts, with the
// peak memory of each; a report over a list of 10,000 picked accounts against "Todas"; the
// account picker's figures; and the time from IniProc to the shown, activated screen.
//
//   report_bench [--database FILE] [--engines sqlite,firebird] [--sizes 10000,100000,1000000]
//                [--firebird-sizes LIST] [--reports 0,1,2,3,4,5] [--runs R]
//
// Each measure runs in a process of its own (this program, with --measure), so that its peak
// memory is its own. Without --database it generates (once) a data set of a million checks
// with klx-gendata beside this program.

#include "BenchSupport.h"
#include "base/Dispatcher.h"
#include "base/Exceptions.h"
#include "base/ModuleLoader.h"
#include "data/Dbgeral.h"
#include "data/LoginContext.h"
#include "data/TParams.h"
#include "data/dtmDBGeral.h"
#include "form/ScreenDescription.h"
#include "form/TApplication.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportFrameLayout.h"
#include "report/engine/ReportPromiseProgress.h"
#include "report/output/ReportJob.h"
#include "report/ui/ReportPageView.h"
#include "report/ui/ReportPreviewDialog.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace Bench;

namespace {

// The peak resident memory of this process, in MB.
double peakMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    static const QRegularExpression peak(QStringLiteral("VmHWM:\\s*(\\d+)\\s*kB"));
    return peak.match(QString::fromLatin1(status.readAll())).captured(1).toDouble() / 1024;
}

// Opens the data set on its engine.
void open(TdtmDBGeral& module, DatabaseConfig::Engine engine, const QString& database)
{
    DatabaseConfig config;
    config.engine = engine;
    config.path = database;
    module.open(config);
}

// The Firebird data set of a million checks, generated once by klx-gendata where the Qt
// driver is there; empty, with a note, where it cannot be made.
QString firebirdDatabase()
{
    const QString path = QDir::tempPath() + QStringLiteral("/klx-bench-1m.fdb");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE"))) {
        print(QStringLiteral("Não medido: falta o driver Firebird do Qt (libqt6sql6-ibase)."));
        return QString();
    }
    try {
        generateOnce(path, QStringLiteral("firebird"), 1000000);
    } catch (const Exception& e) {
        print(QStringLiteral("Não medido: %1.").arg(e.Message()));
        return QString();
    }
    return path;
}

ReportDefinition reportDefinition(int index)
{
    const QDir reports(QCoreApplication::applicationDirPath() + QStringLiteral("/reports"));
    const QStringList files = reports.entryList({QStringLiteral("KLX473-%1-*.rpt").arg(index)});
    if (files.size() != 1)
        throw Exception(
            QStringLiteral("relatório %1 não encontrado em %2").arg(index).arg(reports.path()));
    return ReportDefinition::load(reports.filePath(files.first()));
}

// What one measure works on: a report over the checks issued in a range, for all companies,
// accounts and states (or the accounts listed).
struct Case {
    DatabaseConfig::Engine engine = DatabaseConfig::Engine::Sqlite;
    QString database;
    int report = 1;
    int rows = 100000;
    QStringList accounts;
};

// The request the screen would make for the case: every parameter bound as the screen binds
// it, the operator ADM.
ReportJob::Request requestFor(const Case& c, const QSqlDatabase& db)
{
    const ReportDefinition report = reportDefinition(c.report);
    const auto range = emissionRangeHolding(db, c.rows);
    TParams params(ReportDefinition::declaredParameters(report.sqlFor(c.engine)));
    const auto text = [&](const char* name, const QString& value) {
        if (TParam* p = params.FindParam(QLatin1String(name)))
            p->SetAsString(value);
    };
    for (const char* name : {"P_CDEMPRESA", "P_NRCHEQUEINI", "P_NRCHEQUEFIN", "P_STATUS",
                             "P_DTCOMPINI", "P_DTCOMPFIN"})
        text(name, QString());
    for (const char* name : {"P_TCDEMPRESA", "P_TNRCHEQUE", "P_TDTCOMP"})
        text(name, QStringLiteral("T"));
    text("P_CDREDUCONT", c.accounts.isEmpty() ? QString() : Dbgeral::codeList(c.accounts));
    text("P_TCDREDUCONT", c.accounts.isEmpty() ? QStringLiteral("T") : QString());
    text("P_TSTATUS", QStringLiteral("TODOS"));
    text("P_CDOPERADOR", QStringLiteral("ADM"));
    if (TParam* p = params.FindParam(QStringLiteral("P_IDCOMPENSADO")))
        p->SetAsInteger(0);
    for (const auto& [name, day] : {std::pair{"P_DTINI", range.first}, {"P_DTFIN", range.second}})
        if (TParam* p = params.FindParam(QLatin1String(name)))
            p->SetAsDateTime(DateTime::fromDate(day));
    ReportJob::Request request;
    request.definition = report;
    request.source = {db.connectionName(), c.engine};
    for (int i = 0; i < params.Count(); ++i)
        request.values.insert(params.Items(i)->Name(), params.Items(i)->toSqlValue());
    request.values.insert(QStringLiteral("P_DTPROC"), QStringLiteral("2026-03-15"));
    request.header = {QStringLiteral("KLX47306"),
                      QStringLiteral("KLX473"),
                      report.title,
                      {},
                      QStringLiteral("medição"),
                      QStringLiteral("15/03/2026"),
                      QStringLiteral("Nenhum cheque atende aos critérios."),
                      {{QStringLiteral("Critérios"), QStringLiteral("medição")}},
                      QStringLiteral("ADM"),
                      QStringLiteral("15/03/2026 10:30")};
    return request;
}

// A text of a page, where the engine puts it (its left edge; no measuring, no alignment).
struct PlacedText {
    ReportFonts::Role role;
    QPointF at;
    QString text;
};

// Every text of the page, and the rules under the header and the totals.
void pageTexts(const ReportFrame& document, const ReportPageStretch& stretch, int page,
               QVector<PlacedText>& texts, QVector<double>& rules)
{
    using Role = ReportFonts::Role;
    using Kind = ReportPiece::Kind;
    const double left = document.margins.left();
    double y = document.margins.top() + 12;
    texts.append({Role::Small, {left, y}, document.header.screenCode});
    texts.append({Role::Small,
                  {document.pageSize.width() - 100, y},
                  QStringLiteral("Página %1 de %2").arg(page + 1).arg(stretch.pageCount())});
    for (const QString& line : document.titleLines)
        texts.append({Role::Title, {left + document.titleSide, y}, line});
    y = document.margins.top() + document.titleHeight;
    for (const QStringList* lines :
         {&document.subtitleLines, &document.companyLines, &document.criteriaLines})
        for (const QString& line : *lines)
            texts.append({Role::Small, {left, y += ReportFrameLayout::headerLineHeight}, line});
    for (int c = 0; c < document.labels.size(); ++c)
        texts.append({Role::Bold, {document.columnLeft.at(c), y + 12}, document.labels.at(c)});
    rules << y + 2 << y + 17;
    for (const ReportPageStretch::Line& line : stretch.page(page).lines) {
        const double base = line.y + 8;
        switch (line.kind) {
        case Kind::Detail:
            for (int c = 0; c < document.labels.size(); ++c)
                texts.append({Role::Body,
                              {document.columnLeft.at(c), base},
                              stretch.rows.at(line.index).at(c)});
            break;
        case Kind::GroupHeading:
            texts.append({Role::Bold, {left, base}, stretch.headings.at(line.index)});
            break;
        case Kind::StateSummary:
            texts.append({Role::Small, {left + 10, base}, stretch.notes.at(line.index)});
            break;
        case Kind::Note:
        case Kind::Signature:
            texts.append({Role::Small, {left, base}, stretch.notes.at(line.index)});
            break;
        case Kind::Subtotal:
        case Kind::GrandTotal:
        case Kind::CarriedOut:
        case Kind::CarriedIn:
        case Kind::TableHeading:
        case Kind::TableRow:
        case Kind::TableTotal: {
            const ReportPageStretch::Total& total = stretch.totals.at(line.index);
            texts.append({Role::Bold, {left, base}, total.label});
            for (int c = 0; c < total.cells.size(); ++c)
                texts.append({Role::Bold, {document.columnLeft.at(c), base}, total.cells.at(c)});
            rules << line.y + 1;
            break;
        }
        case Kind::Empty:
            texts.append({Role::Body, {left, base}, document.header.emptyText});
            break;
        }
    }
}

// The pages' texts and rules drawn with no engine around them, one font change per role
// change: the limit on this stack for these pages.
void barePainter(const ReportPages& pages, const QVector<QVector<PlacedText>>& texts,
                 const QVector<QVector<double>>& rules, const QString& path)
{
    const ReportFrame& frame = pages.frame();
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4),
                    frame.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
    QPainter painter(&writer);
    QFont fonts[4];
    for (ReportFonts::Role role : {ReportFonts::Role::Body, ReportFonts::Role::Bold,
                                   ReportFonts::Role::Title, ReportFonts::Role::Small})
        fonts[static_cast<int>(role)] = ReportFonts::font(role);
    const double scale = writer.logicalDpiY() / 72.0;
    const double right = frame.pageSize.width() - frame.margins.right();
    for (int page = 0; page < texts.size(); ++page) {
        if (page > 0)
            writer.newPage();
        int current = -1;
        for (const PlacedText& text : texts.at(page)) {
            if (text.text.isEmpty())
                continue;
            if (static_cast<int>(text.role) != current) {
                current = static_cast<int>(text.role);
                painter.setFont(fonts[current]);
            }
            painter.drawText(text.at * scale, text.text);
        }
        for (double y : rules.at(page))
            painter.drawLine(QPointF(frame.margins.left() * scale, y * scale),
                             QPointF(right * scale, y * scale));
    }
}

// One measure in this process: prints "seconds peak-MB rows pages".
int measure(const QString& what, const Case& c)
{
    TdtmDBGeral module;
    open(module, c.engine, c.database);
    const QSqlDatabase db = module.database();
    ReportJob::Request request = requestFor(c, db);
    QTemporaryDir out;
    QPromise<void> promise;
    ReportPromiseProgress progress(promise);
    QElapsedTimer clock;
    int rows = 0;
    int pages = 0;
    if (what == QLatin1String("query")) {
        clock.start();
        rows = queryAlone(db, request.definition.sqlFor(c.engine), request.values);
    } else if (what == QLatin1String("bare")) {
        // The pages laid out and their texts read before the clock starts.
        const auto laidOut = ReportJob::runHere(request, progress);
        QVector<QVector<PlacedText>> texts(laidOut->pageCount());
        QVector<QVector<double>> rules(laidOut->pageCount());
        for (int page = 0; page < laidOut->pageCount(); ++page)
            pageTexts(laidOut->frame(), laidOut->page(page), page, texts[page], rules[page]);
        clock.start();
        barePainter(*laidOut, texts, rules, out.filePath(QStringLiteral("bare.pdf")));
        rows = laidOut->rowCount();
        pages = laidOut->pageCount();
    } else if (what == QLatin1String("preview")) {
        clock.start();
        const auto result = ReportJob::runHere(request, progress);
        ReportPreviewDialog preview(
            result, [] {}, [] {});
        preview.show();
        for (int page : {result->pageCount() - 1, result->pageCount() / 2, 0}) {
            preview.showPage(page);
            QCoreApplication::processEvents();
        }
        rows = result->rowCount();
        pages = result->pageCount();
    } else {
        // "pdf", "csv" or "xlsx": the file's kind.
        request.path = out.filePath(QStringLiteral("r.") + what);
        clock.start();
        const auto result = ReportJob::runHere(request, progress);
        rows = result->rowCount();
        pages = result->pageCount();
    }
    std::printf("%.4f %.1f %d %d\n", clock.nsecsElapsed() / 1e9, peakMegabytes(), rows, pages);
    return 0;
}

// A measure's figures, from its own process.
struct Figures {
    double seconds = 0;
    double megabytes = 0;
    int rows = 0;
    int pages = 0;
};

// The fastest of the runs of a measure, each in a process of its own.
Figures measured(const QString& what, const Case& c, int runs)
{
    Figures best;
    for (int run = 0; run < runs; ++run) {
        QProcess child;
        QStringList args{QStringLiteral("--measure"),  what,
                         QStringLiteral("--database"), c.database,
                         QStringLiteral("--report"),   QString::number(c.report),
                         QStringLiteral("--rows"),     QString::number(c.rows)};
        if (!c.accounts.isEmpty())
            args << QStringLiteral("--all-accounts");
        if (c.engine == DatabaseConfig::Engine::Firebird)
            args << QStringLiteral("--engine") << QStringLiteral("firebird");
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), args);
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            throw Exception(
                QStringLiteral("a medida %1 do relatório %2 falhou").arg(what).arg(c.report));
        const QStringList parts =
            QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        const Figures figures{parts.value(0).toDouble(), parts.value(1).toDouble(),
                              parts.value(2).toInt(), parts.value(3).toInt()};
        if (run == 0 || figures.seconds < best.seconds)
            best = figures;
    }
    return best;
}

QStringList accountsOf(const QString& database)
{
    TdtmDBGeral module;
    open(module, DatabaseConfig::Engine::Sqlite, database);
    return accountCodes(module.database());
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
    const QString pendingName =
        ScreenDescription::read(screen).variableIn(ScreenRole::defaultsPending);
    bool* pending = static_cast<bool*>(screen.symbol(pendingName.toUtf8().constData()));

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

QList<int> numbers(const QString& list)
{
    QList<int> values;
    for (const QString& part : list.split(QLatin1Char(','), Qt::SkipEmptyParts))
        values << part.trimmed().toInt();
    return values;
}

QString ratio(double value)
{
    return figure(value, 2) + QLatin1Char('x');
}

// The seconds of each report to PDF, by report and size.
using PdfSeconds = QMap<QPair<int, int>, double>;

// The whole story for a data set: every report at every size; the PDF times.
PdfSeconds table(DatabaseConfig::Engine engine, const QString& database, const QList<int>& sizes,
                 const QList<int>& reports, int runs)
{
    PdfSeconds seconds;
    print(QStringLiteral("| relatório | linhas | páginas | consulta s | QPainter puro s | PDF s | "
                         "PDF MB | CSV s | CSV MB | XLSX s | XLSX MB | visualização s | "
                         "visualização MB | PDF/consulta | PDF/(consulta+QPainter) | "
                         "PDF/QPainter |"));
    print(QStringLiteral(
        "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|"));
    for (int size : sizes) {
        for (int report : reports) {
            const Case c{engine, database, report, size, {}};
            const Figures query = measured(QStringLiteral("query"), c, runs);
            const Figures bare = measured(QStringLiteral("bare"), c, runs);
            const Figures pdf = measured(QStringLiteral("pdf"), c, runs);
            const Figures csv = measured(QStringLiteral("csv"), c, runs);
            const Figures xlsx = measured(QStringLiteral("xlsx"), c, runs);
            const Figures preview = measured(QStringLiteral("preview"), c, 1);
            print(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 | %11 | %12 | "
                                 "%13 | %14 | %15 | %16 |")
                      .arg(report)
                      .arg(figure(pdf.rows, 0), figure(pdf.pages, 0), figure(query.seconds, 2),
                           figure(bare.seconds, 2), figure(pdf.seconds, 2),
                           figure(pdf.megabytes, 0), figure(csv.seconds, 2))
                      .arg(figure(csv.megabytes, 0), figure(xlsx.seconds, 2),
                           figure(xlsx.megabytes, 0), figure(preview.seconds, 2),
                           figure(preview.megabytes, 0), ratio(pdf.seconds / query.seconds),
                           ratio(pdf.seconds / (query.seconds + bare.seconds)),
                           ratio(pdf.seconds / bare.seconds)));
            seconds.insert({report, size}, pdf.seconds);
        }
    }
    return seconds;
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
    const QCommandLineOption enginesOption(
        QStringLiteral("engines"), QStringLiteral("Bancos medidos (sqlite,firebird)."),
        QStringLiteral("LIST"), QStringLiteral("sqlite,firebird"));
    const QCommandLineOption sizesOption(
        QStringLiteral("sizes"), QStringLiteral("Linhas dos relatórios."), QStringLiteral("LIST"),
        QStringLiteral("10000,100000,1000000"));
    const QCommandLineOption firebirdSizesOption(
        QStringLiteral("firebird-sizes"), QStringLiteral("Linhas dos relatórios no Firebird."),
        QStringLiteral("LIST"), QStringLiteral("10000,100000,1000000"));
    const QCommandLineOption reportsOption(QStringLiteral("reports"),
                                           QStringLiteral("Relatórios medidos."),
                                           QStringLiteral("LIST"), QStringLiteral("0,1,2,3,4,5"));
    const QCommandLineOption runsOption(QStringLiteral("runs"),
                                        QStringLiteral("Repetições de cada medida (1)."),
                                        QStringLiteral("R"), QStringLiteral("1"));
    // One measure in a process of its own.
    QCommandLineOption measureOption(QStringLiteral("measure"), QString(), QStringLiteral("WHAT"));
    QCommandLineOption engineOption(QStringLiteral("engine"), QString(), QStringLiteral("ENGINE"));
    QCommandLineOption reportOption(QStringLiteral("report"), QString(), QStringLiteral("N"));
    QCommandLineOption rowsOption(QStringLiteral("rows"), QString(), QStringLiteral("N"));
    QCommandLineOption allAccountsOption(QStringLiteral("all-accounts"), QString());
    for (QCommandLineOption* hidden :
         {&measureOption, &engineOption, &reportOption, &rowsOption, &allAccountsOption})
        hidden->setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({databaseOption, enginesOption, sizesOption, firebirdSizesOption,
                       reportsOption, runsOption, measureOption, engineOption, reportOption,
                       rowsOption, allAccountsOption});
    parser.process(app);
    const int runs = std::max(1, parser.value(runsOption).toInt());

    try {
        QString database = parser.value(databaseOption);
        if (!parser.isSet(databaseOption)) {
            database = QDir::tempPath() + QStringLiteral("/klx-bench-1m.sqlite");
            generateOnce(database, QStringLiteral("sqlite"), 1000000);
        }
        if (parser.isSet(measureOption)) {
            Case c{parser.value(engineOption) == QLatin1String("firebird")
                       ? DatabaseConfig::Engine::Firebird
                       : DatabaseConfig::Engine::Sqlite,
                   parser.value(databaseOption),
                   parser.value(reportOption).toInt(),
                   parser.value(rowsOption).toInt(),
                   {}};
            if (parser.isSet(allAccountsOption))
                c.accounts = accountsOf(database);
            return measure(parser.value(measureOption), c);
        }
        const QList<int> sizes = numbers(parser.value(sizesOption));
        const QList<int> reports = numbers(parser.value(reportsOption));
        const QStringList engines =
            parser.value(enginesOption).toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);

        print(
            QStringLiteral("Banco SQLite: %1. Cada medida num processo próprio (memória de pico "
                           "dele), a mais rápida de %2 execução(ões); \"consulta\" é a consulta "
                           "lendo todos os valores, \"QPainter puro\" os mesmos textos das mesmas "
                           "páginas (linhas, cabeçalhos, totais) num PDF, sem o motor.")
                .arg(database)
                .arg(runs));
        PdfSeconds sqlite;
        if (engines.contains(QLatin1String("sqlite"))) {
            print(QStringLiteral("\n## SQLite"));
            sqlite = table(DatabaseConfig::Engine::Sqlite, database, sizes, reports, runs);
        }
        if (engines.contains(QLatin1String("firebird"))) {
            print(QStringLiteral("\n## Firebird"));
            const QString firebird = firebirdDatabase();
            PdfSeconds fb;
            try {
                if (!firebird.isEmpty())
                    fb = table(DatabaseConfig::Engine::Firebird, firebird,
                               numbers(parser.value(firebirdSizesOption)), reports, runs);
            } catch (const Exception& e) {
                print(QStringLiteral("Interrompido: %1").arg(e.Message()));
            }
            for (auto it = fb.cbegin(); it != fb.cend(); ++it)
                if (sqlite.contains(it.key()))
                    print(QStringLiteral("Relatório %1, %2 linhas pedidas, PDF: Firebird/SQLite %3")
                              .arg(it.key().first)
                              .arg(figure(it.key().second, 0))
                              .arg(ratio(it.value() / sqlite.value(it.key()))));
        }

        // The same report over the whole list of accounts, picked one by one, and "Todas".
        // The smallest size: the list is tested against every row.
        const int listRows = *std::min_element(sizes.begin(), sizes.end());
        const QStringList accounts = accountsOf(database);
        const Figures all =
            measured(QStringLiteral("query"),
                     {DatabaseConfig::Engine::Sqlite, database, 1, listRows, {}}, runs);
        const Figures listed =
            measured(QStringLiteral("query"),
                     {DatabaseConfig::Engine::Sqlite, database, 1, listRows, accounts}, runs);
        print(QStringLiteral("\n## Lista de %1 contas contra \"Todas\" (relatório 1, consulta)")
                  .arg(figure(accounts.size(), 0)));
        print(QStringLiteral("\"Todas\": %1 linhas em %2 s; lista: %3 linhas em %4 s; razão %5")
                  .arg(figure(all.rows, 0), figure(all.seconds, 2), figure(listed.rows, 0),
                       figure(listed.seconds, 2), ratio(listed.seconds / all.seconds)));

        print(QStringLiteral("\n## Seletor de contas (picker_bench)"));
        QProcess picker;
        picker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        picker.start(QCoreApplication::applicationDirPath() + QStringLiteral("/picker_bench"),
                     {QStringLiteral("--runs"), QString::number(std::max(runs, 3))});
        picker.waitForFinished(-1);
        print(QString::fromUtf8(picker.readAllStandardOutput()).trimmed());

        const QList<double> openings = screenOpenings(database, std::max(5, runs * 5));
        print(QStringLiteral(
                  "\nIniProc até a tela mostrada e ativada: mediana %1 ms (mín. %2, máx. %3, "
                  "%4 aberturas; a primeira %5 ms)")
                  .arg(figure(percentile(openings, 0.5), 1),
                       figure(*std::min_element(openings.begin(), openings.end()), 1),
                       figure(*std::max_element(openings.begin(), openings.end()), 1))
                  .arg(openings.size())
                  .arg(figure(openings.first(), 1)));
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "report_bench: %s\n", qUtf8Printable(e.Message()));
        return 1;
    } catch (const ReportProgress::Cancelled&) {
        return 1;
    }
}
