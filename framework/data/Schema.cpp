#include "data/Schema.h"

#include "base/Exceptions.h"
#include "data/SqlLexer.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString readResource(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(QStringLiteral("Script de banco de dados ausente: %1").arg(name));
    return QString::fromUtf8(file.readAll());
}

QString scriptOf(const QSqlDatabase& db, const QString& name)
{
    return QStringLiteral(":/db/%1/%2").arg(Schema::isFirebird(db) ? "firebird" : "sqlite", name);
}

void exec(QSqlDatabase& db, const QString& statement, const QString& where)
{
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw EDatabaseError(
            QStringLiteral("%1 (em %2: %3)")
                .arg(query.lastError().text(), where, statement.section(QLatin1Char('\n'), 0, 0)));
}

void runStatements(QSqlDatabase& db, const QStringList& statements, const QString& where)
{
    for (const QString& statement : statements)
        exec(db, statement, where);
}

void runScript(QSqlDatabase& db, const QString& resource)
{
    runStatements(db, Schema::splitSqlScript(readResource(resource)), resource);
}

// Runs the work in one transaction, committed at the end or rolled back on failure.
template <class Work> void inTransaction(QSqlDatabase& db, Work work)
{
    if (!db.transaction())
        throw EDatabaseError(db.lastError().text());
    try {
        work();
        if (!db.commit())
            throw EDatabaseError(db.lastError().text());
    } catch (...) {
        db.rollback();
        throw;
    }
}

bool hasTable(const QSqlDatabase& db, const QString& table)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    const QString sql =
        Schema::isFirebird(db)
            ? QStringLiteral("SELECT 1 FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = '%1'")
            : QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = '%1'");
    if (!query.exec(sql.arg(table)))
        throw EDatabaseError(query.lastError().text());
    return query.next();
}

bool hasProcedure(const QSqlDatabase& db, const QString& name)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT 1 FROM RDB$PROCEDURES WHERE RDB$PROCEDURE_NAME = '%1'")
                        .arg(name)))
        throw EDatabaseError(query.lastError().text());
    return query.next();
}

// A statement that writes rows (the version row) rather than defining something.
bool writesRows(const QString& statement)
{
    static const QRegularExpression rows(QStringLiteral("^(INSERT|UPDATE|DELETE)\\s"),
                                         QRegularExpression::CaseInsensitiveOption);
    return rows.match(statement).hasMatch();
}

QString versionScript(int version)
{
    return QStringLiteral("version-%1.sql").arg(version);
}

// The table a version's definitions make: present, they were committed.
QString tableOfVersion(int version)
{
    return version == 2 ? QStringLiteral("KLX_VERSAO") : QStringLiteral("KLX_EMISSAO");
}

// A version's script over the one before. Firebird cannot use in a transaction what that
// transaction defined: the definitions go in one transaction, then the version row and the
// operators' role in another. Definitions committed without their version row (the second
// transaction failed) are found by the table they make and not made again.
void addVersion(QSqlDatabase& db, int version)
{
    const QString resource = scriptOf(db, versionScript(version));
    const QStringList statements = Schema::splitSqlScript(readResource(resource));
    if (!Schema::isFirebird(db)) {
        inTransaction(db, [&] { runStatements(db, statements, resource); });
        return;
    }
    QStringList definitions;
    QStringList rows;
    for (const QString& statement : statements)
        (writesRows(statement) ? rows : definitions) << statement;
    if (!hasTable(db, tableOfVersion(version))) {
        // A database made before the procedure CODES lacks it; the view's queries call it.
        if (version == 2 && !hasProcedure(db, QStringLiteral("CODES"))) {
            const QString schema = QStringLiteral(":/db/firebird/schema.sql");
            for (const QString& statement : Schema::splitSqlScript(readResource(schema)))
                if (statement.startsWith(QLatin1String("CREATE PROCEDURE CODES")))
                    definitions.prepend(statement);
        }
        inTransaction(db, [&] { runStatements(db, definitions, resource); });
    }
    inTransaction(db, [&] {
        if (version == 2)
            exec(db, QStringLiteral("DELETE FROM KLX_VERSAO"), resource);
        runStatements(db, rows, resource);
        Schema::grantReportRoleToOperators(db);
    });
}

// SQLite: the indexes of schema.sql that the database lacks or holds on other columns, each
// with the statement that makes it. SQLite keeps an index's statement as it was run: the two
// are compared with spaces evened out. None on Firebird.
QList<std::pair<QString, QString>> outdatedIndexStatements(const QSqlDatabase& db)
{
    QList<std::pair<QString, QString>> outdated;
    if (Schema::isFirebird(db))
        return outdated;
    static const QRegularExpression createIndex(QStringLiteral("^CREATE\\s+INDEX\\s+(\\w+)\\s"),
                                                QRegularExpression::CaseInsensitiveOption);
    const QString schema = scriptOf(db, QStringLiteral("schema.sql"));
    for (const QString& statement : Schema::splitSqlScript(readResource(schema))) {
        const QRegularExpressionMatch match = createIndex.match(statement);
        if (!match.hasMatch())
            continue;
        QSqlQuery query(db);
        query.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'index' AND "
                                     "name = ?"));
        query.addBindValue(match.captured(1));
        if (!query.exec())
            throw EDatabaseError(query.lastError().text());
        if (!query.next() || query.value(0).toString().simplified().compare(
                                 statement.simplified(), Qt::CaseInsensitive) != 0)
            outdated.append({match.captured(1), statement});
    }
    return outdated;
}

} // namespace

namespace Schema {

QString reportRole()
{
    return QStringLiteral("KLX_RELATORIO");
}

bool isFirebird(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String("QIBASE");
}

int version(const QSqlDatabase& db)
{
    if (!hasTable(db, QStringLiteral("KLX_VERSAO")))
        return 1;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT MAX(VERSAO) FROM KLX_VERSAO")))
        throw EDatabaseError(query.lastError().text());
    const int found = query.next() ? query.value(0).toInt() : 0;
    return found > 0 ? found : 1;
}

void create(QSqlDatabase& db, bool withDemoData)
{
    const QString schema = scriptOf(db, QStringLiteral("schema.sql"));
    const QString demo = QStringLiteral(":/db/demo.sql");
    if (!isFirebird(db)) {
        inTransaction(db, [&] {
            runScript(db, schema);
            for (int version = 2; version <= currentVersion; ++version)
                runScript(db, scriptOf(db, versionScript(version)));
            if (withDemoData)
                runScript(db, demo);
        });
        return;
    }
    // Firebird commits each definition before anything can use it.
    runScript(db, schema);
    for (int version = 2; version <= currentVersion; ++version)
        addVersion(db, version);
    if (withDemoData)
        inTransaction(db, [&] {
            runScript(db, demo);
            grantReportRoleToOperators(db);
        });
}

int upgrade(QSqlDatabase& db)
{
    const int before = version(db);
    for (int next = before + 1; next <= currentVersion; ++next)
        addVersion(db, next);
    return before;
}

QStringList outdatedIndexes(const QSqlDatabase& db)
{
    QStringList names;
    for (const auto& [name, statement] : outdatedIndexStatements(db))
        names << name;
    return names;
}

QStringList refreshIndexes(QSqlDatabase& db)
{
    const QList<std::pair<QString, QString>> outdated = outdatedIndexStatements(db);
    QStringList names;
    if (outdated.isEmpty())
        return names;
    const QString where = scriptOf(db, QStringLiteral("schema.sql"));
    inTransaction(db, [&] {
        for (const auto& [name, statement] : outdated) {
            exec(db, QStringLiteral("DROP INDEX IF EXISTS %1").arg(name), where);
            exec(db, statement, where);
            names << name;
        }
        // Where the planner keeps figures (ANALYZE was run), the new index gets its own.
        if (hasTable(db, QStringLiteral("sqlite_stat1")))
            for (const QString& name : std::as_const(names))
                exec(db, QStringLiteral("ANALYZE %1").arg(name), where);
    });
    return names;
}

void grantReportRoleToOperators(QSqlDatabase& db)
{
    // GRANT takes no parameter: each name goes into the statement, quoted as a name.
    exec(db,
         QStringLiteral("EXECUTE BLOCK AS DECLARE NOME VARCHAR(40); BEGIN "
                        "FOR SELECT TRIM(CDOPERADOR) FROM OPERADOR INTO NOME DO "
                        "EXECUTE STATEMENT 'GRANT %1 TO USER \"' || REPLACE(NOME, '\"', '\"\"') "
                        "|| '\"'; END")
             .arg(reportRole()),
         QStringLiteral("GRANT %1").arg(reportRole()));
}

QStringList statements(const QSqlDatabase& db)
{
    QStringList all = splitSqlScript(readResource(scriptOf(db, QStringLiteral("schema.sql"))));
    for (int version = 2; version <= currentVersion; ++version)
        all << splitSqlScript(readResource(scriptOf(db, versionScript(version))));
    return all;
}

QStringList splitSqlScript(const QString& script)
{
    static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    const auto finishStatement = [&] {
        const QString statement = current.trimmed();
        current.clear();
        if (statement.isEmpty())
            return;
        const auto match = setTerm.match(statement);
        if (match.hasMatch())
            terminator = match.captured(1);
        else
            statements << statement;
    };

    // Comments go first: Qt would read ":name" in them as placeholders. A terminator ends a
    // statement in code, never in quoted text.
    const QString text = SqlLexer::withoutComments(script);
    SqlLexer lexer(text, SqlLexer::Reading::Sqlite);
    for (SqlLexer::Piece piece; lexer.next(piece);) {
        for (qsizetype i = piece.start; i < piece.end;) {
            if (piece.kind == SqlLexer::Kind::Code &&
                QStringView(text).sliced(i, piece.end - i).startsWith(terminator)) {
                finishStatement();
                i += terminator.size();
            } else {
                current += text.at(i++);
            }
        }
    }
    finishStatement();
    return statements;
}

} // namespace Schema
