// klx-admin on the application's database: "check" finds a sound database sound and names what
// is wrong with a broken one, and "upgrade" brings a database of version 1, which klx refuses
// when it opens it, to the current version, after which klx runs; on SQLite, on Firebird's
// embedded engine and on the test server.
#include "DemoDatabase.h"
#include "FirebirdServer.h"
#include "ProgramRun.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

namespace {

using Engine = DatabaseConfig::Engine;

// The statements of version 2 taken away again: a database as version 1 left it.
const QStringList toVersionOne{QStringLiteral("DROP VIEW CHEQUE_OPERADOR"),
                               QStringLiteral("DROP TABLE KLX_VERSAO")};
// The emission index as SQLite databases of earlier releases hold it.
const QStringList narrowEmissionIndex{
    QStringLiteral("DROP INDEX IX_CHEQUE_EMISSAO"),
    QStringLiteral("CREATE INDEX IX_CHEQUE_EMISSAO ON CHEQUE (DTEMISSAO)")};

QString engineName(Engine engine)
{
    return engine == Engine::Firebird ? QStringLiteral("firebird") : QStringLiteral("sqlite");
}

} // namespace

Q_DECLARE_METATYPE(DatabaseConfig::Engine)

class TestAdmin : public QObject {
    Q_OBJECT

private slots:
    void init();
    void checkNamesWhatIsWrong_data();
    void checkNamesWhatIsWrong();
    void versionOneIsRefusedUntilUpgraded_data();
    void versionOneIsRefusedUntilUpgraded();

private:
    QString path(const QString& relative) const { return m_dir->filePath(relative); }
    // A demo database of the engine in the test's folder, only its owner may read it.
    QString demoDatabase(Engine engine);
    // Runs statements on the database as its owner; each one commits.
    void runAsOwner(Engine engine, const QString& file, const QStringList& statements);
    ProgramRun::Result run(const QString& program, const QStringList& args);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAdmin::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestAdmin::demoDatabase(Engine engine)
{
    const QString file =
        path(engine == Engine::Firebird ? QStringLiteral("c.fdb") : QStringLiteral("c.sqlite"));
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

ProgramRun::Result TestAdmin::run(const QString& program, const QStringList& args)
{
    return ProgramRun::run(program, args,
                           {{QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen")},
                            {QStringLiteral("XDG_STATE_HOME"), path(QStringLiteral("state"))}});
}

void TestAdmin::checkNamesWhatIsWrong_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<QStringList>("breaking");
    QTest::addColumn<QString>("exposed"); // a file made readable by others
    QTest::addColumn<QString>("finding"); // the ERRO line, empty for a sound database

    const QString none;
    for (const Engine engine : {Engine::Sqlite, Engine::Firebird}) {
        const auto row = [engine](const char* name) -> QTestData& {
            return QTest::newRow(
                qPrintable(QStringLiteral("%1 (%2)").arg(QLatin1String(name), engineName(engine))));
        };
        row("sound") << engine << QStringList() << none << none;
        row("no version table") << engine << QStringList{QStringLiteral("DROP TABLE KLX_VERSAO")}
                                << none
                                << QStringLiteral("esquema na versão 1; rode klx-admin upgrade");
        row("view missing") << engine << QStringList{QStringLiteral("DROP VIEW CHEQUE_OPERADOR")}
                            << none << QStringLiteral("falta a visão CHEQUE_OPERADOR");
        row("password file readable by others")
            << engine << QStringList() << QStringLiteral("oper.pw")
            << QStringLiteral("oper.pw guarda uma senha e outros usuários o leem: chmod 600");
        row("database file readable by others")
            << engine << QStringList() << QStringLiteral("database")
            << QStringLiteral("; outros usuários o leem: chmod o-rwx");
    }
    QTest::newRow("an index of an older schema")
        << Engine::Sqlite << narrowEmissionIndex << none
        << QStringLiteral(
               "índices diferentes do esquema: IX_CHEQUE_EMISSAO; rode klx-admin upgrade");
    const Engine firebird = Engine::Firebird;
    QTest::newRow("CODES missing")
        << firebird << QStringList{QStringLiteral("DROP PROCEDURE CODES")} << none
        << QStringLiteral("falta o procedimento CODES");
    QTest::newRow("grant missing")
        << firebird
        << QStringList{QStringLiteral("REVOKE SELECT ON EMPRESA FROM ROLE KLX_RELATORIO")} << none
        << QStringLiteral("papel KLX_RELATORIO com permissões erradas: lê BANCO, CHEQUE_OPERADOR, "
                          "CONTCORR, FILIAL, KLX_VERSAO, OPERADOR, OPEREMPR;");
    QTest::newRow("a right too many")
        << firebird << QStringList{QStringLiteral("GRANT SELECT ON CHEQUE TO ROLE KLX_RELATORIO")}
        << none << QStringLiteral("papel KLX_RELATORIO com permissões erradas");
    QTest::newRow("the view cannot read CHEQUE")
        << firebird
        << QStringList{QStringLiteral("REVOKE SELECT ON CHEQUE FROM VIEW CHEQUE_OPERADOR")} << none
        << QStringLiteral("a visão CHEQUE_OPERADOR não tem permissão em CHEQUE e OPEREMPR");
    QTest::newRow("an operator without the role")
        << firebird << QStringList{QStringLiteral("REVOKE KLX_RELATORIO FROM OPER")} << none
        << QStringLiteral("operadores sem o papel KLX_RELATORIO: OPER");
}

void TestAdmin::checkNamesWhatIsWrong()
{
    QFETCH(Engine, engine);
    QFETCH(QStringList, breaking);
    QFETCH(QString, exposed);
    QFETCH(QString, finding);
    const QString database = demoDatabase(engine);
    runAsOwner(engine, database, breaking);
    const QString passwordFile = path(QStringLiteral("oper.pw"));
    {
        QFile file(passwordFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("uma-senha\n");
    }
    QFile::setPermissions(passwordFile, QFile::ReadOwner | QFile::WriteOwner);
    if (!exposed.isEmpty())
        QFile::setPermissions(exposed == QLatin1String("database") ? database : passwordFile,
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                  QFile::ReadOther);

    const ProgramRun::Result result =
        run(QStringLiteral("klx-admin"),
            {QStringLiteral("--db"), engineName(engine), QStringLiteral("--database"), database,
             QStringLiteral("check"), QStringLiteral("--file"), passwordFile});
    const QStringList errors =
        result.out.split(QLatin1Char('\n')).filter(QRegularExpression("^ERRO"));
    if (finding.isEmpty()) {
        QVERIFY2(result.code == 0 && errors.isEmpty(), qPrintable(result.out + result.err));
        QVERIFY2(result.out.contains(QStringLiteral("esquema na versão 2")),
                 qPrintable(result.out));
        return;
    }
    QVERIFY2(result.code == 1, qPrintable(result.out + result.err));
    // The fault comes first; what follows from it (a right on what is gone) may come after.
    QVERIFY2(!errors.isEmpty() && errors.first().contains(finding),
             qPrintable(result.out + result.err));
    QVERIFY2(result.err.contains(QStringLiteral("o banco ou os arquivos têm problemas")),
             qPrintable(result.err));
}

void TestAdmin::versionOneIsRefusedUntilUpgraded_data()
{
    QTest::addColumn<Engine>("engine");
    QTest::addColumn<bool>("server");
    QTest::newRow("sqlite") << Engine::Sqlite << false;
    QTest::newRow("firebird embedded") << Engine::Firebird << false;
    QTest::newRow("firebird server") << Engine::Firebird << true;
}

void TestAdmin::versionOneIsRefusedUntilUpgraded()
{
    QFETCH(Engine, engine);
    QFETCH(bool, server);
    if (const QString why = FirebirdServer::unavailable(); server && !why.isEmpty())
        QSKIP(qPrintable(why));
    const QString file = demoDatabase(engine);
    QStringList downgrade = toVersionOne;
    if (engine == Engine::Firebird)
        downgrade << QStringLiteral("DROP ROLE KLX_RELATORIO");
    else
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
    QVERIFY2(refused.err.contains(QStringLiteral("banco na versão 1; rode klx-admin upgrade")),
             qPrintable(refused.err));
    QVERIFY(!QFile::exists(path(QStringLiteral("cheques.csv"))));

    const QStringList admin{QStringLiteral("--db"), engineName(engine),
                            QStringLiteral("--database"), database};
    const ProgramRun::Result upgraded =
        run(QStringLiteral("klx-admin"), admin + QStringList{QStringLiteral("upgrade")});
    QVERIFY2(upgraded.code == 0, qPrintable(upgraded.out + upgraded.err));
    const ProgramRun::Result checked =
        run(QStringLiteral("klx-admin"), admin + QStringList{QStringLiteral("check")});
    QVERIFY2(checked.code == 0, qPrintable(checked.out + checked.err));
    const ProgramRun::Result ran = run(QStringLiteral("klx"), report);
    QVERIFY2(ran.code == 0, qPrintable(ran.err));
    QVERIFY(QFile::exists(path(QStringLiteral("cheques.csv"))));
}

QTEST_GUILESS_MAIN(TestAdmin)
#include "tst_admin.moc"
