#include "base/Exceptions.h"
#include "data/CharColumn.h"
#include "data/Dbgeral.h"
#include "data/FirebirdAddress.h"
#include "data/dtmDBGeral.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// The lookup texts of the company and account pickers, exactly as the screen holds them.
const QString companyOracle = QStringLiteral(R"(SELECT
   CDEMPRESA,
   NMEMPRESA
FROM
   EMPRESA
WHERE
   (INSTR(:P_CDEMPRESA, CDEMPRESA) > 0)
ORDER BY
   CDEMPRESA
 

)");

const QString companyMsSql = QStringLiteral(R"(SELECT
   CDEMPRESA,
   NMEMPRESA
FROM
   EMPRESA
WHERE
   (CHARINDEX(CDEMPRESA,:P_CDEMPRESA) > 0)
ORDER BY
   CDEMPRESA

 
)");

const QString companyIb = QStringLiteral(R"(SELECT
   CDEMPRESA,
   NMEMPRESA
FROM
   EMPRESA,
   PARAM(:P_CDEMPRESA)  CDEMPRESA
WHERE
   (INSTR(CDEMPRESA.PARAM, CDEMPRESA) > 0)
ORDER BY
   CDEMPRESA


)");

const QString accountOracle = QStringLiteral(R"(SELECT
   C.CDREDUCONT,
   C.CDBANCO,
   C.CDAGENCIA,
   C.CDCONTCORR,
   C.DSCONTCORR,
   B.CDPICTCONT,
   B.CDPICTAGEN
FROM
   CONTCORR C, BANCO B, EMPRESA E
WHERE
   (INSTR(:P_CDEMPRESA, C.CDEMPRESA)  > 0)    AND
   ((INSTR(:P_CDREDUCONT, C.CDREDUCONT)  > 0 OR :P_TCDREDUCONT = 'T')) AND
   (C.CDEMPRESA = E.CDEMPRESA) AND
   (C.CDBANCO= B.CDBANCO)
ORDER BY
   C.CDREDUCONT
 
 
)");

const QString accountMsSql = QStringLiteral(R"(SELECT
   C.CDREDUCONT,
   C.CDBANCO,
   C.CDAGENCIA,
   C.CDCONTCORR,
   C.DSCONTCORR,
   B.CDPICTCONT, 
   B.CDPICTAGEN
FROM
   CONTCORR C, BANCO B, EMPRESA E
WHERE
   (CHARINDEX(C.CDEMPRESA,:P_CDEMPRESA)  > 0)    AND
   ((CHARINDEX(C.CDREDUCONT,:P_CDREDUCONT)  > 0 OR :P_TCDREDUCONT = 'T')) AND
   (C.CDEMPRESA = E.CDEMPRESA) AND
   (C.CDBANCO= B.CDBANCO)
ORDER BY
   C.CDREDUCONT


)");

const QString accountIb = QStringLiteral(R"(SELECT
   C.CDREDUCONT,
   C.CDBANCO,
   C.CDAGENCIA,
   C.CDCONTCORR,
   C.DSCONTCORR,
   B.CDPICTCONT,
   B.CDPICTAGEN
FROM
   CONTCORR C, BANCO B, EMPRESA E,
   PARAM(:P_CDEMPRESA) CDEMPRESA, PARAM(:P_CDREDUCONT)CDREDUCONT
WHERE
   (INSTR(CDEMPRESA.PARAM, C.CDEMPRESA)  > 0)    AND
   ((INSTR(CDREDUCONT.PARAM, C.CDREDUCONT)  > 0 OR :P_TCDREDUCONT = 'T')) AND
   (C.CDEMPRESA = E.CDEMPRESA) AND
   (C.CDBANCO= B.CDBANCO)
ORDER BY
   C.CDREDUCONT
 

 
)");

const QString accountGeneral = QStringLiteral(R"(SELECT
   C.CDREDUCONT,
   C.CDBANCO,
   C.CDAGENCIA,
   C.CDCONTCORR,
   C.DSCONTCORR,
   B.CDPICTCONT,
   B.CDPICTAGEN
FROM
   CONTCORR C, BANCO B, EMPRESA E,
   PARAM(:P_CDEMPRESA) CDEMPRESA, PARAM(:P_CDREDUCONT)CDREDUCONT
WHERE
   ((INSTR(CDEMPRESA.PARAM, C.CDEMPRESA)  > 0 OR :P_TCDEMPRESA = 'T'))    AND
   ((INSTR(CDREDUCONT.PARAM, C.CDREDUCONT)  > 0 OR :P_TCDREDUCONT = 'T')) AND
   (C.CDEMPRESA = E.CDEMPRESA) AND
   (C.CDBANCO= B.CDBANCO)
ORDER BY
   C.CDREDUCONT

)");

// The demo database at path, created on first use.
DatabaseConfig sqliteConfig(const QString& path)
{
    DatabaseConfig config;
    config.path = path;
    config.createWithDemoData = true;
    return config;
}

using Rows = QList<QStringList>;
using Values = QHash<QString, QVariant>;

// Runs a text binding each placeholder it names from values. Values are trimmed, NULL
// kept apart from the empty text, so both engines' rows compare (Firebird pads CHAR).
Rows run(const QSqlDatabase& db, const QString& sql, const Values& values = {})
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw EDatabaseError(query.lastError().text());
    static const QRegularExpression placeholder(QStringLiteral(":([A-Z_][A-Z0-9_]*)"));
    for (auto it = placeholder.globalMatch(sql); it.hasNext();) {
        const QString name = it.next().captured(1);
        query.bindValue(QLatin1Char(':') + name, values.value(name, QString()));
    }
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
    Rows rows;
    while (query.next()) {
        QStringList row;
        for (int i = 0; i < query.record().count(); ++i)
            row << (query.isNull(i) ? QStringLiteral("<null>")
                                    : query.value(i).toString().trimmed());
        rows << row;
    }
    return rows;
}

QStringList firstColumn(const Rows& rows)
{
    QStringList codes;
    for (const QStringList& row : rows)
        codes << row.first();
    return codes;
}

const QStringList adm{"01", "02", "03"};
const QStringList allCompanies{"01", "02", "03", "04", "05"}; // 05 is missing from EMPRESA

struct CompanyCase {
    const char* name;
    QStringList companies;
    QStringList expected;
};

const QList<CompanyCase> companyCases{
    {"operator's companies", adm, {"01", "02", "03"}},
    {"one company", {"02"}, {"02"}},
    {"missing company not listed", allCompanies, {"01", "02", "03", "04"}},
    {"empty list admits none", {}, {}},
};

struct AccountCase {
    const char* name;
    QStringList companies;
    QStringList accounts;
    QString takeAll;
    QStringList expected;
};

// 008's bank is missing from BANCO, 010's company from EMPRESA: neither is ever offered.
const QList<AccountCase> accountCases{
    {"operator's companies", adm, {}, "T", {"001", "002", "003", "004", "005", "006", "100"}},
    {"every company",
     allCompanies,
     {},
     "T",
     {"001", "002", "003", "004", "005", "006", "007", "100"}},
    {"one company", {"02"}, {}, "T", {"003", "004"}},
    {"picked accounts", allCompanies, {"001", "007", "010"}, "", {"001", "007"}},
    {"100 and 010 do not admit 001", allCompanies, {"100", "010"}, "", {"100"}},
    {"picked accounts outside the companies", {"04"}, {"001", "007"}, "", {"007"}},
    {"empty account list without the flag", allCompanies, {}, "", {}},
    {"empty company list", {}, {}, "T", {}},
};

Values companyValues(const CompanyCase& c)
{
    return {{"P_CDEMPRESA", Dbgeral::codeList(c.companies)}};
}

Values accountValues(const AccountCase& c)
{
    return {{"P_CDEMPRESA", Dbgeral::codeList(c.companies)},
            {"P_CDREDUCONT", Dbgeral::codeList(c.accounts)},
            {"P_TCDREDUCONT", c.takeAll},
            {"P_TCDEMPRESA", QString("")}};
}

} // namespace

class TestDatabase : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_sqlite.open(sqliteConfig(m_dir.filePath("demo.sqlite")));
        dtmDBGeral = &m_sqlite;
    }
    void cleanupTestCase() { dtmDBGeral = nullptr; }

    void dialectFollowsEngineUnlessOverridden()
    {
        for (SqlDialect d : {SqlDialect::Oracle, SqlDialect::MsSql, SqlDialect::InterBase})
            QCOMPARE(sqlDialectFromName(sqlDialectName(d)), d);
        QCOMPARE(sqlDialectFromName(" IB "), SqlDialect::InterBase);
        QVERIFY(!sqlDialectFromName("sqlite"));

        QCOMPARE(m_sqlite.dialect(), SqlDialect::Oracle);
        TdtmDBGeral other;
        DatabaseConfig config = sqliteConfig(m_dir.filePath("demo.sqlite"));
        config.dialect = SqlDialect::MsSql;
        other.open(config);
        QCOMPARE(other.dialect(), SqlDialect::MsSql);
    }

    void charIndex_data()
    {
        QTest::addColumn<QVariant>("needle");
        QTest::addColumn<QVariant>("haystack");
        QTest::addColumn<QVariant>("expected");
        const QVariant null{QMetaType::fromType<QString>()};
        QTest::newRow("first code") << QVariant("01") << QVariant("01,23") << QVariant(1);
        QTest::newRow("after separator") << QVariant("23") << QVariant("01,23") << QVariant(4);
        QTest::newRow("not across the joint") << QVariant("12") << QVariant("01,23") << QVariant(0);
        QTest::newRow("empty needle") << QVariant("") << QVariant("abc") << QVariant(0);
        QTest::newRow("characters, not bytes")
            << QVariant("car") << QVariant("Açúcar") << QVariant(4);
        QTest::newRow("case-sensitive") << QVariant("a") << QVariant("ABC") << QVariant(0);
        QTest::newRow("null needle") << null << QVariant("abc") << QVariant();
        QTest::newRow("null haystack") << QVariant("a") << null << QVariant();
    }
    void charIndex()
    {
        QFETCH(QVariant, needle);
        QFETCH(QVariant, haystack);
        QFETCH(QVariant, expected);
        QSqlQuery query(m_sqlite.database());
        QVERIFY(query.prepare("SELECT CHARINDEX(:N, :H)"));
        query.bindValue(":N", needle);
        query.bindValue(":H", haystack);
        QVERIFY2(query.exec() && query.next(), qPrintable(query.lastError().text()));
        QCOMPARE(query.isNull(0), expected.isNull());
        if (!expected.isNull())
            QCOMPARE(query.value(0).toInt(), expected.toInt());
    }

    void paramYieldsOneRow_data()
    {
        QTest::addColumn<QVariant>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << QVariant("") << "";
        QTest::newRow("null") << QVariant(QMetaType::fromType<QString>()) << "";
        QTest::newRow("code list") << QVariant("01,02") << "01,02";
        QTest::newRow("long list") << QVariant(QString(5000, 'x')) << QString(5000, 'x');
    }
    void paramYieldsOneRow()
    {
        QFETCH(QVariant, text);
        QFETCH(QString, expected);
        for (const QSqlDatabase& db : databases()) {
            const Rows rows = run(db, "SELECT P.PARAM FROM PARAM(:T) P", {{"T", text}});
            QCOMPARE(rows, Rows{{expected}});
        }
    }

    void paramJoinsWithEveryRow()
    {
        const QSqlDatabase db = m_sqlite.database();
        QCOMPARE(run(db, "SELECT COUNT(*) FROM EMPRESA, PARAM('') P"), Rows{{"4"}});
        QCOMPARE(run(db, "SELECT COUNT(*) FROM PARAM"), Rows{{"1"}});
        // An argument taken from another table: one row per company, in any join order.
        QCOMPARE(run(db, "SELECT COUNT(*) FROM PARAM(E.NMEMPRESA) P, EMPRESA E "
                         "WHERE P.PARAM = E.NMEMPRESA"),
                 Rows{{"4"}});
    }

    // The report queries split code lists with CODES, by the one rule the framework reads
    // them with, padding and all, on both engines; no length limit.
    void codesSplitAListAsTheFrameworkReadsIt_data()
    {
        QTest::addColumn<QVariant>("list");
        QTest::newRow("comma") << QVariant("01,23,04");
        QTest::newRow("padding kept") << QVariant("1 ,02");
        QTest::newRow("own separator") << QVariant(";A,;B ");
        QTest::newRow("separator after two taken") << QVariant("|,;|B1");
        QTest::newRow("marked comma") << QVariant(",;A,B1");
        QTest::newRow("empty codes skipped") << QVariant("01,,02,");
        QTest::newRow("one code") << QVariant("X");
        QTest::newRow("separator only") << QVariant(",");
        QTest::newRow("empty") << QVariant("");
        QTest::newRow("null") << QVariant(QMetaType::fromType<QString>());
        QStringList many;
        for (int n = 0; n < 12000; ++n)
            many << QStringLiteral("%1").arg(n, 4, 36, QLatin1Char('0')).toUpper();
        QTest::newRow("12,000 codes") << QVariant(many.join(QLatin1Char(',')));
    }
    void codesSplitAListAsTheFrameworkReadsIt()
    {
        QFETCH(QVariant, list);
        for (const QSqlDatabase& db : databases()) {
            QSqlQuery query(db);
            QVERIFY(query.prepare("SELECT CODE FROM CODES(:L)"));
            query.bindValue(":L", list);
            QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
            QStringList codes;
            while (query.next())
                codes << query.value(0).toString();
            QCOMPARE(codes, Dbgeral::codesOf(list.toString()));
        }
    }

    void codeListKeepsCodesAndChoosesAFreeSeparator_data()
    {
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QStringList>("read");
        QTest::newRow("comma") << QStringList{"01", "23", "04"} << "01,23,04"
                               << QStringList{"01", "23", "04"};
        QTest::newRow("padding kept")
            << QStringList{"1 ", "02"} << "1 ,02" << QStringList{"1 ", "02"};
        QTest::newRow("empty codes left out")
            << QStringList{"", "01", ""} << "01" << QStringList{"01"};
        QTest::newRow("no codes") << QStringList{} << "" << QStringList{};
        QTest::newRow("a code holds the comma")
            << QStringList{"A,", "B "} << ";A,;B " << QStringList{"A,", "B "};
        QTest::newRow("comma and semicolon taken")
            << QStringList{",;", "B1"} << "|,;|B1" << QStringList{",;", "B1"};
        QTest::newRow("first code starts like a mark")
            << QStringList{";A", "B1"} << ",;A,B1" << QStringList{";A", "B1"};
        QTest::newRow("one code with a comma") << QStringList{"A,"} << ";A," << QStringList{"A,"};
    }
    void codeListKeepsCodesAndChoosesAFreeSeparator()
    {
        QFETCH(QStringList, codes);
        QFETCH(QString, list);
        QFETCH(QStringList, read);
        QCOMPARE(Dbgeral::codeList(codes), list);
        QCOMPARE(Dbgeral::codesOf(list), read);
    }

    void charColumnValueDropsOnlyBlanksBeyondTheWidth_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("value");
        QTest::newRow("driver padding") << "01      " << 2 << "01";
        QTest::newRow("own padding kept") << "1       " << 2 << "1 ";
        QTest::newRow("at width") << "001" << 3 << "001";
        QTest::newRow("longer text kept") << "0012" << 3 << "0012";
        QTest::newRow("no width") << "01  " << 0 << "01  ";
    }
    void charColumnValueDropsOnlyBlanksBeyondTheWidth()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, value);
        QCOMPARE(charColumnValue(text, width), value);
    }

    void codeListRefusesWhenNoSeparatorIsFree()
    {
        try {
            Dbgeral::codeList({"01", ",;|", "/#1"});
            QFAIL("an ambiguous list was built");
        } catch (const Exception& e) {
            QCOMPARE(e.Message(), QString("Não é possível montar a lista de códigos: os códigos "
                                          "\",;|\", \"/#1\" contêm todos os separadores "
                                          "possíveis (,;|/#)."));
        }
    }

    void embeddedSchemaKeepsCodesAtFullWidth_data()
    {
        QTest::addColumn<QString>("statement");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("full company") << "INSERT INTO EMPRESA (CDEMPRESA) VALUES ('1 ')" << true;
        QTest::newRow("short company") << "INSERT INTO EMPRESA (CDEMPRESA) VALUES ('1')" << false;
        QTest::newRow("long company") << "INSERT INTO EMPRESA (CDEMPRESA) VALUES ('123')" << false;
        QTest::newRow("short operator company")
            << "INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA) VALUES ('ADM', '5')" << false;
        QTest::newRow("short account")
            << "INSERT INTO CONTCORR (CDREDUCONT) VALUES ('01')" << false;
        QTest::newRow("account's short company")
            << "INSERT INTO CONTCORR (CDREDUCONT, CDEMPRESA) VALUES ('011', '1')" << false;
        QTest::newRow("account without company")
            << "INSERT INTO CONTCORR (CDREDUCONT) VALUES ('011')" << true;
        QTest::newRow("check's short account")
            << "INSERT INTO CHEQUE (CDREDUCONT, NRCHEQUE) VALUES ('1', '000001')" << false;
    }
    void embeddedSchemaKeepsCodesAtFullWidth()
    {
        QFETCH(QString, statement);
        QFETCH(bool, accepted);
        QSqlDatabase db = m_sqlite.database();
        QVERIFY(db.transaction());
        QSqlQuery query(db);
        QCOMPARE(query.exec(statement), accepted);
        QVERIFY(db.rollback());
    }

    void companyTextsAgree_data() { addCaseRows(companyCases); }
    void companyTextsAgree()
    {
        const CompanyCase& c = companyCases.at(caseIndex());
        const QSqlDatabase db = m_sqlite.database();
        const Rows reference = run(db, companyOracle, companyValues(c));
        QCOMPARE(firstColumn(reference), c.expected);
        for (const QString& sql : {companyMsSql, companyIb})
            QCOMPARE(run(db, sql, companyValues(c)), reference);
    }

    void accountTextsAgree_data() { addCaseRows(accountCases); }
    void accountTextsAgree()
    {
        const AccountCase& c = accountCases.at(caseIndex());
        const QSqlDatabase db = m_sqlite.database();
        const Rows reference = run(db, accountOracle, accountValues(c));
        QCOMPARE(firstColumn(reference), c.expected);
        for (const QString& sql : {accountMsSql, accountIb, accountGeneral})
            QCOMPARE(run(db, sql, accountValues(c)), reference);
    }

    void accountRowsCarryTheBankPictures()
    {
        const Rows rows = run(m_sqlite.database(), accountIb, accountValues(accountCases.first()));
        QCOMPARE(rows.size(), 7);
        QCOMPARE(rows.at(1), QStringList({"002", "033", "0451", "12345678", "Cobrança Meridiano",
                                          "9.999.999-9", "9999"}));
        QCOMPARE(rows.at(3).mid(5), QStringList({"", ""})); // a bank with empty pictures
        QCOMPARE(rows.at(5).at(2), QString("<null>"));      // an account without agency
    }

    void codeListAdmitsOnlyItsCodes()
    {
        // 01 and 23 written side by side would hold 12; "A," and "BB" joined by a comma
        // would hold ",B".
        QSqlDatabase db = m_sqlite.database();
        QVERIFY(db.transaction());
        for (const char* code : {"12", "23", "A,", "BB", ",B"})
            run(db,
                QString("INSERT INTO EMPRESA (CDEMPRESA, NMEMPRESA) VALUES ('%1', 'x')").arg(code));
        for (const QStringList& codes : {QStringList{"01", "23"}, QStringList{"A,", "BB"}}) {
            const Values values{{"P_CDEMPRESA", Dbgeral::codeList(codes)}};
            for (const QString& sql : {companyOracle, companyMsSql, companyIb})
                QCOMPARE(firstColumn(run(db, sql, values)), codes);
        }
        QVERIFY(db.rollback());
    }

    void operatorCompanies_data()
    {
        QTest::addColumn<QString>("operador");
        QTest::addColumn<QString>("expected");
        const QString none;
        QTest::newRow("three companies") << QString("ADM") << QString("01,02,03");
        QTest::newRow("one company") << QString("OPER") << QString("02");
        QTest::newRow("no company") << QString("CONSULTA") << none;
        QTest::newRow("unknown operator") << QString("NINGUEM") << none;
        QTest::newRow("longer than any code") << QString(40, 'X') << none;
    }
    void operatorCompanies()
    {
        QFETCH(QString, operador);
        QFETCH(QString, expected);
        for (TdtmDBGeral* module : modules()) {
            dtmDBGeral = module;
            QString lista = "stale";
            Dbgeral::ListaEmpresaOper(operador, lista);
            QCOMPARE(lista, expected);
        }
        dtmDBGeral = &m_sqlite;
    }

    void operatorCompaniesKeepTheirPadding()
    {
        // A company code shorter than CHAR(2): Firebird pads it, SQLite stores the blank.
        for (TdtmDBGeral* module : modules()) {
            dtmDBGeral = module;
            QSqlDatabase db = module->database();
            QVERIFY(db.transaction());
            run(db, "INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA) VALUES ('OPER', '1 ')");
            QString lista;
            Dbgeral::ListaEmpresaOper("OPER", lista);
            QCOMPARE(lista, QString("02,1 "));
            QVERIFY(db.rollback());
        }
        dtmDBGeral = &m_sqlite;
    }

    // A lookup the database refuses raises, and the list it was to fill stays as it was.
    void failingLookupKeepsTheList()
    {
        QSqlDatabase db = m_sqlite.database();
        QVERIFY(db.transaction());
        run(db, "ALTER TABLE OPEREMPR RENAME TO OPEREMPR_FORA");
        QString lista = "kept";
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, Dbgeral::ListaEmpresaOper("ADM", lista));
        QCOMPARE(lista, QString("kept"));
        QVERIFY(db.rollback());
        Dbgeral::ListaEmpresaOper("ADM", lista);
        QCOMPARE(lista, QString("01,02,03"));
    }

    void branchProcessingDate()
    {
        for (TdtmDBGeral* module : modules()) {
            dtmDBGeral = module;
            QCOMPARE(DateTime::toDate(Dbgeral::DataProcFilial("01")), QDate(2026, 3, 15));
            QCOMPARE(DateTime::toDate(Dbgeral::DataProcFilial("02")), QDate(2026, 3, 13));
            QCOMPARE(Dbgeral::DataProcFilial("99"), 0.0);
        }
        dtmDBGeral = &m_sqlite;
    }

    void demoChecksCoverEveryStateOnTheProcessingDate()
    {
        const Rows rows =
            run(m_sqlite.database(),
                "SELECT IDSTATUS, COUNT(*) FROM CHEQUE WHERE DTEMISSAO = '2026-03-15' "
                "GROUP BY IDSTATUS ORDER BY IDSTATUS");
        QCOMPARE(firstColumn(rows), QStringList({"0", "1", "2"}));
        const Rows cleared =
            run(m_sqlite.database(), "SELECT DTCOMPENSACAO IS NULL, COUNT(*) FROM CHEQUE "
                                     "WHERE IDSTATUS = '1' GROUP BY 1 ORDER BY 1");
        QCOMPARE(cleared.size(), 2); // issued checks cleared and not cleared
    }

    void reopeningKeepsTheData()
    {
        const QString path = m_dir.filePath("reopen.sqlite");
        {
            TdtmDBGeral first;
            first.open(sqliteConfig(path));
            run(first.database(), "DELETE FROM CHEQUE");
        }
        TdtmDBGeral second;
        second.open(sqliteConfig(path));
        QCOMPARE(run(second.database(), "SELECT COUNT(*) FROM CHEQUE"), Rows{{"0"}});
    }

    // An empty demo file is what an interrupted first run leaves.
    void emptyDemoFileGetsTheSchema()
    {
        const QString path = m_dir.filePath("empty.sqlite");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        TdtmDBGeral module;
        module.open(sqliteConfig(path));
        QCOMPARE(run(module.database(), "SELECT COUNT(*) FROM EMPRESA"), Rows{{"4"}});
    }

    void openFailureRaisesAndKeepsTheFile()
    {
        // A file that is no database must be reported, never replaced.
        const QString path = m_dir.filePath("notes.txt");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(4096, 'x'));
        file.close();
        const QStringList connections = QSqlDatabase::connectionNames();

        for (const QString& target : {path, path + "/demo.sqlite"}) {
            TdtmDBGeral module;
            try {
                module.open(sqliteConfig(target));
                QFAIL("open succeeded");
            } catch (const EDatabaseError& error) {
                QVERIFY2(error.Message().contains(target), qPrintable(error.Message()));
            }
            QVERIFY(!module.isOpen());
        }
        QCOMPARE(QFileInfo(path).size(), 4096);
        QCOMPARE(QSqlDatabase::connectionNames(), connections);
    }

    // Where a Firebird path points: the server a database is reached at is tried first.
    void firebirdServerOfAPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("local");
        QTest::addColumn<QString>("server"); // "host port", empty when not reached over TCP
        QTest::newRow("host") << "servidor:/dados/klx.fdb" << false << "servidor 3050";
        QTest::newRow("host and port")
            << "servidor/3051:/dados/klx.fdb" << false << "servidor 3051";
        QTest::newRow("drive on the server")
            << "servidor:C:\\dados\\klx.fdb" << false << "servidor 3050";
        QTest::newRow("url") << "inet://10.0.0.5:3052/dados/klx.fdb" << false << "10.0.0.5 3052";
        QTest::newRow("IPv6") << "[::1]/3053:/dados/klx.fdb" << false << "::1 3053";
        QTest::newRow("service name") << "servidor/gds_db:/dados/klx.fdb" << false << "";
        QTest::newRow("local file") << "/dados/klx.fdb" << true << "";
        QTest::newRow("relative file") << "klx.fdb" << true << "";
        QTest::newRow("local drive") << "C:\\dados\\klx.fdb" << true << "";
    }

    void firebirdServerOfAPath()
    {
        QFETCH(QString, path);
        QFETCH(bool, local);
        QFETCH(QString, server);
        QCOMPARE(FirebirdAddress::isLocal(path), local);
        const auto found = FirebirdAddress::serverOf(path);
        QCOMPARE(found ? QStringLiteral("%1 %2").arg(found->host).arg(found->port) : QString(),
                 server);
    }

    void firebirdRunsTheInterBaseTexts()
    {
        if (!firebird())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        const QSqlDatabase fb = firebird()->database();
        const QSqlDatabase lite = m_sqlite.database();
        QCOMPARE(firebird()->dialect(), SqlDialect::InterBase);
        QCOMPARE(run(fb, "SELECT INSTR('01,23', '23'), INSTR('01,23', '12') FROM RDB$DATABASE"),
                 Rows({{"4", "0"}}));
        for (const CompanyCase& c : companyCases)
            QCOMPARE(run(fb, companyIb, companyValues(c)), run(lite, companyIb, companyValues(c)));
        for (const AccountCase& c : accountCases) {
            const Rows expected = run(lite, accountIb, accountValues(c));
            QCOMPARE(run(fb, accountIb, accountValues(c)), expected);
            QCOMPARE(run(fb, accountGeneral, accountValues(c)), expected);
        }
    }

    // klx-gendata writes the same data into either engine: one seed, one data set.
    void generatorWritesBothEngines()
    {
        if (!firebird())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        const QString summary =
            "SELECT COUNT(*), ROUND(SUM(VLCHEQUE), 2), COUNT(DTCOMPENSACAO), COUNT(NMFAVORECIDO), "
            "MIN(DTEMISSAO), MAX(DTCOMPENSACAO), MIN(CDREDUCONT || NRCHEQUE || IDSTATUS), "
            "MAX(CDEMPRESA), (SELECT COUNT(*) FROM CONTCORR), (SELECT COUNT(*) FROM EMPRESA) "
            "FROM CHEQUE";
        QList<Rows> summaries;
        for (const char* engine : {"sqlite", "firebird"}) {
            const QString path = m_dir.filePath(QStringLiteral("gerado-%1").arg(engine));
            QProcess generator;
            generator.start(
                QStringLiteral(KLX_BINARY_DIR "/bin/klx-gendata"),
                {"--db", engine, "--companies", "7", "--accounts", "40", "--checks", "1500", path});
            QVERIFY(generator.waitForFinished(120000));
            QVERIFY2(generator.exitCode() == 0, generator.readAllStandardError().constData());
            TdtmDBGeral module;
            DatabaseConfig config;
            config.engine = QLatin1String(engine) == QLatin1String("sqlite")
                                ? DatabaseConfig::Engine::Sqlite
                                : DatabaseConfig::Engine::Firebird;
            config.path = path;
            config.administrator = true;
            module.open(config);
            summaries << run(module.database(), summary);
        }
        QCOMPARE(summaries.at(1), summaries.at(0));
        QCOMPARE(summaries.at(0).at(0).at(0), QStringLiteral("1500"));
        QCOMPARE(summaries.at(0).at(0).at(8), QStringLiteral("40"));
    }

    void firebirdReopensWithoutReloading()
    {
        if (!firebird())
            QSKIP("The Qt Firebird driver (QIBASE, libqt6sql6-ibase) is not installed.");
        const DatabaseConfig config = firebird()->config();
        run(firebird()->database(), "DELETE FROM OPEREMPR WHERE CDOPERADOR = 'OPER'");
        m_firebird->close();
        m_firebird->open(config);
        QCOMPARE(run(m_firebird->database(), "SELECT COUNT(*) FROM OPEREMPR"), Rows{{"3"}});
    }

private:
    // The Firebird demo database, made on first use; nullptr without the driver.
    TdtmDBGeral* firebird()
    {
        if (!m_firebird && QSqlDatabase::isDriverAvailable("QIBASE")) {
            m_firebird = std::make_unique<TdtmDBGeral>();
            DatabaseConfig config;
            config.engine = DatabaseConfig::Engine::Firebird;
            config.path = m_dir.filePath("demo.fdb");
            config.createWithDemoData = true;
            // The tests write their fixtures: the database's owner.
            config.administrator = true;
            m_firebird->open(config);
        }
        return m_firebird.get();
    }
    QList<TdtmDBGeral*> modules()
    {
        QList<TdtmDBGeral*> list{&m_sqlite};
        if (firebird())
            list << firebird();
        return list;
    }
    QList<QSqlDatabase> databases()
    {
        QList<QSqlDatabase> list;
        for (TdtmDBGeral* module : modules())
            list << module->database();
        return list;
    }
    template <typename Case> static void addCaseRows(const QList<Case>& cases)
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < cases.size(); ++i)
            QTest::newRow(cases.at(i).name) << i;
    }
    static int caseIndex()
    {
        QFETCH(int, index);
        return index;
    }

    QTemporaryDir m_dir;
    TdtmDBGeral m_sqlite;
    std::unique_ptr<TdtmDBGeral> m_firebird;
};

QTEST_GUILESS_MAIN(TestDatabase)
#include "tst_database.moc"
