#include "data/SqlParameters.h"

#include "data/SqlLexer.h"

#include <QHash>

namespace SqlParameters {

namespace {

const QString howToWrite =
    QStringLiteral("um parâmetro se escreve :NOME, só com letras sem acento, dígitos e '_'");

// The characters Qt reads as part of a placeholder name.
bool isQtNameChar(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_';
}

// The characters SQLite reads as part of a name, and Firebird as part of an identifier:
// Qt's, '$', and every character beyond ASCII.
bool isDatabaseNameChar(QChar c)
{
    return isQtNameChar(c) || c == u'$' || c.unicode() >= 0x80;
}

const QString nulInText = QStringLiteral("a consulta contém um caractere nulo.");

EParameterError refused(int line, const QString& written)
{
    return EParameterError(
        line, QStringLiteral("o parâmetro '%1' não é aceito: %2.").arg(written, howToWrite));
}

} // namespace

EParameterError::EParameterError(int line, const QString& reason)
    : Exception(QStringLiteral("linha %1 da consulta: %2").arg(line).arg(reason)), m_line(line),
      m_reason(reason)
{
}

QStringList declaredIn(const QString& sql)
{
    // Qt's placeholder scanner (QSqlResult) skips what SQLite quotes, and knows no comments:
    // they go first, as every caller strips them. In code, ":" starts a name unless another
    // ":" stands before it. Where the database would read a different name, the text is
    // refused: binding Qt's name then leaves the statement's own without a value, and Qt's
    // SQLite driver crashes.
    const QString text = SqlLexer::withoutComments(sql);
    // The line of a place in the text; line breaks of comments were kept.
    const auto lineAt = [&text](qsizetype i) {
        return 1 + static_cast<int>(QStringView(text).first(i).count(u'\n'));
    };
    const auto at = [&text](qsizetype i) { return i < text.size() ? text.at(i) : QChar(); };
    QStringList names;
    // Each name as first written, by its upper case: a lookup per parameter keeps the scan
    // linear in the text however many names it declares.
    QHash<QString, QString> firstSpelling;
    SqlLexer lexer(text, SqlLexer::Reading::Sqlite);
    for (SqlLexer::Piece piece; lexer.next(piece);) {
        // The database reads a text only up to a NUL character; Qt reads on.
        if (piece.kind != SqlLexer::Kind::Code) {
            const qsizetype nul = QStringView(text).first(piece.end).indexOf(QChar(), piece.start);
            if (nul >= 0)
                throw EParameterError(lineAt(nul), nulInText);
            continue;
        }
        for (qsizetype i = piece.start; i < piece.end;) {
            const QChar c = text.at(i);
            if (c.isNull())
                throw EParameterError(lineAt(i), nulInText);
            if (c == u':' && (i == 0 || text.at(i - 1) != u':') && isQtNameChar(at(i + 1))) {
                qsizetype end = i + 1;
                while (isQtNameChar(at(end)))
                    ++end;
                const QString name = text.mid(i + 1, end - i - 1);
                const QChar next = at(end);
                if (isDatabaseNameChar(next) || next == u'(' ||
                    (next == u':' && at(end + 1) == u':'))
                    throw refused(lineAt(i), QLatin1Char(':') + name + next);
                // Names are ASCII: upper case is the one spelling of each.
                const auto known = firstSpelling.constFind(name.toUpper());
                if (known == firstSpelling.cend()) {
                    firstSpelling.insert(name.toUpper(), name);
                    names << name;
                } else if (*known != name) {
                    throw EParameterError(
                        lineAt(i), QStringLiteral("o parâmetro ':%1' está escrito também como "
                                                  "':%2'; escreva-o sempre do mesmo jeito.")
                                       .arg(name, *known));
                }
                i = end;
            } else if (c == u'?') {
                throw refused(lineAt(i), c);
            } else if ((c == u':' || c == u'$' || c == u'@' || c == u'#') &&
                       (isDatabaseNameChar(at(i + 1)) || at(i + 1) == u':')) {
                throw refused(lineAt(i), QString(c) + at(i + 1));
            } else if (isDatabaseNameChar(c)) {
                // A word: '$' or a ':' after it is no parameter of its own.
                while (i < piece.end && isDatabaseNameChar(text.at(i)))
                    ++i;
            } else {
                ++i;
            }
        }
    }
    return names;
}

} // namespace SqlParameters
