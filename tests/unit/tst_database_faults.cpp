// A database the host cannot use (missing, empty, foreign, damaged, locked, unreachable):
// `klx report` says why in Portuguese, exits non-zero, and leaves the file exactly as it
// was: same bytes, same modification time, no journal beside it, nothing created.

#include "DemoDatabase.h"
#include "ProgramRun.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using ProgramRun::Result;

// What a file is, to compare before and after.
struct Snapshot {
    bool exists = false;
    QByteArray sha256;
    QDateTime modified;

    static Snapshot of(const QString& path)
    {
        Snapshot snapshot;
        QFile file(path);
        snapshot.exists = QFileInfo::exists(path);
        if (file.open(QIODevice::ReadOnly))
            snapshot.sha256 = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
        snapshot.modified = QFileInfo(path).lastModified();
        return snapshot;
    }
    bool operator==(const Snapshot& other) const
    {
        return exists == other.exists && sha256 == other.sha256 && modified == other.modified;
    }
};

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDatabaseFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        createDemoDatabase(m_demo);
        // A SQLite database of some other program.
        const QString foreign = m_dir.filePath(QStringLiteral("outro-programa.sqlite"));
        {
            auto db =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fixture"));
            db.setDatabaseName(foreign);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE NOTAS (TEXTO TEXT)")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("fixture"));
        m_foreign = contentsOf(foreign);
        QVERIFY(!m_foreign.isEmpty());
    }

    void unusableDatabaseIsRefusedAndLeftAsItWas_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        const QByteArray demo = contentsOf(m_demo);
        QByteArray schemaPageDamaged = demo;
        schemaPageDamaged.replace(100, 100, QByteArray(100, '\xff'));
        QByteArray headerDamaged = demo;
        headerDamaged.replace(0, 16, QByteArray(16, 'X'));
        m_contents = {{"empty", {}},
                      {"text", QByteArray("nota fiscal 123\n").repeated(300)},
                      {"foreign", m_foreign},
                      {"schema damaged", schemaPageDamaged},
                      {"header damaged", headerDamaged}};

        const auto row = [](const char* name, const char* engine, const char* kind,
                            const char* message) {
            QTest::newRow(name) << engine << kind << QString::fromUtf8(message);
        };
        row("missing", "sqlite", "missing", "o arquivo não existe");
        row("empty", "sqlite", "empty", "o arquivo está vazio");
        row("not a database", "sqlite", "text", "o arquivo não é um banco de dados SQLite");
        row("foreign", "sqlite", "foreign",
            "não é um banco de dados do KLX (faltam as tabelas BANCO, CHEQUE, CONTCORR");
        row("corrupt schema", "sqlite", "schema damaged", "o banco de dados está corrompido");
        row("corrupt header", "sqlite", "header damaged",
            "o arquivo não é um banco de dados SQLite");
        row("folder", "sqlite", "folder", "não é um arquivo de banco de dados");
        row("missing .fdb", "firebird", "missing", "o arquivo não existe");
        row("empty .fdb", "firebird", "empty", "o arquivo está vazio");
        row("SQLite file as .fdb", "firebird", "foreign",
            "Não foi possível abrir o banco de dados");
        // The package recommends the embedded engine; a machine without it says what is missing.
        row("no embedded engine", "firebird", "no engine",
            "o motor embutido do Firebird não está instalado (pacote firebird3.0-server-core)");
    }

    void unusableDatabaseIsRefusedAndLeftAsItWas()
    {
        QFETCH(QString, engine);
        QFETCH(QString, kind);
        QFETCH(QString, message);
        if (engine == QLatin1String("firebird") && !firebirdAvailable())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        const QString path =
            m_dir.filePath(QStringLiteral("caso-%1/banco.%2")
                               .arg(++m_case)
                               .arg(engine == QLatin1String("sqlite") ? "sqlite" : "fdb"));
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind != QLatin1String("missing")) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(m_contents.value(kind, m_foreign));
        }
        const Snapshot before = Snapshot::of(path);

        // Firebird's root folder, where its plugins are, as a machine without the engine has it.
        const QTemporaryDir noEngine;
        const Result result =
            report({"--db", engine, "--database", path},
                   kind == QLatin1String("no engine") ? noEngine.path() : QString());
        QCOMPARE(result.code, 1);
        QVERIFY2(result.err.contains(QStringLiteral("'%1': ").arg(path)) &&
                     result.err.contains(message),
                 qPrintable(result.err));
        QVERIFY(Snapshot::of(path) == before);
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::NoDotAndDotDot),
                 kind == QLatin1String("missing") || kind == QLatin1String("folder")
                     ? QStringList()
                     : QStringList{QFileInfo(path).fileName()});
        QVERIFY(!QFile::exists(m_output));
    }

    void lockedDatabaseSaysSoAfterABoundedWait()
    {
        const QString path = copyOfDemo(QStringLiteral("em-uso.sqlite"));
        const Snapshot before = Snapshot::of(path);
        Result result;
        {
            auto other =
                QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("BEGIN EXCLUSIVE")));
            QElapsedTimer clock;
            clock.start();
            result = report({"--database", path});
            qInfo("klx waited %.1f s for the lock", clock.elapsed() / 1000.0);
            QVERIFY(QSqlQuery(other).exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        // Busy now, maybe not later: exit code 3.
        QCOMPARE(result.code, 3);
        QVERIFY2(result.err.contains(QStringLiteral("banco de dados em uso por outro processo")),
                 qPrintable(result.err));
        QVERIFY(Snapshot::of(path) == before);
    }

    // The application only reads its database: a file it may not write serves reports.
    void readOnlyDatabaseServesReportsUnchanged()
    {
        const QString path = copyOfDemo(QStringLiteral("somente-leitura.sqlite"));
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        const Snapshot before = Snapshot::of(path);
        const Result result = report({"--database", path});
        QCOMPARE(result.code, 0);
        QVERIFY(QFile::exists(m_output));
        QVERIFY(Snapshot::of(path) == before);
        QVERIFY(QFile::remove(m_output));
    }

    // A server that nothing answers at is named in the message at once, not after the
    // client library's own wait.
    void unreachableFirebirdServerIsNamed()
    {
        if (!firebirdAvailable())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        QElapsedTimer clock;
        clock.start();
        const Result result =
            report({"--db", "firebird", "--database", "localhost/1:/dados/klx.fdb"});
        qInfo("klx gave up on the server after %.1f s", clock.elapsed() / 1000.0);
        QCOMPARE(result.code, 3);
        QVERIFY2(result.err.contains(QStringLiteral(
                     "Não foi possível conectar ao servidor Firebird localhost, porta 1")),
                 qPrintable(result.err));
    }

private:
    static bool firebirdAvailable()
    {
        return QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE"));
    }

    QString copyOfDemo(const QString& name)
    {
        const QString path = m_dir.filePath(name);
        QFile::remove(path);
        if (!QFile::copy(m_demo, path))
            qFatal("cannot copy the demo database");
        return path;
    }

    // Runs "klx report" writing a PDF with the database options given.
    Result report(const QStringList& databaseOptions, const QString& firebirdRoot = QString())
    {
        return ProgramRun::run(QStringLiteral("klx"),
                               QStringList{QStringLiteral("report"), QStringLiteral("--reports"),
                                           QStringLiteral(KLX_SOURCE_DIR "/reports"),
                                           QStringLiteral("--operator"), QStringLiteral("ADM"),
                                           QStringLiteral("--output"), m_output} +
                                   databaseOptions,
                               {{QStringLiteral("KLX_PASSWORD"), QStringLiteral("qualquer")},
                                {QStringLiteral("FIREBIRD"), firebirdRoot}});
    }

    QTemporaryDir m_dir;
    const QString m_demo = m_dir.filePath(QStringLiteral("demo.sqlite"));
    const QString m_output = m_dir.filePath(QStringLiteral("relatorio.pdf"));
    QByteArray m_foreign;
    QHash<QString, QByteArray> m_contents;
    int m_case = 0;
};

QTEST_GUILESS_MAIN(TestDatabaseFaults)
#include "tst_database_faults.moc"
