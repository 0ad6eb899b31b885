// The SQL lexer, the comment stripper and the parameter scanner. In either reading the
// lexer's pieces follow each other from the first character to the last, each comment
// opening as one, and stripping leaves no comment to strip; stripping keeps every line break
// (errors name lines of the text as written); a refusal names a line of the text; the names
// read are Qt's kind of names, each once; and whenever SQLite prepares the whole text as it
// runs (without its comments), its parameters are exactly the names read.
#include "FuzzInput.h"
#include "data/SqlLexer.h"
#include "data/SqlParameters.h"

#include <QSet>
#include <sqlite3.h>

namespace {

sqlite3* database()
{
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        sqlite3_open(":memory:", &opened);
        return opened;
    }();
    return db;
}

// SQLite's parameter names of the text, when it prepares it as one statement.
std::optional<QStringList> sqliteNames(const QString& sql)
{
    sqlite3_stmt* statement = nullptr;
    const void* tail = nullptr;
    const int prepared = sqlite3_prepare16_v2(database(), sql.utf16(), -1, &statement, &tail);
    const bool whole = prepared == SQLITE_OK && statement &&
                       QString::fromUtf16(static_cast<const char16_t*>(tail)).trimmed().isEmpty();
    std::optional<QStringList> names;
    if (whole) {
        names.emplace();
        for (int i = 1; i <= sqlite3_bind_parameter_count(statement); ++i) {
            const char* name = sqlite3_bind_parameter_name(statement, i);
            *names << (name ? QString::fromUtf8(name) : QStringLiteral("?"));
        }
    }
    sqlite3_finalize(statement);
    return names;
}

bool isQtName(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name)
        if (!(c.unicode() < 0x80 && (c.isLetterOrNumber() || c == QLatin1Char('_'))))
            return false;
    return true;
}

void requireWholePieces(const QString& sql, SqlLexer::Reading reading)
{
    SqlLexer lexer(sql, reading);
    qsizetype end = 0;
    for (SqlLexer::Piece piece; lexer.next(piece); end = piece.end) {
        fuzzRequire(piece.start == end && piece.end > piece.start && piece.end <= sql.size(),
                    "pieces that leave a gap, overlap or stand empty", sql);
        if (piece.kind == SqlLexer::Kind::Comment)
            fuzzRequire(QStringView(sql).sliced(piece.start).startsWith(u"--") ||
                            QStringView(sql).sliced(piece.start).startsWith(u"/*"),
                        "a comment that opens as none", sql);
    }
    fuzzRequire(end == sql.size(), "pieces that stop before the end", sql);
    const QString stripped = SqlLexer::withoutComments(sql, reading);
    fuzzRequire(SqlLexer::withoutComments(stripped, reading) == stripped,
                "a comment left after stripping", sql);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString sql = fuzzText(data, size);
    requireWholePieces(sql, SqlLexer::Reading::Sqlite);
    requireWholePieces(sql, SqlLexer::Reading::Firebird);
    const QString stripped = SqlLexer::withoutComments(sql);
    fuzzRequire(stripped.count(QLatin1Char('\n')) == sql.count(QLatin1Char('\n')),
                "stripping comments changed the line count", sql);
    QStringList names;
    try {
        names = SqlParameters::declaredIn(sql);
    } catch (const SqlParameters::EParameterError& e) {
        fuzzRequire(e.line() >= 1 && e.line() <= sql.count(QLatin1Char('\n')) + 1,
                    "refusal names no line of the text", e.Message());
        return 0;
    }
    QSet<QString> seen;
    for (const QString& name : std::as_const(names)) {
        fuzzRequire(isQtName(name), "a name Qt would not read", name);
        fuzzRequire(!seen.contains(name.toUpper()), "a name read twice", name);
        seen.insert(name.toUpper());
    }
    // The text runs without its comments.
    if (const std::optional<QStringList> expected = sqliteNames(stripped)) {
        QStringList prefixed;
        for (const QString& name : std::as_const(names))
            prefixed << QLatin1Char(':') + name;
        fuzzRequire(prefixed == *expected, "SQLite reads other parameters",
                    sql + QStringLiteral(" -> ") + expected->join(QLatin1Char(',')) +
                        QStringLiteral(" / ") + prefixed.join(QLatin1Char(',')));
    }
    return 0;
}
