#include "data/SqliteSandbox.h"

#include <QSet>
#include <mutex>
#include <sqlite3.h>

namespace {

// Built-ins a report's query may call, and ours. Table functions (CODES, PARAM) are tables
// to the authorizer, read like any other.
const QSet<QString>& allowedFunctions()
{
    static const QSet<QString> names{
        // Scalars.
        QStringLiteral("abs"), QStringLiteral("char"), QStringLiteral("coalesce"),
        QStringLiteral("format"), QStringLiteral("glob"), QStringLiteral("hex"),
        QStringLiteral("ifnull"), QStringLiteral("iif"), QStringLiteral("instr"),
        QStringLiteral("length"), QStringLiteral("like"), QStringLiteral("likely"),
        QStringLiteral("lower"), QStringLiteral("ltrim"), QStringLiteral("max"),
        QStringLiteral("min"), QStringLiteral("nullif"), QStringLiteral("printf"),
        QStringLiteral("quote"), QStringLiteral("replace"), QStringLiteral("round"),
        QStringLiteral("rtrim"), QStringLiteral("substr"), QStringLiteral("substring"),
        QStringLiteral("trim"), QStringLiteral("typeof"), QStringLiteral("unicode"),
        QStringLiteral("unlikely"), QStringLiteral("upper"), QStringLiteral("ceil"),
        QStringLiteral("ceiling"), QStringLiteral("floor"), QStringLiteral("trunc"),
        QStringLiteral("mod"),
        // Dates.
        QStringLiteral("date"), QStringLiteral("time"), QStringLiteral("datetime"),
        QStringLiteral("julianday"), QStringLiteral("strftime"), QStringLiteral("unixepoch"),
        // Aggregates and windows.
        QStringLiteral("avg"), QStringLiteral("count"), QStringLiteral("group_concat"),
        QStringLiteral("sum"), QStringLiteral("total"), QStringLiteral("row_number"),
        QStringLiteral("rank"), QStringLiteral("dense_rank"), QStringLiteral("percent_rank"),
        QStringLiteral("cume_dist"), QStringLiteral("ntile"), QStringLiteral("lag"),
        QStringLiteral("lead"), QStringLiteral("first_value"), QStringLiteral("last_value"),
        QStringLiteral("nth_value"),
        // Ours.
        QStringLiteral("charindex"), QStringLiteral("klx_operador")};
    return names;
}

// The tables and table functions a report's query may read; CHEQUE only through its view.
const QSet<QString>& readableTables()
{
    static const QSet<QString> names{QStringLiteral("BANCO"),    QStringLiteral("CHEQUE_OPERADOR"),
                                     QStringLiteral("CONTCORR"), QStringLiteral("EMPRESA"),
                                     QStringLiteral("FILIAL"),   QStringLiteral("OPERADOR"),
                                     QStringLiteral("OPEREMPR"), QStringLiteral("KLX_VERSAO"),
                                     QStringLiteral("CODES"),    QStringLiteral("PARAM")};
    return names;
}

const QString checksTable = QStringLiteral("CHEQUE");
const QString checksView = QStringLiteral("CHEQUE_OPERADOR");

QString textOf(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

} // namespace

struct SqliteSandbox::State {
    mutable std::mutex mutex;
    QString refused;
    bool refusedRead = false;

    int deny(const QString& what, bool read)
    {
        const std::lock_guard lock(mutex);
        if (refused.isEmpty()) {
            refused = what;
            refusedRead = read;
        }
        return SQLITE_DENY;
    }

    // Reads the columns of the application's tables, CHEQUE from its view only. A read of
    // no column (count(*)) names the table without its database, and names a common table
    // expression too: it passes unless it names CHEQUE, a schema table or a pragma.
    int read(const QString& table, const QString& column, const QString& database,
             const QString& view)
    {
        const QString name = table.toUpper();
        if (name == checksTable) {
            if (view.compare(checksView, Qt::CaseInsensitive) == 0)
                return SQLITE_OK;
            return deny(QStringLiteral("a tabela CHEQUE fora da visão CHEQUE_OPERADOR"), true);
        }
        if (column.isEmpty()) {
            if (name.startsWith(QLatin1String("SQLITE_")) ||
                name.startsWith(QLatin1String("PRAGMA_")))
                return deny(QStringLiteral("a tabela %1").arg(table), true);
            return SQLITE_OK;
        }
        if (database.compare(QLatin1String("main"), Qt::CaseInsensitive) != 0)
            return deny(QStringLiteral("o banco %1").arg(database), true);
        if (!readableTables().contains(name))
            return deny(QStringLiteral("a tabela %1").arg(table), true);
        return SQLITE_OK;
    }
};

SqliteSandbox::SqliteSandbox(sqlite3* db) : m_db(db), m_state(std::make_unique<State>())
{
    int previous = 0;
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, &previous);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, &previous);
    sqlite3_db_config(db, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, &previous);
    // Room for any report: a code list of 10,000 accounts is 40,000 characters, a definition
    // at most 1 MiB; nothing a report reads needs more.
    sqlite3_limit(db, SQLITE_LIMIT_LENGTH, 1 << 20);
    sqlite3_limit(db, SQLITE_LIMIT_SQL_LENGTH, 1 << 20);
    sqlite3_limit(db, SQLITE_LIMIT_COLUMN, 200);
    sqlite3_limit(db, SQLITE_LIMIT_EXPR_DEPTH, 200);
    sqlite3_limit(db, SQLITE_LIMIT_COMPOUND_SELECT, 50);
    sqlite3_limit(db, SQLITE_LIMIT_VDBE_OP, 100000);
    sqlite3_limit(db, SQLITE_LIMIT_FUNCTION_ARG, 16);
    sqlite3_limit(db, SQLITE_LIMIT_ATTACHED, 0);
    sqlite3_limit(db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 1000);
    sqlite3_limit(db, SQLITE_LIMIT_VARIABLE_NUMBER, 100);
    sqlite3_limit(db, SQLITE_LIMIT_TRIGGER_DEPTH, 1);
    sqlite3_limit(db, SQLITE_LIMIT_WORKER_THREADS, 0);
    // The table functions are made on their first use with an internal write the authorizer
    // would refuse: first use them here.
    sqlite3_exec(db, "SELECT 1 FROM CODES(''), PARAM('') LIMIT 0", nullptr, nullptr, nullptr);
    sqlite3_set_authorizer(
        db,
        [](void* context, int action, const char* first, const char* second, const char* database,
           const char* inner) -> int {
            auto* state = static_cast<State*>(context);
            switch (action) {
            case SQLITE_SELECT:
            case SQLITE_RECURSIVE:
                return SQLITE_OK;
            case SQLITE_READ:
                return state->read(textOf(first), textOf(second), textOf(database), textOf(inner));
            case SQLITE_FUNCTION:
                if (allowsFunction(textOf(second)))
                    return SQLITE_OK;
                return state->deny(QStringLiteral("a função %1").arg(textOf(second)), false);
            case SQLITE_PRAGMA:
                return state->deny(QStringLiteral("PRAGMA %1").arg(textOf(first)), false);
            case SQLITE_ATTACH:
                return state->deny(QStringLiteral("ATTACH"), false);
            case SQLITE_UPDATE:
                // A table function of SQLite's own (pragma_..., dbstat) is made on its first use
                // by a write to the schema table: refused there.
                if (textOf(first).startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                    return state->deny(QStringLiteral("as tabelas internas do SQLite"), true);
                return state->deny(QStringLiteral("um comando que não é leitura"), false);
            default:
                return state->deny(QStringLiteral("um comando que não é leitura"), false);
            }
        },
        m_state.get());
}

namespace {

// The tokens of an SQLite text, comments and blanks left out; a name (bare or quoted in any
// of SQLite's ways, a string literal included, which SQLite takes for a name where one is
// due) is given upper-case and unquoted, marked as a name.
struct Token {
    QString text;
    bool name = false;
};

QList<Token> tokensOf(const QString& sql)
{
    QList<Token> tokens;
    const qsizetype size = sql.size();
    const auto isNameChar = [](QChar c) {
        return c.isLetterOrNumber() || c == u'_' || c == u'$' || c.unicode() >= 0x80;
    };
    for (qsizetype i = 0; i < size;) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < size ? sql.at(i + 1) : QChar();
        if (c.isSpace()) {
            ++i;
        } else if (c == u'-' && next == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? size : end;
        } else if (c == u'/' && next == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? size : end + 2;
        } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            const QChar close = c == u'[' ? QChar(u']') : c;
            QString text;
            qsizetype end = i + 1;
            while (end < size) {
                if (sql.at(end) == close) {
                    if (close != u']' && end + 1 < size && sql.at(end + 1) == close) {
                        text += close;
                        end += 2;
                        continue;
                    }
                    break;
                }
                text += sql.at(end++);
            }
            tokens.append({text.toUpper(), true});
            i = end + 1;
        } else if (isNameChar(c)) {
            qsizetype end = i;
            while (end < size && isNameChar(sql.at(end)))
                ++end;
            tokens.append({sql.mid(i, end - i).toUpper(), true});
            i = end;
        } else {
            tokens.append({QString(c), false});
            ++i;
        }
    }
    return tokens;
}

} // namespace

bool SqliteSandbox::admits(const QString& sql)
{
    // A common table expression named as the view would stand for it: the authorizer
    // would see the reads of CHEQUE inside it as the view's. Its definition is the name
    // followed by a column list or by AS and its body ("AS (", "AS MATERIALIZED (", "AS NOT
    // MATERIALIZED ("); a reference to the view never is.
    const QList<Token> tokens = tokensOf(sql);
    for (qsizetype i = 0; i + 1 < tokens.size(); ++i) {
        if (!tokens.at(i).name || tokens.at(i).text != checksView)
            continue;
        const Token& after = tokens.at(i + 1);
        const bool columns = !after.name && after.text == QLatin1String("(");
        const bool body = after.name && after.text == QLatin1String("AS") &&
                          i + 2 < tokens.size() &&
                          (tokens.at(i + 2).text == QLatin1String("(") ||
                           tokens.at(i + 2).text == QLatin1String("NOT") ||
                           tokens.at(i + 2).text == QLatin1String("MATERIALIZED"));
        if (columns || body) {
            m_state->deny(QStringLiteral("um nome que imita a visão CHEQUE_OPERADOR (WITH "
                                         "CHEQUE_OPERADOR AS ...)"),
                          true);
            return false;
        }
    }
    return true;
}

SqliteSandbox::~SqliteSandbox()
{
    sqlite3_set_authorizer(m_db, nullptr, nullptr);
}

QString SqliteSandbox::refused() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->refused;
}

bool SqliteSandbox::refusedRead() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->refusedRead;
}

bool SqliteSandbox::allowsFunction(const QString& name)
{
    return allowedFunctions().contains(name.toLower());
}
