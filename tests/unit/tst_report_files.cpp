// No output is ever lost: `klx report` writes its file whole or not at all. A full disk, a
// query failing after some rows, an output naming the database, a folder or a device, and two
// runs writing one file all leave the file there before intact (or one whole new file) and
// say what happened; a copy of a definition is never left half written.

#include "DemoDatabase.h"
#include "ProgramRun.h"
#include "base/Exceptions.h"
#include "report/engine/ReportCatalog.h"
#include "report/engine/ReportProgress.h"
#include "report/output/ReportJob.h"

#include <atomic>

#include <QCryptographicHash>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

using ProgramRun::Result;

QByteArray checksum(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Writes beyond this many bytes fail in a process that set it (the signal ignored): a full
// disk as the program sees it.
void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    // The soft limit only: the hard one could not be raised again.
    rlimit limit;
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
}

// A run's progress that asks it to stop once it has written some pages.
class StopAfterPages : public ReportProgress {
public:
    explicit StopAfterPages(int pages) : m_pages(pages) {}
    bool isCancelled() const override { return m_written >= m_pages; }
    void report(Stage stage, int done, int) override
    {
        if (stage == Stage::Writing)
            m_written = done;
    }
    int written() const { return m_written; }

private:
    const int m_pages;
    // Also read by the query's thread.
    std::atomic_int m_written{0};
};

// A report whose query fails after 600 rows: ABS of the smallest integer overflows.
const char* failingReport = "title: Falha no meio\n"
                            "order: 9\n"
                            "column: N | Número | 10 | right | integer\n"
                            "sql:\n"
                            "  WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S\n"
                            "                          WHERE X < 5000)\n"
                            "  SELECT CASE WHEN X > 600 THEN ABS(-9223372036854775807 - 1)\n"
                            "              ELSE X END AS N FROM S\n";

// A report of 300 numbered rows.
const char* numbersReport = "title: Números\n"
                            "column: N | Número | 10 | right | integer\n"
                            "sql:\n"
                            "  WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S\n"
                            "                          WHERE X < 300)\n"
                            "  SELECT X AS N FROM S\n";

// Whether the process reads the SQLite database as a report's connection does: through a
// descriptor opened read-only (the screen's own connection writes), under a read lock (SQLite
// holds one while a statement reads).
bool readsAsAReport(qint64 pid, const QString& database)
{
    struct stat file;
    if (::stat(QFile::encodeName(database).constData(), &file) != 0)
        return false;
    bool readOnly = false;
    const QDir descriptors(QStringLiteral("/proc/%1/fd").arg(pid));
    for (const QString& fd : descriptors.entryList(QDir::AllEntries | QDir::System)) {
        struct stat target;
        if (::stat(QFile::encodeName(descriptors.filePath(fd)).constData(), &target) != 0 ||
            target.st_dev != file.st_dev || target.st_ino != file.st_ino)
            continue;
        QFile info(QStringLiteral("/proc/%1/fdinfo/%2").arg(pid).arg(fd));
        if (!info.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : info.readAll().split('\n'))
            if (line.startsWith("flags:") &&
                (line.mid(6).trimmed().toInt(nullptr, 8) & O_ACCMODE) == O_RDONLY)
                readOnly = true;
    }
    QFile locks(QStringLiteral("/proc/locks"));
    if (!readOnly || !locks.open(QIODevice::ReadOnly))
        return false;
    // "1: POSIX  ADVISORY  READ 1234 08:01:5678 1073741826 1073742335"
    const QByteArray device =
        QString::asprintf("%02x:%02x:%lu", major(file.st_dev), minor(file.st_dev), file.st_ino)
            .toLatin1();
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 6 && fields.at(3) == "READ" && fields.at(4).toLongLong() == pid &&
            fields.at(5) == device)
            return true;
    }
    return false;
}

} // namespace

class TestReportFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        createDemoDatabase(m_dir.filePath(QStringLiteral("demo.sqlite")));
        m_reports = m_dir.filePath(QStringLiteral("reports"));
        QDir().mkpath(m_reports);
        const QDir source(QStringLiteral(KLX_SOURCE_DIR "/reports"));
        for (const QString& file : source.entryList({QStringLiteral("*.rpt")}))
            QVERIFY(QFile::copy(source.filePath(file), QDir(m_reports).filePath(file)));
        QFile failing(QDir(m_reports).filePath(QStringLiteral("KLX473-9-falha.rpt")));
        QVERIFY(failing.open(QIODevice::WriteOnly) && failing.write(failingReport) > 0);
    }

    void init()
    {
        m_out = std::make_unique<QTemporaryDir>();
        m_existing = m_out->filePath(QStringLiteral("relatorio.pdf"));
        QVERIFY(klx({QStringLiteral("--output"), m_existing}).code == 0);
    }

    void refusedOutputsWriteNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("database") << "database"
                                  << "é o banco de dados aberto";
        QTest::newRow("folder") << "folder"
                                << "é uma pasta";
        QTest::newRow("device") << "device"
                                << "não é um arquivo comum";
        QTest::newRow("another SQLite database") << "sqlite"
                                                 << "é um arquivo de banco de dados";
        QTest::newRow("a Firebird database") << "firebird"
                                             << "é um arquivo de banco de dados";
        QTest::newRow("link loop") << "loop"
                                   << "é um link simbólico em laço";
    }

    // The output names the open database (under a name of a report file), a folder, or a
    // link to a device: refused before anything is written.
    void refusedOutputsWriteNothing()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        QString database = m_dir.filePath(QStringLiteral("demo.sqlite"));
        QString output = m_out->filePath(QStringLiteral("saida.pdf"));
        if (kind == QLatin1String("database")) {
            database = m_out->filePath(QStringLiteral("banco.pdf"));
            QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("demo.sqlite")), database));
            output = database;
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(output));
        } else if (kind == QLatin1String("sqlite")) {
            // A database that is not the open one, under a report's name, is no report's.
            QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("demo.sqlite")), output));
        } else if (kind == QLatin1String("firebird")) {
            // A Firebird file's header page, as the engine writes it (page type 1, 8 KiB
            // pages, on-disk structure 12), known whether or not a server serves it.
            QFile file(output);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QByteArray page(8192, '\0');
            page[0] = 1;
            page[16] = 0x00;
            page[17] = 0x20;
            page[18] = 0x0c;
            page[19] = static_cast<char>(0x80);
            file.write(page);
        } else if (kind == QLatin1String("loop")) {
            const QString other = m_out->filePath(QStringLiteral("outro.pdf"));
            QVERIFY(QFile::link(other, output));
            QVERIFY(QFile::link(output, other));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/null"), output));
        }
        const QByteArray databaseBefore = checksum(database);
        const QByteArray outputBefore = checksum(output);
        const Result result = klx({QStringLiteral("--output"), output}, database);
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(message), qPrintable(result.err));
        QCOMPARE(checksum(database), databaseBefore);
        QCOMPARE(checksum(output), outputBefore);
        if (kind == QLatin1String("device"))
            QCOMPARE(QFileInfo(output).symLinkTarget(), QStringLiteral("/dev/null"));
        if (kind == QLatin1String("loop"))
            QVERIFY(QFileInfo(output).isSymLink());
        QCOMPARE(strangers(m_out->path(), {"relatorio.pdf", "banco.pdf", "saida.pdf", "outro.pdf"}),
                 QStringList());
    }

    // SIGTERM or SIGINT while a query that would run for hours counts: SQLite is interrupted
    // inside its own call, the program ends with 128 + the signal, and the file that was
    // there stays, with no temporary file beside it.
    void signalInterruptsALongQuery_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << SIGTERM;
        QTest::newRow("SIGINT") << SIGINT;
    }

    void signalInterruptsALongQuery()
    {
        QFETCH(int, signal);
        QTemporaryDir reports;
        QFile endless(reports.filePath(QStringLiteral("KLX473-0-sem-fim.rpt")));
        QVERIFY(endless.open(QIODevice::WriteOnly));
        endless.write("title: Sem fim\n"
                      "sql:\n"
                      "  WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S)\n"
                      "  SELECT COUNT(*) AS N FROM S, FILIAL\n");
        endless.close();
        const QByteArray before = checksum(m_existing);
        QProcess process;
        start(process, {QStringLiteral("--report"), QStringLiteral("0"), QStringLiteral("--output"),
                        m_existing, QStringLiteral("--reports"), reports.path()});
        QVERIFY(process.waitForStarted());
        // The signal comes once the report's own connection reads: its query runs.
        QTRY_VERIFY_WITH_TIMEOUT(
            readsAsAReport(process.processId(), m_dir.filePath(QStringLiteral("demo.sqlite"))),
            30000);
        ::kill(static_cast<pid_t>(process.processId()), signal);
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 128 + signal);
        QCOMPARE(checksum(m_existing), before);
        QCOMPARE(strangers(m_out->path(), {"relatorio.pdf"}), QStringList());
    }

    // A folder that takes no file (mounted read-only, which holds for root too) is no
    // mistake of the command line: the run says so and exits 1, writing nothing.
    void readOnlyFolderIsNoBadCommandLine()
    {
        if (geteuid() != 0)
            QSKIP("Mounting a read-only tmpfs needs root.");
        const QString mountPoint = m_out->filePath(QStringLiteral("somente-leitura"));
        QDir().mkpath(mountPoint);
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("ro,size=64k"), QStringLiteral("tmpfs"),
                               mountPoint}) != 0)
            QSKIP("tmpfs cannot be mounted here.");
        m_mounted = mountPoint;
        const Result result =
            klx({QStringLiteral("--output"), QDir(mountPoint).filePath(QStringLiteral("r.pdf"))});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("não aceita gravação")),
                 qPrintable(result.err));
        QCOMPARE(QDir(mountPoint).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList());
    }

    // A definition is an untrusted file: a link to a device, a pipe and a file over 1 MiB
    // beside the report chosen are listed as definitions with an error, named, and never
    // read (reading /dev/zero or the pipe would never end); the report chosen runs.
    void definitionsThatAreNoFilesAreNotRead()
    {
        QTemporaryDir reports;
        const QDir source(QStringLiteral(KLX_SOURCE_DIR "/reports"));
        for (const QString& file : source.entryList({QStringLiteral("*.rpt")}))
            QVERIFY(QFile::copy(source.filePath(file), reports.filePath(file)));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), reports.filePath("KLX473-7-zero.rpt")));
        QCOMPARE(mkfifo(QFile::encodeName(reports.filePath("KLX473-8-fila.rpt")).constData(), 0600),
                 0);
        QFile large(reports.filePath(QStringLiteral("KLX473-9-grande.rpt")));
        QVERIFY(large.open(QIODevice::WriteOnly));
        large.write("title: Grande\n");
        QVERIFY(large.resize(2 << 20));
        large.close();

        const QString output = m_out->filePath(QStringLiteral("numero.csv"));
        const Result result =
            klx({QStringLiteral("--report"), QStringLiteral("1"), QStringLiteral("--output"),
                 output, QStringLiteral("--reports"), reports.path()});
        QCOMPARE(result.code, 0);
        for (const char* message : {"KLX473-7-zero.rpt: não é um arquivo comum",
                                    "KLX473-8-fila.rpt: não é um arquivo comum",
                                    "KLX473-9-grande.rpt: o arquivo tem mais de 1 MiB"})
            QVERIFY2(result.err.contains(QString::fromUtf8(message)), qPrintable(result.err));
        QVERIFY(QFileInfo(output).size() > 100);

        // Chosen, each is refused with its message.
        const Result chosen =
            klx({QStringLiteral("--report"),
                 QString::number(source.entryList({QStringLiteral("*.rpt")}).size()),
                 QStringLiteral("--output"), output, QStringLiteral("--reports"), reports.path()});
        QCOMPARE(chosen.code, 1);
        QVERIFY2(chosen.err.contains(QStringLiteral("KLX473-7-zero.rpt: não é um arquivo comum")),
                 qPrintable(chosen.err));
    }

    // The list reads a definition's header only; an error past it (a second "sql:") is
    // found when the report is chosen, with its file and line.
    void definitionReadWholeWhenChosen()
    {
        QTemporaryDir reports;
        const QDir source(QStringLiteral(KLX_SOURCE_DIR "/reports"));
        for (const QString& file : source.entryList({QStringLiteral("*.rpt")}))
            QVERIFY(QFile::copy(source.filePath(file), reports.filePath(file)));
        QFile copy(reports.filePath(QStringLiteral("KLX473-1-numero.rpt")));
        QVERIFY(copy.open(QIODevice::Append));
        copy.write("sql:\n  SELECT NRCHEQUE FROM CHEQUE\n");
        copy.close();
        const QString output = m_out->filePath(QStringLiteral("emissao.csv"));
        Result result =
            klx({QStringLiteral("--report"), QStringLiteral("0"), QStringLiteral("--output"),
                 output, QStringLiteral("--reports"), reports.path()});
        QCOMPARE(result.code, 0);
        QVERIFY2(!result.err.contains(QStringLiteral("KLX473-1-numero.rpt")),
                 qPrintable(result.err));
        result = klx({QStringLiteral("--report"), QStringLiteral("1"), QStringLiteral("--output"),
                      output, QStringLiteral("--reports"), reports.path()});
        QCOMPARE(result.code, 1);
        QVERIFY2(QRegularExpression(QStringLiteral("KLX473-1-numero.rpt:\\d+: \"sql\" repetido"))
                     .match(result.err)
                     .hasMatch(),
                 qPrintable(result.err));
    }

    // A link to a regular file writes that file; the link stays a link.
    void linkWritesItsTarget()
    {
        const QString link = m_out->filePath(QStringLiteral("atalho.csv"));
        const QString target = m_out->filePath(QStringLiteral("alvo.csv"));
        QVERIFY(QFile::link(target, link));
        QCOMPARE(klx({QStringLiteral("--output"), link}).code, 0);
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(QFileInfo(target).size() > 100);
    }

    void fullDiskKeepsTheFile_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("threads");
        QTest::newRow("file size limit") << "limit"
                                         << "1";
        QTest::newRow("small tmpfs") << "tmpfs"
                                     << "1";
        QTest::newRow("file size limit, parts") << "limit"
                                                << "2";
        QTest::newRow("small tmpfs, parts") << "tmpfs"
                                            << "2";
    }

    // The disk fills up while the file is written (or its parts, painted apart): the run
    // fails with the reason and the file there before is as it was, with no temporary file
    // beside it.
    void fullDiskKeepsTheFile()
    {
        QFETCH(QString, how);
        QFETCH(QString, threads);
        // Every check: pages enough for each thread.
        const QStringList args{QStringLiteral("--report"),        QStringLiteral("1"),
                               QStringLiteral("--emission-from"), QStringLiteral("01/01/2000"),
                               QStringLiteral("--emission-to"),   QStringLiteral("31/12/2030"),
                               QStringLiteral("--threads"),       threads,
                               QStringLiteral("--output")};
        QCOMPARE(klx(args + QStringList{m_existing}).code, 0);
        QString existing = m_existing;
        std::function<void()> limit;
        if (how == QLatin1String("tmpfs")) {
            if (geteuid() != 0)
                QSKIP("Mounting a small tmpfs needs root.");
            const QString mountPoint = m_out->filePath(QStringLiteral("cheio"));
            QDir().mkpath(mountPoint);
            const qint64 room = QFileInfo(m_existing).size() + 8 * 1024;
            if (QProcess::execute(QStringLiteral("mount"),
                                  {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                   QStringLiteral("-o"), QStringLiteral("size=%1").arg(room),
                                   QStringLiteral("tmpfs"), mountPoint}) != 0)
                QSKIP("tmpfs cannot be mounted here.");
            m_mounted = mountPoint;
            existing = QDir(mountPoint).filePath(QStringLiteral("relatorio.pdf"));
            QVERIFY(QFile::copy(m_existing, existing));
        } else {
            // More than the report's own temporary pages take, less than its PDF.
            const rlim_t bytes = static_cast<rlim_t>(QFileInfo(m_existing).size() / 2);
            limit = [bytes] { limitFileSize(bytes); };
        }
        const QByteArray before = checksum(existing);
        const Result result = klx(args + QStringList{existing}, QString(), limit);
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("Não foi possível gravar o arquivo")),
                 qPrintable(result.err));
        QVERIFY2(result.err.contains(QStringLiteral("ficou como estava")), qPrintable(result.err));
        QCOMPARE(checksum(existing), before);
        QCOMPARE(strangers(QFileInfo(existing).path(), {"relatorio.pdf"}), QStringList());
    }

    // Two runs write one file at once: it ends up as one of them wrote it, whole.
    void concurrentRunsLeaveOneWholeFile()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("pdfinfo (poppler-utils) is not installed.");
        const QString path = m_out->filePath(QStringLiteral("disputado.pdf"));
        for (int round = 0; round < 3; ++round) {
            QList<std::shared_ptr<QProcess>> runs;
            for (const char* report : {"0", "1"}) {
                runs << std::make_shared<QProcess>();
                start(*runs.last(),
                      {QStringLiteral("--report"), QLatin1String(report),
                       QStringLiteral("--emission-from"), QStringLiteral("01/01/2026"),
                       QStringLiteral("--emission-to"), QStringLiteral("31/03/2026"),
                       QStringLiteral("--output"), path});
            }
            for (const auto& run : std::as_const(runs)) {
                QVERIFY(run->waitForFinished(120000));
                QCOMPARE(run->exitCode(), 0);
            }
            QProcess info;
            info.start(QStringLiteral("pdfinfo"), {path});
            QVERIFY(info.waitForFinished(30000));
            QCOMPARE(info.exitCode(), 0);
            const QString text = QString::fromUtf8(info.readAllStandardOutput());
            QVERIFY2(text.contains(QStringLiteral("Relação de cheques por emissão")) ||
                         text.contains(QStringLiteral("Relação de cheques por número")),
                     qPrintable(text));
            QCOMPARE(strangers(m_out->path(), {"relatorio.pdf", "disputado.pdf"}), QStringList());
        }
    }

    // The query fails after some rows were laid out: the message says so, and the file
    // there before is intact.
    void queryFailingMidReportKeepsTheFile_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("pdf") << "relatorio.pdf";
        QTest::newRow("csv") << "relatorio.csv";
    }
    void queryFailingMidReportKeepsTheFile()
    {
        QFETCH(QString, name);
        const QString path = m_out->filePath(name);
        if (!QFileInfo::exists(path))
            QCOMPARE(klx({QStringLiteral("--output"), path}).code, 0);
        const QByteArray before = checksum(path);
        const Result result = klx(
            {QStringLiteral("--report"), QStringLiteral("6"), QStringLiteral("--output"), path});
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(
                     QStringLiteral("KLX473-9-falha.rpt: erro na consulta do relatório")),
                 qPrintable(result.err));
        QCOMPARE(checksum(path), before);
        QCOMPARE(strangers(m_out->path(), {"relatorio.pdf", "relatorio.csv"}), QStringList());
    }

    // A run's future ends with the pages, or with the run's failure raised as the Exception
    // the run raised, or, cancelled, with neither; a run that did not end with pages leaves
    // no file.
    void runFutureEndsWithPagesFailureOrNothing_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QString>("failure");
        QTest::newRow("pages") << "KLX473-9-numeros.rpt"
                               << "novo.csv" << false << "";
        QTest::newRow("query failing after some rows")
            << "KLX473-9-falha.rpt"
            << "novo.csv" << false << "Falha no meio: erro na consulta do relatório";
        QTest::newRow("no kind of file of the suffix")
            << "KLX473-9-numeros.rpt"
            << "novo.txt" << false << "O arquivo do relatório deve terminar em .pdf, .csv ou .xlsx";
        QTest::newRow("cancelled") << "KLX473-9-falha.rpt"
                                   << "novo.csv" << true << "";
    }

    void runFutureEndsWithPagesFailureOrNothing()
    {
        QFETCH(QString, report);
        QFETCH(QString, file);
        QFETCH(bool, cancel);
        QFETCH(QString, failure);
        TdtmDBGeral module;
        DatabaseConfig config;
        config.path = m_dir.filePath(QStringLiteral("demo.sqlite"));
        config.user = QStringLiteral("ADM");
        module.open(config);
        ReportJob::Request request;
        request.definition = ReportDefinition::parse(
            QString::fromUtf8(report == QLatin1String("KLX473-9-falha.rpt") ? failingReport
                                                                            : numbersReport),
            report);
        request.source = ReportQuery::sourceOf(module);
        request.path = m_out->filePath(file);
        QFuture<ReportJob::Pages> future = ReportJob::start(request);
        if (cancel)
            future.cancel();
        if (failure.isEmpty()) {
            future.waitForFinished();
        } else {
            QString raised;
            try {
                future.waitForFinished();
            } catch (const Exception& e) {
                raised = e.Message();
            }
            QVERIFY2(raised.startsWith(failure), qPrintable(raised));
        }
        const bool pages = !cancel && failure.isEmpty();
        QCOMPARE(future.resultCount(), pages ? 1 : 0);
        QCOMPARE(future.isCanceled(), !pages);
        QCOMPARE(QFileInfo::exists(request.path), pages);
        if (pages)
            QCOMPARE(future.result()->rowCount(), 300);
    }

    void cancelWhileWritingKeepsTheFile_data()
    {
        QTest::addColumn<int>("threads");
        QTest::newRow("one painter") << 1;
        QTest::newRow("parts") << 2;
    }

    // Cancelled while its pages are being written (by one thread, or by several into parts),
    // a run leaves the file there before as it was, and no part.
    void cancelWhileWritingKeepsTheFile()
    {
        QFETCH(int, threads);
        TdtmDBGeral module;
        DatabaseConfig config;
        config.path = m_dir.filePath(QStringLiteral("demo.sqlite"));
        config.user = QStringLiteral("ADM");
        module.open(config);
        ReportJob::Request request;
        request.definition = ReportDefinition::parse(
            QStringLiteral("title: Muitas páginas\n"
                           "column: N | Número | 10 | right | integer\n"
                           "sql:\n"
                           "  WITH RECURSIVE S(X) AS (SELECT 1 UNION ALL SELECT X + 1 FROM S\n"
                           "                          WHERE X < 2000)\n"
                           "  SELECT X AS N FROM S\n"),
            QStringLiteral("paginas.rpt"));
        request.source = {module.database().connectionName(), DatabaseConfig::Engine::Sqlite};
        request.path = m_existing;
        request.options.threads = threads;
        const QByteArray before = checksum(m_existing);
        StopAfterPages progress(3);
        QVERIFY_THROWS_EXCEPTION(ReportProgress::Cancelled, ReportJob::runHere(request, progress));
        // Parts report their pages as they go, some at a time.
        QVERIFY(progress.written() >= 3);
        QCOMPARE(checksum(m_existing), before);
        QCOMPARE(strangers(m_out->path(), {"relatorio.pdf"}), QStringList());
    }

    // "Salvar como novo" on a full disk leaves no half-written definition to be listed.
    void definitionCopyIsWholeOrNothing()
    {
        QTemporaryDir own;
        ReportCatalog::setUserDirectory(own.path());
        QFile source(QDir(m_reports).filePath(QStringLiteral("KLX473-1-numero.rpt")));
        QVERIFY(source.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(source.readAll());
        rlimit previous;
        getrlimit(RLIMIT_FSIZE, &previous);
        const auto previousSignal = std::signal(SIGXFSZ, SIG_IGN);
        limitFileSize(static_cast<rlim_t>(text.size() / 2));
        QString message;
        try {
            ReportCatalog::saveAsNew(QStringLiteral("KLX473"), text, QStringLiteral("Cópia"), {});
        } catch (const Exception& e) {
            message = e.Message();
        }
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousSignal);
        QVERIFY2(message.startsWith(QStringLiteral("Não foi possível gravar o arquivo")),
                 qPrintable(message));
        QCOMPARE(QDir(own.path()).entryList(QDir::Files), QStringList());
        const QString saved =
            ReportCatalog::saveAsNew(QStringLiteral("KLX473"), text, QStringLiteral("Cópia"), {});
        QVERIFY(QFileInfo(saved).size() > text.size() / 2);
    }

    void cleanup() { unmount(); }

private:
    // The files in the folder besides those expected: what a run left behind.
    static QStringList strangers(const QString& folder, const QStringList& expected)
    {
        QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System |
                                                   QDir::NoDotAndDotDot);
        files.removeIf([&](const QString& name) { return expected.contains(name); });
        return files;
    }

    void unmount()
    {
        if (m_mounted.isEmpty())
            return;
        QProcess::execute(QStringLiteral("umount"), {m_mounted});
        m_mounted.clear();
    }

    QStringList argumentsFor(QStringList args, const QString& database) const
    {
        args.prepend(QStringLiteral("report"));
        if (!args.contains(QStringLiteral("--reports")))
            args << QStringLiteral("--reports") << m_reports;
        args << QStringLiteral("--operator") << QStringLiteral("ADM")
             << QStringLiteral("--database")
             << (database.isEmpty() ? m_dir.filePath(QStringLiteral("demo.sqlite")) : database);
        return args;
    }

    // Starts "klx report" with the user's settings in the test's own folders.
    void start(QProcess& process, const QStringList& args, const QString& database = QString(),
               const std::function<void()>& inChild = {})
    {
        ProgramRun::start(process, QStringLiteral("klx"), argumentsFor(args, database),
                          {{QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath("config")},
                           {QStringLiteral("XDG_DATA_HOME"), m_dir.filePath("data")}},
                          inChild);
    }

    Result klx(const QStringList& args, const QString& database = QString(),
               const std::function<void()>& inChild = {})
    {
        QProcess process;
        start(process, args, database, inChild);
        return ProgramRun::finish(process);
    }

    QTemporaryDir m_dir;
    QString m_reports;
    std::unique_ptr<QTemporaryDir> m_out;
    QString m_existing;
    QString m_mounted;
};

QTEST_MAIN(TestReportFiles)
#include "tst_report_files.moc"
