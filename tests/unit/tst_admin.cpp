// klx-admin on the application's database: "check" finds a sound database sound, names what is
// wrong with a broken one and "repair" mends what it can; a database of an older version, which
// klx refuses, is upgraded, after which klx runs; the record of reports issued takes each issue
// once, through its own routines only, and "verify" tells a file's issue; "import" refuses a
// bad line writing nothing and reads back the program's own export, and an operator of every
// company follows new ones; a local file is not made where a server runs; a server that never
// answers ends klx-admin within its timeout, and a signal at once. On SQLite, on Firebird's
// embedded engine and on the test server.
#include "DemoDatabase.h"
#include "FirebirdServer.h"
#include "ProgramRun.h"
#include "data/FirebirdErrors.h"
#include "data/ReportIssueLog.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <csignal>

namespace {

using Engine = DatabaseConfig::Engine;

QString engineName(Engine engine)
{
    return engine == Engine::Firebird ? QStringLiteral("firebird") : QStringLiteral("sqlite");
}

// The statements of version 3 taken away again: a database as version 2 left it.
QStringList toVersionTwo(Engine engine)
{
    if (engine == Engine::Sqlite)
        return {QStringLiteral("DROP TRIGGER KLX_EMPRESA_TODAS"),
                QStringLiteral("DROP TABLE KLX_EMISSAO"),
                QStringLiteral("ALTER TABLE OPERADOR DROP COLUMN IDTODASEMPRESAS"),
                QStringLiteral("ALTER TABLE CHEQUE DROP COLUMN DTCANCELAMENTO"),
                QStringLiteral("UPDATE KLX_VERSAO SET VERSAO = 2")};
    return {QStringLiteral("DROP PROCEDURE KLX_EMISSAO_CONCLUI"),
            QStringLiteral("DROP PROCEDURE KLX_EMISSAO_INICIA"),
            QStringLiteral("DROP TRIGGER KLX_EMPRESA_TODAS"),
            QStringLiteral("DROP TABLE KLX_EMISSAO"),
            QStringLiteral("DROP SEQUENCE KLX_EMISSAO_NUMERO"),
            QStringLiteral("DROP EXCEPTION KLX_EMISSAO_RECUSADA"),
            QStringLiteral("ALTER TABLE OPERADOR DROP IDTODASEMPRESAS"),
            QStringLiteral("DROP VIEW CHEQUE_OPERADOR"),
            QStringLiteral("ALTER TABLE CHEQUE DROP DTCANCELAMENTO"),
            QStringLiteral("CREATE VIEW CHEQUE_OPERADOR AS SELECT C.* FROM CHEQUE C WHERE "
                           "C.CDEMPRESA IN (SELECT O.CDEMPRESA FROM OPEREMPR O WHERE "
                           "O.CDOPERADOR = CURRENT_USER)"),
            QStringLiteral("GRANT SELECT ON CHEQUE TO VIEW CHEQUE_OPERADOR"),
            QStringLiteral("GRANT SELECT ON OPEREMPR TO VIEW CHEQUE_OPERADOR"),
            QStringLiteral("GRANT SELECT ON CHEQUE_OPERADOR TO ROLE KLX_RELATORIO"),
            QStringLiteral("UPDATE KLX_VERSAO SET VERSAO = 2")};
}

// And those of version 2: a database as version 1 left it.
QStringList toVersionOne(Engine engine)
{
    QStringList statements{QStringLiteral("DROP VIEW CHEQUE_OPERADOR"),
                           QStringLiteral("DROP TABLE KLX_VERSAO")};
    if (engine == Engine::Firebird)
        statements << QStringLiteral("DROP ROLE KLX_RELATORIO");
    return statements;
}

// The emission index as SQLite databases of earlier releases hold it.
const QStringList narrowEmissionIndex{
    QStringLiteral("DROP INDEX IX_CHEQUE_EMISSAO"),
    QStringLiteral("CREATE INDEX IX_CHEQUE_EMISSAO ON CHEQUE (DTEMISSAO)")};

QStringList errorsOf(const QString& out)
{
    return out.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^ERRO")));
}

// The header of the checks the program's CSV export writes, its account and company columns.
const QString checksHeader = QStringLiteral("Conta;Cheque;Emissão;Compensação;Favorecido;Status;"
                                            "Valor (R$);Empresa\n");
const QString goodCheck = QStringLiteral("001;009000;01/03/2026;;Bom;Emitido;10,00;01\n");

} // namespace

Q_DECLARE_METATYPE(DatabaseConfig::Engine)

class TestAdmin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void checkNamesWhatIsWrongAndRepairMendsIt_data();
    void checkNamesWhatIsWrongAndRepairMendsIt();
    void olderVersionsAreRefusedUntilUpgraded_data();
    void olderVersionsAreRefusedUntilUpgraded();
    void issueRecordTakesEachIssueOnce_data();
    void issueRecordTakesEachIssueOnce();
    void verifyAndLogNameTheIssue_data();
    void verifyAndLogNameTheIssue();
    void importRefusesABadLineWritingNothing_data();
    void importRefusesABadLineWritingNothing();
    void importReadsBackTheExportAndAllFollowsNewCompanies_data();
    void importReadsBackTheExportAndAllFollowsNewCompanies();
    void noLocalFileWhereAServerRuns();
    void silentServerEndsWithinTheTimeoutOrOnASignal_data();
    void silentServerEndsWithinTheTimeoutOrOnASignal();
    void commandLineFaultsAreNamed_data();
    void commandLineFaultsAreNamed();
    void serverTextsAreSaidInPortuguese_data();
    void serverTextsAreSaidInPortuguese();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    // A demo database of the engine in the test's folder, only its owner may read it.
    QString demoDatabase(Engine engine, const QString& name = QStringLiteral("c"));
    // Runs statements on the database as its owner; each one commits.
    void runAsOwner(Engine engine, const QString& file, const QStringList& statements);
    int countAsOwner(Engine engine, const QString& file, const QString& sql);
    void write(const QString& relative, const QString& text);
    ProgramRun::Result run(const QString& program, const QStringList& args);
    // klx-admin on the engine's database.
    ProgramRun::Result admin(Engine engine, const QString& database, const QStringList& args);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAdmin::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestAdmin::demoDatabase(Engine engine, const QString& name)
{
    const QString file = path(
        name + (engine == Engine::Firebird ? QStringLiteral(".fdb") : QStringLiteral(".sqlite")));
    createDemoDatabase(file, engine);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    return file;
}

void TestAdmin::runAsOwner(Engine engine, const QString& file, const QStringList& statements)
{
    TdtmDBGeral owner;
    DatabaseConfig config;
    config.engine = engine;
    config.path = file;
    config.administrator = true;
    owner.open(config);
    for (const QString& statement : statements) {
        QSqlQuery query(owner.database());
        QVERIFY2(query.exec(statement),
                 qPrintable(statement + QStringLiteral(": ") + query.lastError().text()));
    }
}

int TestAdmin::countAsOwner(Engine engine, const QString& file, const QString& sql)
{
    TdtmDBGeral owner;
    DatabaseConfig config;
    config.engine = engine;
    config.path = file;
    config.administrator = true;
    owner.open(config);
    QSqlQuery query(owner.database());
    if (!query.exec(sql) || !query.next())
        return -1;
    return query.value(0).toInt();
}

void TestAdmin::write(const QString& relative, const QString& text)
{
    QFile file(path(relative));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
    file.close();
    QFile::setPermissions(path(relative), QFile::ReadOwner | QFile::WriteOwner);
}

ProgramRun::Result TestAdmin::run(const QString& program, const QStringList& args)
{
    return ProgramRun::run(
        program, args,
        {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
         {QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("state"))},
         {QStringLiteral("KLX_SYSTEM_CONFIG"), path(QStringLiteral("klx.ini"))}});
}

ProgramRun::Result TestAdmin::admin(Engine engine, const QString& database, const QStringList& args)
{
    return run(QStringLiteral("klx-admin"), QStringList{QStringLiteral("--db"), engineName(engine),
                                                        QStringLiteral("--database"), database} +
                                                args);
}

void TestAdmin::checkNamesWhatIsWrongAndRepairMendsIt_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QStringList>("breaking");
    QTest::addColumn<QString>("exposed"); // a file made readable by others
    QTest::addColumn<QString>("finding"); // the first ERRO line, empty for a sound database
    QTest::addColumn<bool>("repaired");   // repair mends it

    const QString none;
    for (const Engine engine : {Engine::Sqlite, Engine::Firebird}) {
        const auto row = [engine](const char* name) -> QTestData& {
            return QTest::newRow(
                qPrintable(QStringLiteral("%1 (%2)").arg(QLatin1String(name), engineName(engine))));
        };
        row("sound") << engine << QStringList() << none << none << true;
        row("no version table") << engine << QStringList{QStringLiteral("DROP TABLE KLX_VERSAO")}
                                << none
                                << QStringLiteral("esquema na versão 1; rode klx-admin upgrade")
                                << false;
        row("view missing") << engine << QStringList{QStringLiteral("DROP VIEW CHEQUE_OPERADOR")}
                            << none << QStringLiteral("falta a visão CHEQUE_OPERADOR") << true;
        row("the view widened to every check")
            << engine
            << QStringList{QStringLiteral("DROP VIEW CHEQUE_OPERADOR"),
                           QStringLiteral(
                               "CREATE VIEW CHEQUE_OPERADOR AS SELECT C.* FROM CHEQUE C")}
            << none << QStringLiteral("diferentes do esquema: a visão CHEQUE_OPERADOR") << true;
        row("new companies no longer followed")
            << engine << QStringList{QStringLiteral("DROP TRIGGER KLX_EMPRESA_TODAS")} << none
            << QStringLiteral("falta o gatilho KLX_EMPRESA_TODAS") << true;
        row("an operator of every company lacks one")
            << engine
            << QStringList{QStringLiteral(
                   "UPDATE OPERADOR SET IDTODASEMPRESAS = 'S' WHERE CDOPERADOR = 'ADM'")}
            << none << QStringLiteral("operador ADM é de todas as empresas mas não vê 04") << true;
        row("password file readable by others")
            << engine << QStringList() << QStringLiteral("oper.pw")
            << QStringLiteral("oper.pw guarda uma senha e outros usuários o leem: chmod 600")
            << false;
        row("a password in the machine's configuration")
            << engine << QStringList() << QStringLiteral("klx.ini")
            << QStringLiteral("guarda uma senha, e todos os operadores leem esse arquivo: tire a "
                              "linha password dele")
            << false;
        row("database file readable by others")
            << engine << QStringList() << QStringLiteral("database")
            << QStringLiteral("; outros usuários o leem: chmod o-rwx") << true;
    }
    const Engine sqlite = Engine::Sqlite;
    QTest::newRow("an index of an older schema")
        << sqlite << narrowEmissionIndex << none
        << QStringLiteral(
               "índices diferentes do esquema: IX_CHEQUE_EMISSAO; rode klx-admin upgrade")
        << true;
    QTest::newRow("the record of issues may be deleted")
        << sqlite << QStringList{QStringLiteral("DROP TRIGGER KLX_EMISSAO_SEM_EXCLUSAO")} << none
        << QStringLiteral("falta o gatilho KLX_EMISSAO_SEM_EXCLUSAO") << true;
    const Engine firebird = Engine::Firebird;
    const auto breaking = [firebird](const char* name, const char* statement) -> QTestData& {
        return QTest::newRow(name)
               << firebird << QStringList{QLatin1String(statement)} << QString();
    };
    breaking("CODES missing", "DROP PROCEDURE CODES")
        << QStringLiteral("falta o procedimento CODES") << true;
    breaking("grant missing", "REVOKE SELECT ON EMPRESA FROM ROLE KLX_RELATORIO")
        << QStringLiteral("faltam permissões do esquema: SELECT em EMPRESA para o papel "
                          "KLX_RELATORIO;")
        << true;
    breaking("a right too many", "GRANT SELECT ON CHEQUE TO ROLE KLX_RELATORIO")
        << QStringLiteral("permissões que o esquema não dá: SELECT em CHEQUE para o papel "
                          "KLX_RELATORIO;")
        << true;
    breaking("the role may write the record", "GRANT INSERT ON KLX_EMISSAO TO ROLE KLX_RELATORIO")
        << QStringLiteral("permissões que o esquema não dá: INSERT em KLX_EMISSAO para o papel "
                          "KLX_RELATORIO;")
        << true;
    breaking("PUBLIC reads CHEQUE", "GRANT SELECT ON CHEQUE TO PUBLIC")
        << QStringLiteral("permissões que o esquema não dá: SELECT em CHEQUE para PUBLIC") << true;
    breaking("an operator reads CHEQUE itself", "GRANT SELECT ON CHEQUE TO USER OPER")
        << QStringLiteral("permissões que o esquema não dá: SELECT em CHEQUE para o usuário OPER")
        << true;
    breaking("the role given to a stranger", "GRANT KLX_RELATORIO TO USER ESTRANHO")
        << QStringLiteral("o papel KLX_RELATORIO para o usuário ESTRANHO, que não é operador")
        << true;
    breaking("the view cannot read CHEQUE", "REVOKE SELECT ON CHEQUE FROM VIEW CHEQUE_OPERADOR")
        << QStringLiteral("faltam permissões do esquema: SELECT em CHEQUE para a visão "
                          "CHEQUE_OPERADOR")
        << true;
    breaking("a routine of the record changed",
             "CREATE OR ALTER PROCEDURE KLX_EMISSAO_CONCLUI (NUMERO INTEGER, LINHAS INTEGER, "
             "PAGINAS INTEGER, TOTAIS VARCHAR(1000), SHA256 CHAR(64)) AS BEGIN END")
        << QStringLiteral("diferentes do esquema: o procedimento KLX_EMISSAO_CONCLUI") << true;
    breaking("an operator without the role", "REVOKE KLX_RELATORIO FROM OPER")
        << QStringLiteral("operador OPER não entra: não tem o papel KLX_RELATORIO neste banco")
        << true;
}

void TestAdmin::checkNamesWhatIsWrongAndRepairMendsIt()
{
    QFETCH(Engine, engine);
    QFETCH(QStringList, breaking);
    QFETCH(QString, exposed);
    QFETCH(QString, finding);
    QFETCH(bool, repaired);
    const QString database = demoDatabase(engine);
    runAsOwner(engine, database, breaking);
    const QString passwordFile = path(QStringLiteral("oper.pw"));
    write(QStringLiteral("oper.pw"), QStringLiteral("uma-senha\n"));
    if (exposed == QLatin1String("klx.ini"))
        write(exposed, QStringLiteral("[database]\npassword=segredo\n"));
    else if (!exposed.isEmpty())
        QFile::setPermissions(exposed == QLatin1String("database") ? database : passwordFile,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                  QFile::ReadOther);
    const QStringList check{QStringLiteral("check"), QStringLiteral("--file"), passwordFile};

    const ProgramRun::Result result = admin(engine, database, check);
    const QStringList errors = errorsOf(result.out);
    if (finding.isEmpty()) {
        QVERIFY2(result.code == 0 && errors.isEmpty(), qPrintable(result.out + result.err));
        QVERIFY2(result.out.contains(QStringLiteral("esquema na versão 3")),
                 qPrintable(result.out));
        // The demo's company 04 is nobody's: said, and no error.
        QVERIFY2(result.out.contains(QStringLiteral("AVISO nenhum operador vê as empresas 04")),
                 qPrintable(result.out));
    } else {
        QVERIFY2(result.code == 1, qPrintable(result.out + result.err));
        // The fault comes first; what follows from it (a right on what is gone) may come after.
        QVERIFY2(!errors.isEmpty() && errors.first().contains(finding),
                 qPrintable(result.out + result.err));
        QVERIFY2(result.err.contains(QStringLiteral("o banco ou os arquivos têm problemas")),
                 qPrintable(result.err));
    }
    if (!repaired)
        return;
    const ProgramRun::Result repair = admin(engine, database, {QStringLiteral("repair")});
    QVERIFY2(repair.code == 0, qPrintable(repair.out + repair.err));
    QCOMPARE(repair.out.startsWith(QStringLiteral("nada a reparar")), finding.isEmpty());
    const ProgramRun::Result again = admin(engine, database, check);
    QVERIFY2(again.code == 0 && errorsOf(again.out).isEmpty(), qPrintable(again.out + again.err));
}

void TestAdmin::olderVersionsAreRefusedUntilUpgraded_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<bool>("server");
    QTest::addColumn<int>("version");
    for (const int version : {1, 2}) {
        const auto row = [version](const char* name) -> QTestData& {
            return QTest::newRow(
                qPrintable(QStringLiteral("%1, version %2").arg(name).arg(version)));
        };
        row("sqlite") << Engine::Sqlite << false << version;
        row("firebird embedded") << Engine::Firebird << false << version;
        row("firebird server") << Engine::Firebird << true << version;
    }
}

void TestAdmin::olderVersionsAreRefusedUntilUpgraded()
{
    QFETCH(Engine, engine);
    QFETCH(bool, server);
    QFETCH(int, version);
    if (const QString why = FirebirdServer::unavailable(); server && !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString file = demoDatabase(engine);
    QStringList downgrade = toVersionTwo(engine);
    if (version == 1)
        downgrade << toVersionOne(engine);
    if (engine == Engine::Sqlite)
        downgrade << narrowEmissionIndex;
    runAsOwner(engine, file, downgrade);
    const QString database = server ? FirebirdServer::pathOn(file) : file;

    QStringList login{QStringLiteral("--operator"), QStringLiteral("ADM")};
    if (server) {
        const QString passwords = qEnvironmentVariable("KLX_TEST_PASSWORDS");
        login =
            QStringList{QStringLiteral("--user"), QStringLiteral("ADM"),
                        QStringLiteral("--password-file"), passwords + QStringLiteral("/ADM.pw")};
    }
    const QStringList report =
        QStringList{QStringLiteral("report"), QStringLiteral("--db"), engineName(engine),
                    QStringLiteral("--database"), database}
        << login << QStringLiteral("--output") << path(QStringLiteral("cheques.csv"));
    const ProgramRun::Result refused = run(QStringLiteral("klx"), report);
    QVERIFY2(refused.code == 1, qPrintable(refused.err));
    QVERIFY2(refused.err.contains(
                 QStringLiteral("banco na versão %1; rode klx-admin upgrade").arg(version)),
             qPrintable(refused.err));
    QVERIFY(!QFile::exists(path(QStringLiteral("cheques.csv"))));

    const ProgramRun::Result upgraded = admin(engine, database, {QStringLiteral("upgrade")});
    QVERIFY2(upgraded.code == 0 &&
                 upgraded.out.contains(
                     QStringLiteral("banco atualizado da versão %1 para a 3").arg(version)),
             qPrintable(upgraded.out + upgraded.err));
    // What version 3 adds is there: the view carries the new column.
    QCOMPARE(countAsOwner(engine, file,
                          QStringLiteral("SELECT COUNT(DTCANCELAMENTO) FROM CHEQUE_OPERADOR")),
             0);
    // The demo's operator CONSULTA has no login on the test server: it cannot log in, and
    // check says so, and nothing else.
    const ProgramRun::Result checked = admin(engine, database, {QStringLiteral("check")});
    const QStringList errors = errorsOf(checked.out);
    if (server)
        QVERIFY2(checked.code == 1 && errors.size() == 1 &&
                     errors.first().contains(QStringLiteral(
                         "operador CONSULTA não entra: o usuário CONSULTA não existe neste "
                         "servidor (crie-o com: klx-admin operator add CONSULTA")),
                 qPrintable(checked.out + checked.err));
    else
        QVERIFY2(checked.code == 0 && errors.isEmpty(), qPrintable(checked.out + checked.err));
    const ProgramRun::Result ran = run(QStringLiteral("klx"), report);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    QVERIFY(QFile::exists(path(QStringLiteral("cheques.csv"))));
}

void TestAdmin::issueRecordTakesEachIssueOnce_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<bool>("server");
    QTest::newRow("sqlite") << Engine::Sqlite << false;
    QTest::newRow("firebird embedded") << Engine::Firebird << false;
    QTest::newRow("firebird server") << Engine::Firebird << true;
}

void TestAdmin::issueRecordTakesEachIssueOnce()
{
    QFETCH(Engine, engine);
    QFETCH(bool, server);
    if (const QString why = FirebirdServer::unavailable(); server && !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString file = demoDatabase(engine);
    const auto connect = [&](const QString& user, bool owner) {
        auto module = std::make_unique<TdtmDBGeral>();
        DatabaseConfig config;
        config.engine = engine;
        config.path = server ? FirebirdServer::pathOn(file) : file;
        config.administrator = owner;
        config.user = owner && server ? QStringLiteral("SYSDBA") : user;
        config.password =
            owner ? qEnvironmentVariable("KLX_SYSDBA_PASSWORD") : FirebirdServer::passwordOf(user);
        module->open(config);
        return module;
    };
    const auto oper = connect(QStringLiteral("OPER"), false);
    ReportIssueLog log(oper->database());
    const ReportIssueLog::Issue issue{QStringLiteral("OPER"), QStringLiteral("Relação de cheques"),
                                      QStringLiteral("Empresas: 02\nEmissão: 01/03/2026 a "
                                                     "31/03/2026"),
                                      QStringLiteral("pdf")};
    const ReportIssueLog::Outcome outcome{12, 1, QStringLiteral("Emitidos: 3 — 1.234,56"),
                                          QStringLiteral("ab") + QString(62, QLatin1Char('0'))};
    const int first = log.begin(issue);
    const int second = log.begin(issue);
    QCOMPARE(second, first + 1);
    log.finish(first, outcome);
    const auto refused = [](const std::function<void()>& call) {
        try {
            call();
        } catch (const EDatabaseError&) {
            return true;
        }
        return false;
    };
    // Completed once, never again; never deleted; written through the routines only.
    QVERIFY(refused([&] { log.finish(first, outcome); }));
    QSqlQuery direct(oper->database());
    QVERIFY(!direct.exec(QStringLiteral("DELETE FROM KLX_EMISSAO")));
    QVERIFY(!direct.exec(
        QStringLiteral("UPDATE KLX_EMISSAO SET QTLINHAS = 0 WHERE NREMISSAO = %1").arg(first)));
    if (engine == Engine::Firebird) {
        QVERIFY(!direct.exec(QStringLiteral("SELECT COUNT(*) FROM KLX_EMISSAO")));
        QVERIFY(!direct.exec(QStringLiteral("INSERT INTO KLX_EMISSAO (NREMISSAO, CDOPERADOR, "
                                            "DTHEMISSAO, NMRELATORIO, IDSAIDA) VALUES (999, "
                                            "'ADM', CURRENT_TIMESTAMP, 'x', 'pdf')")));
        // Another operator cannot complete OPER's issue.
        const auto adm = connect(QStringLiteral("ADM"), false);
        QVERIFY(refused([&] { ReportIssueLog(adm->database()).finish(second, outcome); }));
    }
    log.finish(second, {0, 1, QString(), QString()});

    const auto owner = connect(QString(), true);
    ReportIssueLog record(owner->database());
    const QList<ReportIssueLog::Entry> entries =
        record.entries(QDate::currentDate(), QStringLiteral("oper"));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries.first().number, first);
    QCOMPARE(entries.first().operatorCode, QStringLiteral("OPER"));
    QCOMPARE(entries.first().criteria, issue.criteria);
    QCOMPARE(entries.first().output, QStringLiteral("pdf"));
    QVERIFY(qAbs(entries.first().issued.secsTo(QDateTime::currentDateTime())) < 600);
    QVERIFY(entries.first().outcome);
    QCOMPARE(entries.first().outcome->rows, 12);
    QCOMPARE(entries.first().outcome->totals, outcome.totals);
    QCOMPARE(entries.first().outcome->sha256, outcome.sha256);
    QCOMPARE(record.byDigest(outcome.sha256.toUpper())->number, first);
    QVERIFY(record.entries(QDate::currentDate().addDays(1), QString()).isEmpty());
    QVERIFY(record.entries(std::nullopt, QStringLiteral("ADM")).isEmpty());

    write(QStringLiteral("abc"), QStringLiteral("abc"));
    QCOMPARE(ReportIssueLog::digestOf(path(QStringLiteral("abc"))),
             QStringLiteral("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"));
}

void TestAdmin::verifyAndLogNameTheIssue_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::newRow("sqlite") << Engine::Sqlite;
    QTest::newRow("firebird") << Engine::Firebird;
}

void TestAdmin::verifyAndLogNameTheIssue()
{
    QFETCH(Engine, engine);
    const QString database = demoDatabase(engine);
    write(QStringLiteral("cheques.csv"), QStringLiteral("Conta;Cheque\n001;001101\n"));
    int number = 0;
    {
        TdtmDBGeral oper;
        DatabaseConfig config;
        config.engine = engine;
        config.path = database;
        config.user = QStringLiteral("OPER");
        oper.open(config);
        ReportIssueLog log(oper.database());
        number = log.record(
            {QStringLiteral("OPER"), QStringLiteral("Relação de cheques"),
             QStringLiteral("Empresas: 02"), QStringLiteral("csv")},
            {1, 1, QString(), ReportIssueLog::digestOf(path(QStringLiteral("cheques.csv")))});
    }
    const QString issue =
        QStringLiteral("emissão nº %1: \"Relação de cheques\" (csv), por OPER").arg(number);
    const QStringList verify{QStringLiteral("verify"), path(QStringLiteral("cheques.csv"))};
    ProgramRun::Result result = admin(engine, database, verify);
    QVERIFY2(result.code == 0 && result.out.contains(QStringLiteral("é a ") + issue) &&
                 result.out.contains(QStringLiteral("inalterado")),
             qPrintable(result.out + result.err));

    // Changed, and saying which issue it was; changed without saying so.
    write(QStringLiteral("cheques.csv"),
          QStringLiteral("Conta;Cheque\n001;001199\nEmissão nº %1\n").arg(number));
    result = admin(engine, database, verify);
    QVERIFY2(result.code == 1 && result.err.contains(QStringLiteral("diz ser a ") + issue) &&
                 result.err.contains(QStringLiteral("mas foi alterado")),
             qPrintable(result.out + result.err));
    write(QStringLiteral("cheques.csv"), QStringLiteral("Conta;Cheque\n001;001199\n"));
    result = admin(engine, database, verify);
    QVERIFY2(result.code == 1 && result.err.contains(QStringLiteral(
                                     "não corresponde a nenhuma emissão registrada neste banco")),
             qPrintable(result.out + result.err));

    result = admin(engine, database,
                   {QStringLiteral("log"), QStringLiteral("--operator"), QStringLiteral("oper"),
                    QStringLiteral("--since"), QDate::currentDate().toString("dd/MM/yyyy")});
    QVERIFY2(
        result.code == 0 &&
            result.out.contains(QRegularExpression(
                QStringLiteral("^ +%1  \\d\\d/\\d\\d/\\d{4} [\\d:]{8}  OPER  csv  Relação de "
                               "cheques  1 linhas, 1 páginas  SHA-256 [0-9a-f]{64}\n +Empresas: "
                               "02\n$")
                    .arg(number))),
        qPrintable(result.out + result.err));
    result = admin(engine, database,
                   {QStringLiteral("log"), QStringLiteral("--since"),
                    QDate::currentDate().addDays(1).toString("dd/MM/yyyy")});
    QVERIFY2(result.code == 0 &&
                 result.out == QStringLiteral("nenhuma emissão registrada com esses "
                                              "filtros\n"),
             qPrintable(result.out + result.err));
}

void TestAdmin::importRefusesABadLineWritingNothing_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QString>("lines");  // after the header and a good line
    QTest::addColumn<QString>("reason"); // said for line 3, or for the file
    for (const Engine engine : {Engine::Sqlite, Engine::Firebird}) {
        const auto row = [engine](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(
                       QStringLiteral("%1 (%2)").arg(QLatin1String(name), engineName(engine))))
                   << engine;
        };
        row("impossible date") << "001;009001;31/02/2026;;X;Emitido;10,00;01\n"
                               << "cheques.csv:3: data de emissão inválida '31/02/2026'";
        row("unknown account") << "012;009001;01/03/2026;;X;Emitido;10,00;01\n"
                               << "cheques.csv:3: conta 012 não cadastrada nem importada antes";
        row("another company's account")
            << "001;009001;01/03/2026;;X;Emitido;10,00;02\n"
            << "cheques.csv:3: empresa 02, mas a conta 001 é da empresa 01";
        row("unknown state") << "001;009001;01/03/2026;;X;Pago;10,00;01\n"
                             << "cheques.csv:3: situação inválida 'Pago'";
        row("malformed amount") << "001;009001;01/03/2026;;X;Emitido;1,2,3;01\n"
                                << "cheques.csv:3: valor inválido '1,2,3'";
        row("negative amount") << "001;009001;01/03/2026;;X;Emitido;-10,00;01\n"
                               << "cheques.csv:3: valor inválido '-10,00'";
        row("check number of letters") << "001;12A;01/03/2026;;X;Emitido;10,00;01\n"
                                       << "cheques.csv:3: número do cheque inválido '12A'";
        row("payee too long") << "001;009001;01/03/2026;;" + QString(61, QLatin1Char('x')) +
                                     ";Emitido;10,00;01\n"
                              << "cheques.csv:3: favorecido com mais de 60 caracteres";
        row("repeated in the file") << goodCheck << "cheques.csv:3: cheque 001/009000 repetido";
        row("already in the database") << "001;001101;01/03/2026;;X;Emitido;10,00;01\n"
                                       << "cheques.csv:3: cheque 001/001101 repetido";
        row("quote never closed") << "001;009001;01/03/2026;;\"Sem fim;Emitido;10,00;01\n"
                                  << "cheques.csv:3: linha 3: aspas abertas e nunca fechadas";
        row("no state column") << QString()
                               << "cheques.csv: arquivo de cheques sem as colunas "
                                  "IDSTATUS";
    }
}

void TestAdmin::importRefusesABadLineWritingNothing()
{
    QFETCH(Engine, engine);
    QFETCH(QString, lines);
    QFETCH(QString, reason);
    const QString database = demoDatabase(engine);
    const QString checks = QStringLiteral("SELECT COUNT(*) FROM CHEQUE");
    const int before = countAsOwner(engine, database, checks);
    QVERIFY(before > 0);
    const QString header =
        lines.isEmpty() ? QString(checksHeader).remove(QStringLiteral("Status;")) : checksHeader;
    const QString good =
        lines.isEmpty() ? QString(goodCheck).remove(QStringLiteral("Emitido;")) : goodCheck;
    write(QStringLiteral("cheques.csv"), header + good + lines);
    // The company goes in too, and goes with the rest.
    write(QStringLiteral("empresas.csv"), QStringLiteral("CDEMPRESA,NMEMPRESA\n09,Nova\n"));
    QDir::setCurrent(m_dir->path());
    for (const QString& dryRun : {QStringLiteral("--dry-run"), QString()}) {
        QStringList args{QStringLiteral("import"), QStringLiteral("cheques.csv"),
                         QStringLiteral("empresas.csv")};
        if (!dryRun.isEmpty())
            args << dryRun;
        const ProgramRun::Result result = admin(engine, database, args);
        QVERIFY2(result.code == 1 && result.err.contains(reason),
                 qPrintable(result.out + result.err));
        if (!lines.isEmpty())
            QVERIFY2(result.err.contains(QStringLiteral("1 linhas recusadas; nada foi gravado")) &&
                         !result.err.contains(QStringLiteral("cheques.csv:2:")),
                     qPrintable(result.err));
    }
    QCOMPARE(countAsOwner(engine, database, checks), before);
    QCOMPARE(countAsOwner(engine, database,
                          QStringLiteral("SELECT COUNT(*) FROM EMPRESA WHERE CDEMPRESA = '09'")),
             0);
}

void TestAdmin::importReadsBackTheExportAndAllFollowsNewCompanies_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<bool>("excel"); // the export for a spreadsheet: ="001" codes, a BOM
    QTest::newRow("sqlite") << Engine::Sqlite << false;
    QTest::newRow("sqlite, for a spreadsheet") << Engine::Sqlite << true;
    QTest::newRow("firebird") << Engine::Firebird << false;
}

void TestAdmin::importReadsBackTheExportAndAllFollowsNewCompanies()
{
    QFETCH(Engine, engine);
    QFETCH(bool, excel);
    const QString source = demoDatabase(engine);
    const auto report = [&](const QString& database, const QString& output) {
        QStringList args{QStringLiteral("report"),
                         QStringLiteral("--db"),
                         engineName(engine),
                         QStringLiteral("--database"),
                         database,
                         QStringLiteral("--operator"),
                         QStringLiteral("adm"),
                         QStringLiteral("--report"),
                         QStringLiteral("1"),
                         QStringLiteral("--companies"),
                         QStringLiteral("01"),
                         QStringLiteral("--emission-from"),
                         QStringLiteral("01/01/2000"),
                         QStringLiteral("--emission-to"),
                         QStringLiteral("31/12/2030"),
                         QStringLiteral("--output"),
                         path(output)};
        if (excel)
            args << QStringLiteral("--csv-excel");
        return run(QStringLiteral("klx"), args);
    };
    ProgramRun::Result result = report(source, QStringLiteral("exportado.csv"));
    QVERIFY2(result.code == 0, qPrintable(result.err));

    const QString target = path(engine == Engine::Firebird ? QStringLiteral("novo.fdb")
                                                           : QStringLiteral("novo.sqlite"));
    result = admin(engine, target, {QStringLiteral("create"), QStringLiteral("--embedded")});
    QVERIFY2(result.code == 0, qPrintable(result.err));
    write(QStringLiteral("empresas.csv"), QStringLiteral("Empresa;Nome da empresa\n"
                                                         "01;Comercial Horizonte Ltda\n"));
    write(QStringLiteral("bancos.csv"), QStringLiteral("CDBANCO,NMBANCO,CDPICTAGEN,CDPICTCONT\n"
                                                       "001,Banco Aurora S.A.,9999-9,99999-9\n"
                                                       "33,Banco Meridiano S.A.,9999,9.999.999-9\n"
                                                       "237,\"Banco Planalto, S.A.\",,\n"));
    write(QStringLiteral("contas.csv"),
          QStringLiteral("Conta;Empresa;Banco;Agência;Número da conta;Descrição da conta\n"
                         "001;01;001;12345;123456;Movimento Aurora\n"
                         "002;01;033;0451;12345678;Cobrança Meridiano\n"
                         "100;1;237;44445;4455667;Investimentos\n"));
    // The files in any order: each table's rows after those they refer to.
    const QStringList files{path(QStringLiteral("exportado.csv")),
                            path(QStringLiteral("contas.csv")), path(QStringLiteral("bancos.csv")),
                            path(QStringLiteral("empresas.csv"))};
    result = admin(engine, target,
                   QStringList{QStringLiteral("import"), QStringLiteral("--dry-run")} + files);
    QVERIFY2(result.code == 0 && result.out.contains(QStringLiteral("nada foi gravado")),
             qPrintable(result.out + result.err));
    QCOMPARE(countAsOwner(engine, target, QStringLiteral("SELECT COUNT(*) FROM EMPRESA")), 0);
    result = admin(engine, target, QStringList{QStringLiteral("import")} + files);
    QVERIFY2(result.code == 0 && result.out.contains(QStringLiteral("32 cheques")) &&
                 result.out.contains(QStringLiteral("3 contas")),
             qPrintable(result.out + result.err));

    // An operator of every company, then a branch: the new database reports as the old one.
    for (const QStringList& args :
         {QStringList{QStringLiteral("operator"), QStringLiteral("add"), QStringLiteral("ADM"),
                      QStringLiteral("--companies"), QStringLiteral("all")},
          QStringList{QStringLiteral("branch"), QStringLiteral("add"), QStringLiteral("1"),
                      QStringLiteral("Matriz"), QStringLiteral("--date"),
                      QStringLiteral("15/03/2026")}}) {
        result = admin(engine, target, args);
        QVERIFY2(result.code == 0, qPrintable(result.out + result.err));
    }
    result = report(target, QStringLiteral("reimportado.csv"));
    QVERIFY2(result.code == 0, qPrintable(result.err));
    QFile exported(path(QStringLiteral("exportado.csv")));
    QFile reimported(path(QStringLiteral("reimportado.csv")));
    QVERIFY(exported.open(QIODevice::ReadOnly) && reimported.open(QIODevice::ReadOnly));
    QCOMPARE(reimported.readAll(), exported.readAll());

    // A company made afterwards, by klx-admin or by hand, is the "all" operator's at once.
    result = admin(engine, target,
                   {QStringLiteral("company"), QStringLiteral("add"), QStringLiteral("05"),
                    QStringLiteral("Nova Empresa")});
    QVERIFY2(result.code == 0 && result.out.contains(QStringLiteral("veem-na os operadores de "
                                                                    "todas as empresas: ADM")),
             qPrintable(result.out + result.err));
    runAsOwner(engine, target,
               {QStringLiteral("INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA) VALUES ('07', 'X')")});
    result = admin(engine, target, {QStringLiteral("operator"), QStringLiteral("list")});
    QVERIFY2(result.out.contains(QRegularExpression(QStringLiteral("\nADM +todas \\(01,05,07\\)"))),
             qPrintable(result.out + result.err));
}

void TestAdmin::noLocalFileWhereAServerRuns()
{
    // A Firebird server of this machine listens on 3050: a listener of the test's stands in
    // for one when none does.
    QTcpServer standIn;
    if (!standIn.listen(QHostAddress::LocalHost, 3050)) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), 3050);
        if (!probe.waitForConnected(1000))
            QSKIP("Port 3050 is taken by something that does not listen.");
    }
    const QString file = path(QStringLiteral("local.fdb"));
    ProgramRun::Result result = admin(Engine::Firebird, file, {QStringLiteral("create")});
    QVERIFY2(result.code == 1 &&
                 result.err.contains(QStringLiteral("use --database localhost:%1").arg(file)),
             qPrintable(result.err));
    QVERIFY(!QFile::exists(file));
    result =
        admin(Engine::Firebird, file, {QStringLiteral("create"), QStringLiteral("--embedded")});
    QVERIFY2(result.code == 0, qPrintable(result.err));
    result = admin(Engine::Firebird, file, {QStringLiteral("check")});
    QVERIFY2(result.code == 1 && errorsOf(result.out)
                                     .join(QString())
                                     .contains(QStringLiteral("%1 é um arquivo local").arg(file)),
             qPrintable(result.out + result.err));
}

void TestAdmin::silentServerEndsWithinTheTimeoutOrOnASignal_data()
{
    QTest::addColumn<int>("signal"); // 0: none, the timeout ends it
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("timeout") << 0 << 3 << "o servidor não respondeu em 2 s";
    QTest::newRow("SIGTERM") << SIGTERM << 143 << "interrompido por SIGTERM";
    QTest::newRow("SIGINT") << SIGINT << 130 << "interrompido por SIGINT";
}

void TestAdmin::silentServerEndsWithinTheTimeoutOrOnASignal()
{
    QFETCH(int, signal);
    QFETCH(int, code);
    QFETCH(QString, message);
    // Accepts connections and never says a word.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    QProcess process;
    ProgramRun::start(process, QStringLiteral("klx-admin"),
                      {QStringLiteral("--database"),
                       QStringLiteral("127.0.0.1/%1:/dados/klx.fdb").arg(silent.serverPort()),
                       QStringLiteral("--connect-timeout"),
                       signal ? QStringLiteral("60") : QStringLiteral("2"),
                       QStringLiteral("check")},
                      {{QStringLiteral("KLX_SYSDBA_PASSWORD"), QStringLiteral("masterkey")}});
    QVERIFY(process.waitForStarted());
    QElapsedTimer clock;
    clock.start();
    if (signal) {
        QTest::qWait(1500);
        ::kill(static_cast<pid_t>(process.processId()), signal);
    }
    const ProgramRun::Result result = ProgramRun::finish(process);
    QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(result.code == code && result.err.contains(message), qPrintable(result.err));
}

void TestAdmin::commandLineFaultsAreNamed_data()
{
    QTest::addColumn<QStringList>("args"); // after --database; DB names the demo database
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown command")
        << QStringList{"DB", "frobnicate"} << 2 << "comando desconhecido 'frobnicate'";
    QTest::newRow("no database") << QStringList{"", "check"} << 2
                                 << "informe o banco com --database";
    QTest::newRow("impossible --since") << QStringList{"DB", "log", "--since", "31/02/2026"} << 2
                                        << "--since: data inválida '31/02/2026'";
    QTest::newRow("a folder to verify")
        << QStringList{"DB", "verify", "."} << 2 << "'.' não é um arquivo";
    QTest::newRow("a missing file to import")
        << QStringList{"DB", "import", "nenhum.csv"} << 2 << "não foi possível ler 'nenhum.csv'";
    QTest::newRow("a company code of three") << QStringList{"DB", "company", "add", "123", "X"} << 2
                                             << "código de empresa inválido '123'";
    QTest::newRow("a company that exists")
        << QStringList{"DB", "company", "add", "1", "X"} << 1 << "a empresa 01 já está cadastrada";
    QTest::newRow("a branch without a date")
        << QStringList{"DB", "branch", "add", "03", "X"} << 2 << "--date DD/MM/AAAA";
    QTest::newRow("an operator's password file others read (server)")
        << QStringList{"SERVER", "operator",        "add",      "ZZTESTE", "--companies",
                       "02",     "--password-file", "aberta.pw"}
        << 2 << "--password-file: o arquivo de senha 'aberta.pw' pode ser lido por outros";
}

void TestAdmin::commandLineFaultsAreNamed()
{
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    const bool server = args.first() == QLatin1String("SERVER");
    if (const QString why = FirebirdServer::unavailable(); server && !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString database = demoDatabase(server ? Engine::Firebird : Engine::Sqlite);
    QDir::setCurrent(m_dir->path());
    write(QStringLiteral("aberta.pw"), QStringLiteral("uma-senha-longa\n"));
    QFile::setPermissions(path(QStringLiteral("aberta.pw")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    if (!args.first().isEmpty())
        args.first() = server ? FirebirdServer::pathOn(database) : database;
    const ProgramRun::Result result = run(
        QStringLiteral("klx-admin"),
        (server ? QStringList() : QStringList{QStringLiteral("--db"), QStringLiteral("sqlite")}) +
            (args.first().isEmpty() ? args.mid(1)
                                    : QStringList{QStringLiteral("--database")} + args));
    QVERIFY2(result.code == code && result.err.contains(message), qPrintable(result.err));

    const ProgramRun::Result version =
        run(QStringLiteral("klx-admin"), {QStringLiteral("--version")});
    QVERIFY2(version.code == 0 &&
                 QRegularExpression(QStringLiteral("^klx-admin \\d+\\.\\d+\\.\\d+\\n$"))
                     .match(version.out)
                     .hasMatch(),
             qPrintable(version.out));
}

void TestAdmin::serverTextsAreSaidInPortuguese_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("portuguese");
    QTest::newRow("login") << "Your user name and password are not defined. Ask your database "
                              "administrator to set up a Firebird login."
                           << "usuário ou senha inválidos";
    QTest::newRow("no file")
        << "I/O error during \"open\" operation for file \"/d/klx.fdb\"\n-Error "
           "while trying to open file\n-No such file or directory"
        << "o arquivo /d/klx.fdb não existe no servidor";
    QTest::newRow("file exists") << "I/O error during \"open O_CREAT\" operation for file "
                                    "\"/d/klx.fdb\"; Error while trying to create file; File exists"
                                 << "o arquivo /d/klx.fdb já existe";
    QTest::newRow("folder not the server's")
        << "I/O error during \"open O_CREAT\" operation for file \"/d/klx.fdb\"; Error while "
           "trying to create file; Permission denied"
        << "o servidor não tem permissão para criar /d/klx.fdb";
    QTest::newRow("repeated key")
        << "violation of PRIMARY or UNIQUE KEY constraint \"INTEG_5\" on table \"CHEQUE\"\n"
           "-Problematic key value is (\"CDREDUCONT\" = '001', \"NRCHEQUE\" = '%2')"
        << "já existe em CHEQUE uma linha com a chave \"CDREDUCONT\" = '001', \"NRCHEQUE\" = '%2'";
    QTest::newRow("the record's refusal")
        << "exception 1\n-KLX_EMISSAO_RECUSADA\n-emissão inexistente, de outro operador ou já "
           "concluída\n-At procedure 'KLX_EMISSAO_CONCLUI' line: 10, col: 9"
        << "emissão inexistente, de outro operador ou já concluída";
    QTest::newRow("anything else") << "arithmetic exception, numeric overflow"
                                   << "arithmetic exception, numeric overflow";
}

void TestAdmin::serverTextsAreSaidInPortuguese()
{
    QFETCH(QString, text);
    QFETCH(QString, portuguese);
    QVERIFY2(FirebirdErrors::inPortuguese(text).startsWith(portuguese),
             qPrintable(FirebirdErrors::inPortuguese(text)));
}

QTEST_GUILESS_MAIN(TestAdmin)
#include "tst_admin.moc"
