// The lookup query component: which text runs, what its fields read, and that a read-only
// query cannot change data on either database.
#include "base/Exceptions.h"
#include "data/TADOIBQuery.h"
#include "data/TField.h"
#include "data/dtmDBGeral.h"

#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

class TestQuery : public QObject {
    Q_OBJECT

private slots:
    void runsTheTextOfTheDialect_data();
    void runsTheTextOfTheDialect();
    void fieldsReadTheCurrentRow();
    void readOnlyQueryCannotChangeData_data();
    void readOnlyQueryCannotChangeData();

private:
    void open(DatabaseConfig::Engine engine, std::optional<SqlDialect> dialect = std::nullopt);

    QTemporaryDir m_dir;
    std::unique_ptr<TdtmDBGeral> m_database;
    int m_files = 0;
};

void TestQuery::open(DatabaseConfig::Engine engine, std::optional<SqlDialect> dialect)
{
    m_database = std::make_unique<TdtmDBGeral>();
    dtmDBGeral = m_database.get();
    DatabaseConfig config;
    config.engine = engine;
    config.user = QStringLiteral("ADM");
    config.dialect = dialect;
    config.path = m_dir.filePath(QStringLiteral("db%1.%2").arg(++m_files).arg(
        engine == DatabaseConfig::Engine::Sqlite ? "sqlite" : "fdb"));
    config.createWithDemoData = true;
    m_database->open(config);
}

void TestQuery::runsTheTextOfTheDialect_data()
{
    QTest::addColumn<int>("dialect");
    QTest::addColumn<bool>("ownText");
    QTest::addColumn<QString>("expected");
    QTest::newRow("oracle") << int(SqlDialect::Oracle) << true << "oracle";
    QTest::newRow("mssql") << int(SqlDialect::MsSql) << true << "mssql";
    QTest::newRow("ib") << int(SqlDialect::InterBase) << true << "ib";
    QTest::newRow("general text when the dialect has none")
        << int(SqlDialect::MsSql) << false << "general";
}

void TestQuery::runsTheTextOfTheDialect()
{
    QFETCH(int, dialect);
    QFETCH(bool, ownText);
    QFETCH(QString, expected);
    open(DatabaseConfig::Engine::Sqlite, static_cast<SqlDialect>(dialect));
    TADOIBQuery query;
    query.SQL = {QStringLiteral("SELECT 'general' AS WHICH")};
    query.SQL_ORACLE = {QStringLiteral("SELECT 'oracle' AS WHICH")};
    query.SQL_IB = {QStringLiteral("SELECT 'ib' AS WHICH")};
    if (ownText)
        query.SQL_MSSQL = {QStringLiteral("SELECT"), QStringLiteral("   'mssql' AS WHICH"),
                           QStringLiteral(" ")};
    query.Open();
    QCOMPARE(query.currentValue(QStringLiteral("which")).toString(), expected);
}

void TestQuery::fieldsReadTheCurrentRow()
{
    open(DatabaseConfig::Engine::Sqlite);
    TADOIBQuery query;
    query.SQL_ORACLE = {
        QStringLiteral("SELECT CDEMPRESA, NMEMPRESA, NULL AS NADA FROM EMPRESA"),
        QStringLiteral("WHERE INSTR(:P_CDEMPRESA, CDEMPRESA) > 0 ORDER BY CDEMPRESA")};
    query.Params().CreateParam(QStringLiteral("P_CDEMPRESA"))->SetAsString(QStringLiteral("02,04"));
    auto* code = new TField;
    code->FieldName = QStringLiteral("CDEMPRESA");
    auto* nothing = new TField;
    nothing->FieldName = QStringLiteral("NADA");
    nothing->OnGetText = [](TField*, QString& text, bool display) {
        text = display ? "exibir" : "editar";
    };
    query.AddField(code);
    query.AddField(nothing);
    query.Open();
    QCOMPARE(query.RecordCount(), 2);
    QCOMPARE(code->AsString(), QStringLiteral("02"));
    query.SetRecNo(1);
    QCOMPARE(code->AsString(), QStringLiteral("04"));
    QVERIFY(nothing->IsNull());
    QCOMPARE(nothing->DisplayText(), QStringLiteral("exibir"));
    QCOMPARE(nothing->Text(), QStringLiteral("editar"));
    QVERIFY_THROWS_EXCEPTION(Exception, query.ParamByName(QStringLiteral("P_OUTRO")));
    query.Close();
    QVERIFY(code->IsNull());
}

void TestQuery::readOnlyQueryCannotChangeData_data()
{
    QTest::addColumn<int>("engine");
    QTest::newRow("sqlite") << int(DatabaseConfig::Engine::Sqlite);
    QTest::newRow("firebird") << int(DatabaseConfig::Engine::Firebird);
}

void TestQuery::readOnlyQueryCannotChangeData()
{
    QFETCH(int, engine);
    if (engine == int(DatabaseConfig::Engine::Firebird) &&
        !QSqlDatabase::isDriverAvailable(QStringLiteral("QIBASE")))
        QSKIP("the Firebird driver (QIBASE) is not installed");
    open(static_cast<DatabaseConfig::Engine>(engine));
    TADOIBQuery query;
    query.SQL = {QStringLiteral("DELETE FROM EMPRESA")};
    query.Settings.insert(QStringLiteral("ADOLockType"), QStringLiteral("ltReadOnly"));
    try {
        query.Open();
    } catch (const EDatabaseError&) {
        // SQLite refuses the statement; Firebird's change is rolled back.
    }
    QSqlQuery count(dtmDBGeral->database());
    QVERIFY(count.exec(QStringLiteral("SELECT COUNT(*) FROM EMPRESA")) && count.next());
    QCOMPARE(count.value(0).toInt(), 4);
    // On SQLite the connection itself stays writable for the application's own work; on
    // Firebird the operator's role grants no write at all.
    const bool sqlite = dtmDBGeral->config().engine == DatabaseConfig::Engine::Sqlite;
    QCOMPARE(QSqlQuery(dtmDBGeral->database())
                 .exec(QStringLiteral("UPDATE EMPRESA SET NMEMPRESA = 'x' WHERE CDEMPRESA = '04'")),
             sqlite);
}

QTEST_MAIN(TestQuery)
#include "tst_query.moc"
