// The application against a Firebird server over TCP (tools/firebird-server.sh): klx pointed
// at it by an INI file, report queries run as a user that may only read, sequences out of a
// report's reach, and a server that stops or goes away in the middle of a report. Every test
// but the unreachable server skips, saying why, when no server runs.

#include "DemoDatabase.h"
#include "FirebirdServer.h"
#include "ProgramRun.h"
#include "ReportTestSupport.h"
#include "base/Exceptions.h"

#include <QSemaphore>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QtTest>
#include <atomic>

using namespace ReportTest;

namespace {

void exec(const QSqlDatabase& db, const QString& sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw EDatabaseError(sql + QStringLiteral(": ") + query.lastError().text());
}

qint64 sequenceValue(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT GEN_ID(SEQ_TESTE, 0) FROM RDB$DATABASE")) ||
        !query.next())
        throw EDatabaseError(query.lastError().text());
    return query.value(0).toLongLong();
}

// Forwards TCP connections from a port of its own to the server, in a thread of its own. Once
// one connection has carried more than cutAfter bytes from the server, it drops every
// connection and stops listening: to the client, the server went away mid-run.
class VanishingServer : public QThread {
public:
    // Drop: the connections are dropped and the port closed, as when the server goes away.
    // Silence: the connections stay open and nothing more comes, and a new connection is
    // taken and never answered, as when the server's process stops (SIGSTOP) or hangs.
    enum class Ending { Drop, Silence };

    VanishingServer(const FirebirdAddress::Server& server, qint64 cutAfter,
                    Ending ending = Ending::Drop)
        : m_server(server), m_cutAfter(cutAfter), m_ending(ending)
    {
        start();
        m_ready.acquire();
    }
    ~VanishingServer() override
    {
        quit();
        wait();
    }

    quint16 port() const { return m_port; }
    bool cut() const { return m_cut; }
    // Stops listening without touching open connections: the server "stopped".
    void stopListening()
    {
        QMetaObject::invokeMethod(
            m_listener, [this] { m_listener->close(); }, Qt::BlockingQueuedConnection);
    }

protected:
    void run() override
    {
        QTcpServer listener;
        m_listener = &listener;
        listener.listen(QHostAddress::LocalHost);
        m_port = listener.serverPort();
        QObject::connect(&listener, &QTcpServer::newConnection, &listener,
                         [this, &listener] { forward(listener.nextPendingConnection()); });
        m_ready.release();
        exec();
        m_listener = nullptr;
    }

private:
    void forward(QTcpSocket* client)
    {
        if (m_cut)
            return; // silent: taken, never answered
        auto* upstream = new QTcpSocket(client);
        auto* carried = new qint64(0);
        QObject::connect(client, &QObject::destroyed, [carried] { delete carried; });
        upstream->connectToHost(m_server.host, m_server.port);
        QObject::connect(client, &QTcpSocket::readyRead, upstream,
                         [client, upstream] { upstream->write(client->readAll()); });
        QObject::connect(upstream, &QTcpSocket::readyRead, client, [=] {
            const QByteArray data = upstream->readAll();
            *carried += data.size();
            if (*carried > m_cutAfter && m_ending == Ending::Silence) {
                m_cut = true;
                return;
            }
            if (*carried > m_cutAfter) {
                m_cut = true;
                m_listener->close();
                for (QTcpSocket* open : m_listener->findChildren<QTcpSocket*>())
                    open->abort();
                return;
            }
            client->write(data);
        });
        QObject::connect(client, &QTcpSocket::disconnected, client, &QObject::deleteLater);
        QObject::connect(upstream, &QTcpSocket::disconnected, client,
                         &QTcpSocket::disconnectFromHost);
    }

    FirebirdAddress::Server m_server;
    qint64 m_cutAfter;
    Ending m_ending;
    QTcpServer* m_listener = nullptr;
    quint16 m_port = 0;
    std::atomic_bool m_cut{false};
    QSemaphore m_ready;
};

FirebirdAddress::Server testServer()
{
    return *FirebirdAddress::serverOf(FirebirdServer::address() + QStringLiteral(":/x"));
}

} // namespace

class TestFirebirdServer : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (QTest::currentTestFunction() == QLatin1String("unreachableServerIsNamed") ||
            QTest::currentTestFunction() == QLatin1String("silentServerIsNamedInTime"))
            return;
        const QString reason = FirebirdServer::unavailable();
        if (!reason.isEmpty())
            QSKIP(qPrintable(reason));
    }

    // The README's way: an INI file names the server; the report matches the embedded one.
    void klxReportsThroughTheServer()
    {
        const QString local = m_dir.filePath(QStringLiteral("ini.fdb"));
        createDemoDatabase(local, DatabaseConfig::Engine::Firebird);
        const QString ini = m_dir.filePath(QStringLiteral("servidor.ini"));
        QFile file(ini);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QStringLiteral("[database]\nengine=firebird\npath=%1\nuser=ADM\n"
                                  "password=%2\n")
                       .arg(FirebirdServer::pathOn(local), FirebirdServer::passwordOf("ADM"))
                       .toUtf8());
        file.close();
        // A password that others may read is refused, naming the file and the fix.
        const QString overTcp = m_dir.filePath(QStringLiteral("servidor.csv"));
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const ProgramRun::Result exposed = ProgramRun::run(
            QStringLiteral("klx"), {"report", "--config", ini, "--output", overTcp});
        QCOMPARE(exposed.code, 2);
        QVERIFY2(exposed.err.contains(QStringLiteral("corrija com: chmod 600 %1").arg(ini)),
                 qPrintable(exposed.err));
        QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
        const QString sqlite = m_dir.filePath(QStringLiteral("demo.sqlite"));
        createDemoDatabase(sqlite);
        const QStringList criteria{"--report",      "2",         "--emission-from", "01/01/2026",
                                   "--emission-to", "31/03/2026"};
        const QString embedded = m_dir.filePath(QStringLiteral("sqlite.csv"));
        QCOMPARE(klx(QStringList{"--config", ini, "--output", overTcp} + criteria), 0);
        QCOMPARE(klx(QStringList{"--database", sqlite, "--operator", "ADM", "--output", embedded} +
                     criteria),
                 0);
        QCOMPARE(contents(overTcp), contents(embedded));
        QVERIFY(contents(overTcp).count('\n') > 20);
    }

    // A report's SELECT that would advance a sequence is refused before it runs, whoever runs
    // it; the words inside a string or a comment are only text.
    void reportsCannotAdvanceSequences_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("refused");
        QTest::newRow("GEN_ID") << "SELECT gen_id (SEQ_TESTE, 1000) AS N FROM RDB$DATABASE" << true;
        QTest::newRow("NEXT VALUE FOR")
            << "SELECT NEXT  VALUE\n FOR SEQ_TESTE AS N FROM RDB$DATABASE" << true;
        QTest::newRow("in a derived table")
            << "SELECT X.N FROM (SELECT GEN_ID(SEQ_TESTE, 5) AS N FROM RDB$DATABASE) X" << true;
        QTest::newRow("in a string")
            << "SELECT 'GEN_ID(SEQ_TESTE, 1)' AS N FROM RDB$DATABASE" << false;
        QTest::newRow("in a comment")
            << "SELECT 1 AS N /* NEXT VALUE FOR SEQ_TESTE */ FROM RDB$DATABASE" << false;
        // Firebird's alternative string literals hide nothing.
        for (const char* literal : {"q'{'}'", "q'(')'", "q'['']'", "q'<'>'", "q'#'#'"})
            QTest::addRow("behind %s", literal)
                << QStringLiteral("SELECT %1 AS QQ, GEN_ID(SEQ_TESTE, 1000) AS G, 'x' AS X FROM "
                                  "RDB$DATABASE")
                       .arg(QLatin1String(literal))
                << true;
        QTest::newRow("inside a q literal")
            << "SELECT q'{GEN_ID(SEQ_TESTE, 1)}' AS N FROM RDB$DATABASE" << false;
    }

    // The server's own refusal is the real control: an operator, under the report role,
    // has no USAGE on any sequence, whatever text reaches the server.
    void operatorsCannotAdvanceSequences()
    {
        const auto owner = FirebirdServer::openDemo(m_dir, QStringLiteral("usagem.fdb"));
        exec(owner->database(), QStringLiteral("CREATE SEQUENCE SEQ_TESTE"));
        DatabaseConfig config = owner->config();
        owner->close();
        config.administrator = false;
        config.user = QStringLiteral("OPER");
        config.password = FirebirdServer::passwordOf(config.user);
        TdtmDBGeral operatorModule;
        operatorModule.open(config);
        QSqlQuery query(operatorModule.database());
        QVERIFY(!query.exec(QStringLiteral("SELECT GEN_ID(SEQ_TESTE, 1000) FROM RDB$DATABASE")));
        QVERIFY2(query.lastError().text().contains(QStringLiteral("no permission for USAGE")),
                 qPrintable(query.lastError().text()));
        operatorModule.close();
        config.administrator = true;
        config.user = QStringLiteral("SYSDBA");
        config.password = qEnvironmentVariable("KLX_SYSDBA_PASSWORD");
        TdtmDBGeral checker;
        checker.open(config);
        QCOMPARE(sequenceValue(checker.database()), 0);
    }

    void reportsCannotAdvanceSequences()
    {
        QFETCH(QString, sql);
        QFETCH(bool, refused);
        if (!m_sequences) {
            m_sequences = FirebirdServer::openDemo(m_dir, QStringLiteral("sequencia.fdb"));
            exec(m_sequences->database(), QStringLiteral("CREATE SEQUENCE SEQ_TESTE"));
        }
        const ReportDefinition report =
            ReportDefinition::parse(QStringLiteral("title: Sequência\nsql:\n  ") +
                                        QString(sql).replace('\n', "\n  ") + QLatin1Char('\n'),
                                    QStringLiteral("sequencia.rpt"));
        try {
            run(report, Criteria(), *m_sequences);
            QVERIFY(!refused);
        } catch (const Exception& e) {
            QVERIFY2(refused, qPrintable(e.Message()));
            QCOMPARE(e.Message(),
                     QStringLiteral("Sequência: a consulta do relatório não pode avançar "
                                    "sequências (GEN_ID, NEXT VALUE FOR): um relatório só lê "
                                    "dados."));
        }
        QCOMPARE(sequenceValue(m_sequences->database()), 0);
    }

    // The server goes away while the report's rows arrive: the run stops with a message that
    // says so, instead of the driver's words alone.
    void serverLostMidReport()
    {
        const QString local = m_dir.filePath(QStringLiteral("grande.fdb"));
        QCOMPARE(ProgramRun::run(QStringLiteral("klx-gendata"), {"--db", "firebird", "--accounts",
                                                                 "100", "--checks", "20000", local})
                     .code,
                 0);
        VanishingServer proxy(testServer(), 256 * 1024);
        TdtmDBGeral module;
        DatabaseConfig config;
        config.engine = DatabaseConfig::Engine::Firebird;
        config.path = QStringLiteral("127.0.0.1/%1:%2").arg(proxy.port()).arg(local);
        config.user = QStringLiteral("ADM");
        config.password = FirebirdServer::passwordOf(QStringLiteral("ADM"));
        module.open(config);
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        try {
            run(definition(1), all, module);
            QFAIL("the report ended although the server went away");
        } catch (const EDatabaseError& e) {
            QVERIFY(proxy.cut());
            QVERIFY2(e.Message().startsWith(
                         QStringLiteral("KLX473-1-numero.rpt: durante o relatório, a conexão com "
                                        "o servidor Firebird 127.0.0.1, porta %1, foi perdida")
                             .arg(proxy.port())),
                     qPrintable(e.Message()));
        }
    }

    // A server that stopped after the screen opened is named when a report starts.
    void serverStoppedBeforeTheReport()
    {
        const auto admin =
            FirebirdServer::openDemo(m_dir, QStringLiteral("parado.fdb"), QStringLiteral("ADM"));
        VanishingServer proxy(testServer(), std::numeric_limits<qint64>::max());
        TdtmDBGeral module;
        DatabaseConfig config = admin->config();
        config.path = QStringLiteral("127.0.0.1/%1:%2")
                          .arg(proxy.port())
                          .arg(config.path.section(QLatin1Char(':'), 1));
        admin->close();
        module.open(config);
        proxy.stopListening();
        try {
            run(definition(0), Criteria(), module);
            QFAIL("the report ran without its server");
        } catch (const EDatabaseError& e) {
            QCOMPARE(e.Message(), QStringLiteral("Não foi possível conectar ao servidor Firebird "
                                                 "127.0.0.1, porta %1: conexão recusada: nenhum "
                                                 "servidor atende nessa porta.")
                                      .arg(proxy.port()));
        }
    }

    // A server that takes the connection and never answers is named within the connection
    // timeout (the client library alone waits 180 s), with exit code 3. No server needed: a
    // port that listens and never accepts is such a server.
    void silentServerIsNamedInTime()
    {
        QTcpServer silent;
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        const ProgramRun::Result result = ProgramRun::run(
            QStringLiteral("klx"),
            {"report", "--db", "firebird", "--user", "OPER", "--connect-timeout", "2", "--database",
             QStringLiteral("127.0.0.1/%1:/dados/klx.fdb").arg(silent.serverPort()), "--output",
             m_dir.filePath(QStringLiteral("mudo.pdf"))},
            {{QStringLiteral("KLX_PASSWORD"), QStringLiteral("qualquer")}});
        QCOMPARE(result.code, 3);
        QVERIFY2(result.err.contains(QStringLiteral("Não foi possível conectar ao servidor "
                                                    "Firebird 127.0.0.1, porta %1: o servidor não "
                                                    "respondeu em 2 s.")
                                         .arg(silent.serverPort())),
                 qPrintable(result.err));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("mudo.pdf"))));
    }

    // The server stops answering while the rows arrive (its connections stay open): the run
    // asks it whether it answers, and stops naming it, instead of waiting for ever.
    void serverSilentMidReport()
    {
        const QString local = m_dir.filePath(QStringLiteral("mudo.fdb"));
        QCOMPARE(ProgramRun::run(QStringLiteral("klx-gendata"), {"--db", "firebird", "--accounts",
                                                                 "100", "--checks", "20000", local})
                     .code,
                 0);
        VanishingServer proxy(testServer(), 256 * 1024, VanishingServer::Ending::Silence);
        TdtmDBGeral module;
        DatabaseConfig config;
        config.engine = DatabaseConfig::Engine::Firebird;
        config.path = QStringLiteral("127.0.0.1/%1:%2").arg(proxy.port()).arg(local);
        config.user = QStringLiteral("ADM");
        config.password = FirebirdServer::passwordOf(QStringLiteral("ADM"));
        config.connectTimeoutSeconds = 2;
        module.open(config);
        Criteria all;
        all.emissionFrom = all.emissionTo = std::nullopt;
        try {
            run(definition(1), all, module);
            QFAIL("the report ended although the server stopped answering");
        } catch (const EDatabaseUnavailable& e) {
            QVERIFY(proxy.cut());
            QVERIFY2(e.Message().startsWith(
                         QStringLiteral("KLX473-1-numero.rpt: durante o relatório, o servidor "
                                        "Firebird 127.0.0.1, porta %1, parou de responder")
                             .arg(proxy.port())),
                     qPrintable(e.Message()));
        }
    }

    // No server at the address: klx report names it and exits 1 (no server needed).
    void unreachableServerIsNamed()
    {
        QTcpServer unused;
        QVERIFY(unused.listen(QHostAddress::LocalHost));
        const quint16 port = unused.serverPort();
        unused.close();
        const ProgramRun::Result result =
            ProgramRun::run(QStringLiteral("klx"),
                            {"report", "--db", "firebird", "--operator", "OPER", "--database",
                             QStringLiteral("127.0.0.1/%1:/dados/klx.fdb").arg(port), "--output",
                             m_dir.filePath(QStringLiteral("nada.pdf"))},
                            {{QStringLiteral("KLX_PASSWORD"), QStringLiteral("qualquer")}});
        QCOMPARE(result.code, 3);
        QVERIFY2(result.err.contains(QStringLiteral("Não foi possível conectar ao servidor "
                                                    "Firebird 127.0.0.1, porta %1: conexão "
                                                    "recusada")
                                         .arg(port)),
                 "no message naming the server");
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("nada.pdf"))));
    }

private:
    int klx(const QStringList& args)
    {
        const ProgramRun::Result result =
            ProgramRun::run(QStringLiteral("klx"),
                            QStringList{"report", "--reports", KLX_SOURCE_DIR "/reports"} + args);
        if (result.code != 0)
            qWarning("klx report: %s", qPrintable(result.err));
        return result.code;
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<TdtmDBGeral> m_sequences;
};

QTEST_MAIN(TestFirebirdServer)
#include "tst_firebird_server.moc"
