// The parameter scanner reads the names that both Qt and the database read, and refuses a
// text they would read differently: Qt then bound a name the statement did not have, and
// Qt's SQLite driver crashed on it.

#include "data/SqlLexer.h"
#include "data/SqlParameters.h"
#include "data/SqliteFunctions.h"

#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>
#include <sqlite3.h>

namespace {

// The parameter names of the statement SQLite prepares from the text; std::nullopt when
// SQLite does not accept the text.
std::optional<QStringList> sqliteParameterNames(sqlite3* db, const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare16_v2(db, sql.utf16(), -1, &statement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(statement);
        return std::nullopt;
    }
    QStringList names;
    for (int i = 1; i <= sqlite3_bind_parameter_count(statement); ++i) {
        const char* name = sqlite3_bind_parameter_name(statement, i);
        names << (name ? QString::fromUtf8(name) : QStringLiteral("?"));
    }
    sqlite3_finalize(statement);
    return names;
}

// Texts of one to five of the pieces, joined by the separators, the same for every run.
QStringList generatedTexts(const QStringList& pieces, const QStringList& separators, int count)
{
    QRandomGenerator random(47306);
    QStringList texts;
    for (int n = 0; n < count; ++n) {
        QString sql = QStringLiteral("SELECT ");
        const int parts = 1 + int(random.bounded(5));
        for (int i = 0; i < parts; ++i) {
            if (i > 0)
                sql += separators.at(int(random.bounded(separators.size())));
            sql += pieces.at(int(random.bounded(pieces.size())));
        }
        texts << sql;
    }
    return texts;
}

} // namespace

class TestSqlParameters : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        auto db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("memory"));
        db.setDatabaseName(QStringLiteral(":memory:"));
        QVERIFY(db.open());
    }

    void namesAsQtAndTheDatabaseReadThem_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("first use order, once each")
            << "SELECT :B, :a_1, :B FROM T WHERE X=:C" << QStringList{"B", "a_1", "C"};
        QTest::newRow("quotes hide names")
            << "SELECT ':X', \":Y\", `:Z`, [:W], [a]]:U], :V" << QStringList{"V"};
        QTest::newRow("comments hide names")
            << "SELECT :A -- :B\n, /* :C */ :D" << QStringList{"A", "D"};
        QTest::newRow("quoted names hide comments")
            << "SELECT [a--b], `c/*`, \"d--\", ':E /*' AS F, :V" << QStringList{"V"};
        QTest::newRow("dollar inside a word")
            << "SELECT :P FROM RDB$DATABASE WHERE RDB$X$=:Q" << QStringList{"P", "Q"};
        QTest::newRow("inside a cast") << "CAST(:P AS VARCHAR(5))" << QStringList{"P"};
        QTest::newRow("no parameters") << "SELECT 'a:b', \"c:d\"" << QStringList{};
    }

    void namesAsQtAndTheDatabaseReadThem()
    {
        QFETCH(QString, sql);
        QFETCH(QStringList, names);
        QCOMPARE(SqlParameters::declaredIn(sql), names);
    }

    void namesReadOtherwiseAreRefused_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("written");
        QTest::newRow("dollar after the name") << "SELECT :P_DTINI$" << 1 << "':P_DTINI$'";
        QTest::newRow("accented letter after the name") << "SELECT :P_DTINIé" << 1 << "':P_DTINIé'";
        QTest::newRow("accented first letter") << "SELECT :éP" << 1 << "':é'";
        QTest::newRow("parenthesis after the name") << "SELECT :P(1)" << 1 << "':P('";
        QTest::newRow("double colon after the name") << "SELECT :P::X" << 1 << "':P:'";
        QTest::newRow("question mark") << "SELECT 1\nWHERE X = ?" << 2 << "'?'";
        QTest::newRow("dollar name") << "SELECT $P" << 1 << "'$P'";
        QTest::newRow("at name") << "SELECT @P" << 1 << "'@P'";
        QTest::newRow("hash name") << "SELECT #P" << 1 << "'#P'";
        QTest::newRow("line after a block comment")
            << "SELECT 1\n/* a\nb */ FROM T\nWHERE X = :P$" << 4 << "':P$'";
        QTest::newRow("one name in two cases") << "SELECT :P_A,\n :p_a" << 2 << "':p_a'";
        QTest::newRow("NUL, where the database stops reading")
            << QStringLiteral("SELECT :P\n").append(QChar(0)).append(QStringLiteral(", :Q")) << 2
            << "caractere nulo";
    }

    void namesReadOtherwiseAreRefused()
    {
        QFETCH(QString, sql);
        QFETCH(int, line);
        QFETCH(QString, written);
        try {
            SqlParameters::declaredIn(sql);
            QFAIL("accepted");
        } catch (const SqlParameters::EParameterError& e) {
            QCOMPARE(e.line(), line);
            QVERIFY2(e.reason().contains(written), qPrintable(e.reason()));
            QVERIFY(e.Message().startsWith(QStringLiteral("linha %1 da consulta: ").arg(line)));
        }
    }

    // Generated texts: whenever the scanner accepts a text SQLite prepares, SQLite's own
    // parameter names are exactly the scanner's, and Qt runs the text without comments
    // bound by them.
    void agreesWithSqliteOnGeneratedTexts()
    {
        const QStringList pieces{
            ":P",        ":P_A",        ":p_b",    "':Q'", "\":R\"", "CAST(:P AS TEXT)",
            "1 -- :U\n", "/* :V\n*/ 2", ":P$",     ":Pé",  ":P(1)",  ":P::X",
            "?",         "$P",          "@P",      "#P",   ":éP",    "::P",
            "[:W]",      "`:Z`",        "'a'':b'", ":P1",  "[x--y]", "`/*`"};
        const QStringList separators{", ", " || ", "||", ""};
        const QSqlDatabase db = QSqlDatabase::database(QStringLiteral("memory"));
        sqlite3* native = sqliteHandle(db);
        QVERIFY(native);
        int compared = 0;
        int refused = 0;
        for (const QString& sql : generatedTexts(pieces, separators, 4000)) {
            const std::optional<QStringList> expected = sqliteParameterNames(native, sql);
            if (!expected)
                continue;
            QStringList names;
            try {
                names = SqlParameters::declaredIn(sql);
            } catch (const SqlParameters::EParameterError&) {
                ++refused;
                continue;
            }
            QStringList prefixed;
            for (const QString& name : std::as_const(names))
                prefixed << QLatin1Char(':') + name;
            QVERIFY2(prefixed == *expected, qPrintable(sql));

            // As every caller does: Qt reads names in comments too.
            QSqlQuery query(db);
            QVERIFY2(query.prepare(SqlLexer::withoutComments(sql)), qPrintable(sql));
            for (const QString& name : std::as_const(prefixed))
                query.bindValue(name, name);
            QVERIFY2(query.exec(), qPrintable(sql + QLatin1Char(' ') + query.lastError().text()));
            ++compared;
        }
        qInfo("%d texts compared with SQLite, %d refused", compared, refused);
        QVERIFY(compared > 500 && refused > 500);
    }

    // The lexer reads quotes and comments as SQLite's own tokenizer does: a text ends with a
    // whole statement (a ';' in code, then only blanks and comments) exactly when SQLite says
    // so. The texts hold no "]]", which Qt reads inside brackets and SQLite does not, and no
    // unclosed block comment, which SQLite waits to see closed.
    void lexerEndsStatementsWhereSqliteDoes()
    {
        const QStringList pieces{";",      "'a;b'", "'c''d;'", "\"e;f\"",  "`g;h`", "[i;j]",
                                 "-- ;\n", "-- o",  "/* ; */", "/* ;\n*/", "'k",    "\"l",
                                 "[m",     "`n",    "1",       "x",        ":P"};
        int complete = 0;
        for (const QString& sql : generatedTexts(pieces, {" ", "", "\n"}, 4000)) {
            const bool sqliteComplete = sqlite3_complete16(sql.utf16()) != 0;
            const QString code = SqlLexer::codeOf(sql, SqlLexer::Reading::Sqlite).trimmed();
            QVERIFY2(code.endsWith(QLatin1Char(';')) == sqliteComplete, qPrintable(sql));
            complete += sqliteComplete;
        }
        QVERIFY(complete > 150);
    }
};

QTEST_GUILESS_MAIN(TestSqlParameters)
#include "tst_sql_parameters.moc"
