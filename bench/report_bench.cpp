// Times the report engine side by side on generated data sets: the six reports at about
// 10,000, 100,000 and 1,000,000 rows written to PDF, CSV and XLSX and previewed, each against
// the same query run by itself and against bare QPainter drawing of the same texts, with the
// peak memory of each; PDF painted by one thread against one a core; a narrow emission range
// on the big table against the same rows alone; the preview's first page; the checkbook
// audit on Firebird against SQLite; CSV against the sqlite3 shell; a report over a list of
// 10,000 picked accounts against "Todas"; the account picker's figures; and the time from
// IniProc to the shown, activated screen.
//
//   report_bench [--database FILE] [--engines sqlite,firebird] [--sizes 10000,100000,1000000]
//                [--firebird-sizes LIST] [--reports 0,1,2,3,4,5] [--runs R]
//                [--blocks tabela,threads,intervalo,primeira,auditoria,shell,lista,seletor,tela]
//                [--thread-sizes LIST] [--range-rows N] [--first-sizes LIST]
//                [--audit-sizes LIST] [--shell-sizes LIST]
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
#include "data/LoginContext_p.h"
#include "data/TParams.h"
#include "data/dtmDBGeral.h"
#include "form/ScreenDescription.h"
#include "form/TApplication.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFonts.h"
#include "report/engine/ReportFormat.h"
#include "report/engine/ReportLivePages.h"
#include "report/engine/ReportPromiseProgress.h"
#include "report/engine/ReportSizes.h"
#include "report/output/ReportJob.h"
#include "report/output/ReportLiveRun.h"
#include "report/ui/ReportPreviewDialog.h"
#include "report/ui/ReportRunWait.h"

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
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
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
    // The operator who sees every company: the reports read checks through the operator's view.
    config.user = QStringLiteral("ADM");
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
    // Threads that paint a PDF (0: one a core).
    int threads = 0;
    // Where a file measure leaves its file; a temporary folder's when empty.
    QString output{};
};

// The request the screen would make for the case: every parameter bound as the screen binds
// it, the operator ADM.
ReportJob::Request requestFor(const Case& c, const QSqlDatabase& db)
{
    const ReportDefinition report = reportDefinition(c.report);
    const auto range = emissionRangeHolding(db, c.rows, QStringLiteral("CHEQUE_OPERADOR"));
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
    request.source = {db.connectionName(), c.engine, QStringLiteral("ADM")};
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
            texts.append({Role::Small, {left, y += ReportSizes::headerLineHeight}, line});
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
    } else if (what == QLatin1String("firstrow")) {
        // The query until its first row: what the preview cannot show a page before.
        clock.start();
        QSqlQuery query(db);
        query.setForwardOnly(true);
        const QString sql = request.definition.sqlFor(c.engine);
        query.prepare(sql);
        for (const QString& name : ReportDefinition::declaredParameters(sql))
            query.bindValue(QLatin1Char(':') + name, request.values.value(name.toUpper()));
        if (!query.exec() || !query.next())
            throw Exception(QStringLiteral("a consulta não trouxe linhas"));
        rows = 1;
    } else if (what == QLatin1String("first")) {
        // The preview's first page shown, the layout going on behind it.
        clock.start();
        const auto run = ReportRunWait::preview(request, nullptr, false);
        if (!run)
            throw Exception(QStringLiteral("a visualização foi cancelada"));
        const auto pages = std::make_shared<ReportLivePages>(run->pages());
        ReportPreviewDialog preview(
            pages, [] {}, [] {});
        preview.show();
        QCoreApplication::processEvents();
        std::printf("%.4f %.1f %d %d 0\n", clock.nsecsElapsed() / 1e9, peakMegabytes(), 0,
                    pages->pageCount());
        return 0;
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
        request.path = c.output.isEmpty() ? out.filePath(QStringLiteral("r.") + what) : c.output;
        request.options.threads = c.threads;
        clock.start();
        const auto result = ReportJob::runHere(request, progress);
        rows = result->rowCount();
        pages = result->pageCount();
    }
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("%.4f %.1f %d %d %lld\n", seconds, peakMegabytes(), rows, pages,
                request.path.isEmpty() ? 0LL
                                       : static_cast<long long>(QFileInfo(request.path).size()));
    return 0;
}

// A measure's figures, from its own process.
struct Figures {
    double seconds = 0;
    double megabytes = 0;
    int rows = 0;
    int pages = 0;
    // The size of the file written, in bytes.
    qint64 bytes = 0;
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
        if (c.threads > 0)
            args << QStringLiteral("--threads") << QString::number(c.threads);
        if (!c.output.isEmpty())
            args << QStringLiteral("--output") << c.output;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), args);
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            throw Exception(
                QStringLiteral("a medida %1 do relatório %2 falhou").arg(what).arg(c.report));
        const QStringList parts =
            QString::fromLatin1(child.readAllStandardOutput()).trimmed().split(QLatin1Char(' '));
        const Figures figures{parts.value(0).toDouble(), parts.value(1).toDouble(),
                              parts.value(2).toInt(), parts.value(3).toInt(),
                              parts.value(4).toLongLong()};
        if (run == 0 || figures.seconds < best.seconds)
            best = figures;
    }
    return best;
}

// Two measures compared by their ratio, their runs taken in turn so that a change in the
// machine's load falls on both: the fastest run of each.
std::pair<Figures, Figures> measuredInTurn(const QString& what, const Case& first,
                                           const Case& second, int runs)
{
    std::pair<Figures, Figures> best;
    for (int run = 0; run < runs; ++run) {
        const Figures a = measured(what, first, 1);
        const Figures b = measured(what, second, 1);
        if (run == 0 || a.seconds < best.first.seconds)
            best.first = a;
        if (run == 0 || b.seconds < best.second.seconds)
            best.second = b;
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

// Megabytes of a file's size.
QString megabytes(qint64 bytes)
{
    return figure(static_cast<double>(bytes) / (1024.0 * 1024.0), 1);
}

// One thread against the default (one a core) painting reports 0 and 1 to PDF, beside the
// bare single-threaded painting of the same pages.
void threadsBlock(const QString& database, const QList<int>& sizes, int runs)
{
    print(QStringLiteral("\n## PDF: --threads 1 contra o padrão (%1 threads)")
              .arg(QThread::idealThreadCount()));
    print(QStringLiteral("| relatório | linhas | páginas | QPainter puro s | 1 thread s | 1 thread "
                         "MB | padrão s | padrão MB | padrão/1 thread | padrão/QPainter puro |"));
    print(QStringLiteral("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"));
    for (int size : sizes)
        for (int report : {0, 1}) {
            Case c{DatabaseConfig::Engine::Sqlite, database, report, size, {}};
            const Figures bare = measured(QStringLiteral("bare"), c, runs);
            c.threads = 1;
            const Figures one = measured(QStringLiteral("pdf"), c, runs);
            c.threads = 0;
            const Figures all = measured(QStringLiteral("pdf"), c, runs);
            print(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 | %7 | %8 | %9 | %10 |")
                      .arg(report)
                      .arg(figure(one.rows, 0), figure(one.pages, 0), figure(bare.seconds),
                           figure(one.seconds), megabytes(one.bytes), figure(all.seconds),
                           megabytes(all.bytes), ratio(all.seconds / one.seconds))
                      .arg(ratio(all.seconds / bare.seconds)));
        }
}

// The database beside the big one that holds only the checks the narrow range selects; made
// once. On Firebird the rows are copied from the SQLite set, which klx-gendata fills alike.
QString rangeAlone(const QString& big, DatabaseConfig::Engine engine, int rows)
{
    const bool firebird = engine == DatabaseConfig::Engine::Firebird;
    const QString path =
        QDir::tempPath() + QStringLiteral("/klx-bench-range-%1.%2")
                               .arg(rows)
                               .arg(firebird ? QStringLiteral("fdb") : QStringLiteral("sqlite"));
    if (QFileInfo::exists(path))
        return path;
    print(QStringLiteral("Gerando %1 (só os cheques do intervalo)…").arg(path));
    TdtmDBGeral source;
    open(source, DatabaseConfig::Engine::Sqlite, big);
    const auto range = emissionRangeHolding(source.database(), rows);
    const QString work = path + QStringLiteral(".tmp");
    QFile::remove(work);
    if (!firebird) {
        if (!QFile::copy(big, work))
            throw Exception(QStringLiteral("não foi possível copiar %1").arg(big));
    } else {
        generateOnce(work, QStringLiteral("firebird"), 1);
    }
    {
        TdtmDBGeral target;
        DatabaseConfig config;
        config.engine = engine;
        config.path = work;
        config.administrator = true;
        target.open(config);
        QSqlDatabase db = target.database();
        const auto run = [&db](const QString& sql, const QVariantList& values = {}) {
            QSqlQuery query(db);
            query.prepare(sql);
            for (const QVariant& value : values)
                query.addBindValue(value);
            if (!query.exec())
                throw Exception(query.lastError().text());
        };
        const QString from = range.first.toString(Qt::ISODate);
        const QString to = range.second.toString(Qt::ISODate);
        if (!firebird) {
            run(QStringLiteral("DELETE FROM CHEQUE WHERE DTEMISSAO < ? OR DTEMISSAO > ? OR "
                               "DTEMISSAO IS NULL"),
                {from, to});
            run(QStringLiteral("VACUUM"));
        } else {
            run(QStringLiteral("DELETE FROM CHEQUE"));
            db.transaction();
            QSqlQuery read(source.database());
            read.setForwardOnly(true);
            read.prepare(QStringLiteral(
                "SELECT CDREDUCONT, NRCHEQUE, CDEMPRESA, DTEMISSAO, DTCOMPENSACAO, VLCHEQUE, "
                "NMFAVORECIDO, IDSTATUS FROM CHEQUE WHERE DTEMISSAO BETWEEN ? AND ?"));
            read.addBindValue(from);
            read.addBindValue(to);
            read.exec();
            QSqlQuery write(db);
            write.prepare(QStringLiteral(
                "INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE, CDEMPRESA, DTEMISSAO, DTCOMPENSACAO, "
                "VLCHEQUE, NMFAVORECIDO, IDSTATUS) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"));
            while (read.next()) {
                for (int i = 0; i < 8; ++i) {
                    // SQLite keeps dates as text.
                    const bool date = i == 3 || i == 4;
                    write.bindValue(
                        i, date && !read.value(i).isNull()
                               ? QVariant(QDate::fromString(read.value(i).toString(), Qt::ISODate))
                               : read.value(i));
                }
                if (!write.exec())
                    throw Exception(write.lastError().text());
            }
            db.commit();
        }
    }
    if (!QFile::rename(work, path))
        throw Exception(QStringLiteral("não foi possível criar %1").arg(path));
    return path;
}

// A narrow emission range on the big table against the same rows in a table of their own,
// reports 0 to 3 to CSV, on each engine.
void rangeBlock(const QString& database, const QString& firebird, int rows, int runs)
{
    print(QStringLiteral("\n## Intervalo estreito: a tabela de 1.000.000 contra só as mesmas "
                         "linhas (CSV)"));
    print(QStringLiteral("| banco | relatório | linhas | tabela grande s | só as linhas s | "
                         "razão |"));
    print(QStringLiteral("|---|---:|---:|---:|---:|---:|"));
    QList<std::pair<DatabaseConfig::Engine, QString>> engines{
        {DatabaseConfig::Engine::Sqlite, database}};
    if (!firebird.isEmpty())
        engines.append({DatabaseConfig::Engine::Firebird, firebird});
    for (const auto& [engine, big] : engines) {
        const QString alone = rangeAlone(database, engine, rows);
        for (int report : {0, 1, 2, 3}) {
            const auto [wide, own] =
                measuredInTurn(QStringLiteral("csv"), {engine, big, report, rows, {}},
                               {engine, alone, report, rows, {}}, runs);
            print(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
                      .arg(engine == DatabaseConfig::Engine::Sqlite ? QStringLiteral("SQLite")
                                                                    : QStringLiteral("Firebird"))
                      .arg(report)
                      .arg(figure(wide.rows, 0), figure(wide.seconds), figure(own.seconds),
                           ratio(wide.seconds / own.seconds)));
            if (wide.rows != own.rows)
                print(QStringLiteral("Atenção: %1 linhas contra %2.").arg(wide.rows).arg(own.rows));
        }
    }
}

// The preview's first page shown against the query's first row and the whole preview.
void firstPageBlock(const QString& database, const QList<int>& sizes, int runs)
{
    print(QStringLiteral("\n## Primeira página da visualização (relatório 1)"));
    print(QStringLiteral("| linhas | primeira linha da consulta s | primeira página s | depois da "
                         "primeira linha s | visualização inteira s |"));
    print(QStringLiteral("|---:|---:|---:|---:|---:|"));
    for (int size : sizes) {
        const Case c{DatabaseConfig::Engine::Sqlite, database, 1, size, {}};
        const Figures row = measured(QStringLiteral("firstrow"), c, runs);
        const Figures first = measured(QStringLiteral("first"), c, runs);
        const Figures whole = measured(QStringLiteral("preview"), c, 1);
        print(QStringLiteral("| %1 | %2 | %3 | %4 | %5 |")
                  .arg(figure(whole.rows, 0), figure(row.seconds), figure(first.seconds),
                       figure(first.seconds - row.seconds), figure(whole.seconds)));
    }
}

// The generated data set of that many checks: /tmp/klx-bench-1m.sqlite for a million.
QString benchDatabase(int checks, const QString& suffix)
{
    return QDir::tempPath() +
           QStringLiteral("/klx-bench-%1.%2")
               .arg(checks == 1000000 ? QStringLiteral("1m") : QString::number(checks), suffix);
}

// Whether two files hold the same bytes.
bool sameFile(const QString& a, const QString& b)
{
    QFile first(a);
    QFile second(b);
    return first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly) &&
           first.readAll() == second.readAll();
}

// The checkbook audit (report 4, every check) on Firebird against SQLite, its CSV compared.
void auditBlock(const QList<int>& sizes, int runs)
{
    print(QStringLiteral("\n## Auditoria de talonários: Firebird contra SQLite (CSV)"));
    print(QStringLiteral("| cheques | linhas | SQLite s | Firebird s | Firebird/SQLite | CSV |"));
    print(QStringLiteral("|---:|---:|---:|---:|---:|---|"));
    QTemporaryDir out;
    for (int size : sizes) {
        const QString lite = benchDatabase(size, QStringLiteral("sqlite"));
        const QString fb = benchDatabase(size, QStringLiteral("fdb"));
        generateOnce(lite, QStringLiteral("sqlite"), size);
        generateOnce(fb, QStringLiteral("firebird"), size);
        Case onSqlite{DatabaseConfig::Engine::Sqlite, lite, 4, std::min(size, 10000), {}};
        onSqlite.output = out.filePath(QStringLiteral("sqlite.csv"));
        Case onFirebird{DatabaseConfig::Engine::Firebird, fb, 4, std::min(size, 10000), {}};
        onFirebird.output = out.filePath(QStringLiteral("firebird.csv"));
        const auto [sqlite, firebird] =
            measuredInTurn(QStringLiteral("csv"), onSqlite, onFirebird, runs);
        print(QStringLiteral("| %1 | %2 | %3 | %4 | %5 | %6 |")
                  .arg(figure(size, 0), figure(sqlite.rows, 0), figure(sqlite.seconds),
                       figure(firebird.seconds), ratio(firebird.seconds / sqlite.seconds),
                       sameFile(out.filePath(QStringLiteral("sqlite.csv")),
                                out.filePath(QStringLiteral("firebird.csv")))
                           ? QStringLiteral("idênticos")
                           : QStringLiteral("DIFERENTES")));
    }
}

// An SQL literal for a bound value.
QString literal(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("NULL");
    if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong)
        return value.toString();
    return QLatin1Char('\'') + value.toString().replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
}

// `klx report` to CSV against the sqlite3 shell running the report's own query (the operator's
// view as a temporary view for ADM, the code lists empty) and printing its columns as CSV,
// each a process timed from outside.
void shellBlock(const QString& database, const QList<int>& sizes, int runs)
{
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    print(QStringLiteral("\n## CSV contra o shell sqlite3 (relatório 1, processos inteiros)"));
    if (shell.isEmpty()) {
        print(QStringLiteral("Não medido: falta o sqlite3 (pacote sqlite3)."));
        return;
    }
    print(QStringLiteral("| linhas | sqlite3 s | klx report s | klx/sqlite3 |"));
    print(QStringLiteral("|---:|---:|---:|---:|"));
    QTemporaryDir work;
    for (int size : sizes) {
        QString sql;
        QHash<QString, QVariant> values;
        std::pair<QDate, QDate> range;
        {
            TdtmDBGeral module;
            open(module, DatabaseConfig::Engine::Sqlite, database);
            const ReportJob::Request request = requestFor(
                {DatabaseConfig::Engine::Sqlite, database, 1, size, {}}, module.database());
            sql = request.definition.sqlFor(DatabaseConfig::Engine::Sqlite);
            values = request.values;
            range = emissionRangeHolding(module.database(), size);
        }
        static const QRegularExpression codes(
            QStringLiteral("SELECT CODE FROM CODES\\(:P_\\w+\\)"));
        sql.replace(codes, QStringLiteral("SELECT value FROM json_each('[]')"));
        QString script =
            QStringLiteral("CREATE TEMP VIEW CHEQUE_OPERADOR AS SELECT C.* FROM CHEQUE C WHERE "
                           "C.CDEMPRESA IN (SELECT O.CDEMPRESA FROM OPEREMPR O WHERE "
                           "O.CDOPERADOR = 'ADM');\n");
        for (const QString& name : ReportDefinition::declaredParameters(sql))
            script += QStringLiteral(".parameter set :%1 \"%2\"\n")
                          .arg(name, literal(values.value(name.toUpper())));
        script += QStringLiteral(".mode csv\n.separator ;\n.output %1\n%2;\n")
                      .arg(work.filePath(QStringLiteral("shell.csv")), sql);
        QFile file(work.filePath(QStringLiteral("shell.sql")));
        file.open(QIODevice::WriteOnly);
        file.write(script.toUtf8());
        file.close();
        int shellRows = 0;
        const double shellSeconds = fastest(runs, [&] {
            QProcess process;
            process.setStandardInputFile(file.fileName());
            process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            process.start(shell, {QStringLiteral("-bail"), database});
            if (!process.waitForFinished(-1) || process.exitCode() != 0)
                throw Exception(QStringLiteral("o sqlite3 falhou"));
        });
        {
            QFile csv(work.filePath(QStringLiteral("shell.csv")));
            csv.open(QIODevice::ReadOnly);
            while (!csv.readLine().isEmpty())
                ++shellRows;
        }
        const QStringList args{QStringLiteral("--database"),
                               database,
                               QStringLiteral("--operator"),
                               QStringLiteral("ADM"),
                               QStringLiteral("--report"),
                               QStringLiteral("1"),
                               QStringLiteral("--emission-from"),
                               range.first.toString(Qt::ISODate),
                               QStringLiteral("--emission-to"),
                               range.second.toString(Qt::ISODate),
                               QStringLiteral("--quiet"),
                               QStringLiteral("--output"),
                               work.filePath(QStringLiteral("klx.csv"))};
        const double klxSeconds = fastest(runs, [&] {
            if (!klxReport(args, work.path()))
                throw Exception(QStringLiteral("klx report falhou"));
        });
        print(QStringLiteral("| %1 | %2 | %3 | %4 |")
                  .arg(figure(shellRows, 0), figure(shellSeconds), figure(klxSeconds),
                       ratio(klxSeconds / shellSeconds)));
    }
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
    QCommandLineOption threadsOption(QStringLiteral("threads"), QString(), QStringLiteral("N"));
    QCommandLineOption outputOption(QStringLiteral("output"), QString(), QStringLiteral("FILE"));
    for (QCommandLineOption* hidden : {&measureOption, &engineOption, &reportOption, &rowsOption,
                                       &allAccountsOption, &threadsOption, &outputOption})
        hidden->setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption blocksOption(
        QStringLiteral("blocks"),
        QStringLiteral("Blocos medidos: tabela (cada relatório em cada tamanho), threads (PDF com "
                       "--threads 1 e o padrão), intervalo (intervalo estreito na tabela grande "
                       "contra só as linhas), primeira (primeira página da visualização), "
                       "auditoria (Firebird contra SQLite), shell (CSV contra o sqlite3), lista "
                       "(contas escolhidas contra Todas), seletor, tela."),
        QStringLiteral("LIST"),
        QStringLiteral("tabela,threads,intervalo,primeira,auditoria,shell,lista,seletor,tela"));
    const QCommandLineOption threadSizesOption(
        QStringLiteral("thread-sizes"), QStringLiteral("Linhas do bloco threads."),
        QStringLiteral("LIST"), QStringLiteral("100000,1000000"));
    const QCommandLineOption firstSizesOption(
        QStringLiteral("first-sizes"), QStringLiteral("Linhas do bloco primeira."),
        QStringLiteral("LIST"), QStringLiteral("10000,100000,1000000"));
    const QCommandLineOption auditSizesOption(
        QStringLiteral("audit-sizes"), QStringLiteral("Cheques do bloco auditoria."),
        QStringLiteral("LIST"), QStringLiteral("100000,1000000"));
    const QCommandLineOption shellSizesOption(
        QStringLiteral("shell-sizes"), QStringLiteral("Linhas do bloco shell."),
        QStringLiteral("LIST"), QStringLiteral("10000,1000000"));
    const QCommandLineOption rangeRowsOption(QStringLiteral("range-rows"),
                                             QStringLiteral("Linhas do bloco intervalo (10000)."),
                                             QStringLiteral("N"), QStringLiteral("10000"));
    parser.addOptions({databaseOption, enginesOption, sizesOption, firebirdSizesOption,
                       reportsOption, runsOption, blocksOption, threadSizesOption, firstSizesOption,
                       auditSizesOption, shellSizesOption, rangeRowsOption, measureOption,
                       engineOption, reportOption, rowsOption, allAccountsOption, threadsOption,
                       outputOption});
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
                   {},
                   parser.value(threadsOption).toInt(),
                   parser.value(outputOption)};
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
        const QStringList blocks =
            parser.value(blocksOption).toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
        const auto wanted = [&blocks](const char* block) {
            return blocks.contains(QLatin1String(block));
        };
        const bool withFirebird = engines.contains(QLatin1String("firebird"));
        PdfSeconds sqlite;
        if (wanted("tabela") && engines.contains(QLatin1String("sqlite"))) {
            print(QStringLiteral("\n## SQLite"));
            sqlite = table(DatabaseConfig::Engine::Sqlite, database, sizes, reports, runs);
        }
        if (wanted("tabela") && withFirebird) {
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
        if (wanted("threads"))
            threadsBlock(database, numbers(parser.value(threadSizesOption)), runs);
        if (wanted("intervalo"))
            rangeBlock(database, withFirebird ? firebirdDatabase() : QString(),
                       parser.value(rangeRowsOption).toInt(), runs);
        if (wanted("primeira"))
            firstPageBlock(database, numbers(parser.value(firstSizesOption)), runs);
        if (wanted("auditoria") && withFirebird &&
            QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
            auditBlock(numbers(parser.value(auditSizesOption)), runs);
        if (wanted("shell"))
            shellBlock(database, numbers(parser.value(shellSizesOption)), runs);

        // The same report over the whole list of accounts, picked one by one, and "Todas".
        // The smallest size: the list is tested against every row.
        if (wanted("lista")) {
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
        }

        if (wanted("seletor")) {
            print(QStringLiteral("\n## Seletor de contas (picker_bench)"));
            QProcess picker;
            picker.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            picker.start(QCoreApplication::applicationDirPath() + QStringLiteral("/picker_bench"),
                         {QStringLiteral("--runs"), QString::number(std::max(runs, 3))});
            picker.waitForFinished(-1);
            print(QString::fromUtf8(picker.readAllStandardOutput()).trimmed());
            if (picker.exitStatus() != QProcess::NormalExit || picker.exitCode() != 0)
                print(QStringLiteral("picker_bench falhou (código %1): a mensagem está acima, na "
                                     "saída de erros")
                          .arg(picker.exitCode()));
        }

        if (wanted("tela")) {
            const QList<double> openings = screenOpenings(database, std::max(5, runs * 5));
            print(QStringLiteral(
                      "\nIniProc até a tela mostrada e ativada: mediana %1 ms (mín. %2, máx. %3, "
                      "%4 aberturas; a primeira %5 ms)")
                      .arg(figure(percentile(openings, 0.5), 1),
                           figure(*std::min_element(openings.begin(), openings.end()), 1),
                           figure(*std::max_element(openings.begin(), openings.end()), 1))
                      .arg(openings.size())
                      .arg(figure(openings.first(), 1)));
        }
        return 0;
    } catch (const Exception& e) {
        std::fprintf(stderr, "report_bench: %s\n", qUtf8Printable(e.Message()));
        return 1;
    } catch (const ReportProgress::Cancelled&) {
        return 1;
    }
}
