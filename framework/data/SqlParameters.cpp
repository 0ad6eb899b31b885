#include "data/SqlParameters.h"

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
    // The scan follows Qt's placeholder scanner (QSqlResult): quotes ' " ` and [ ] hide
    // names, and ":" starts a name unless another ":" stands before it. Where the
    // database would read a different name, the text is refused: binding Qt's name then
    // leaves the statement's own without a value, and Qt's SQLite driver crashes.
    const QString text = withoutComments(sql);
    const qsizetype size = text.size();
    const auto at = [&](qsizetype i) { return i < size ? text.at(i) : QChar(); };
    QStringList names;
    // Each name as first written, by its upper case: a lookup per parameter keeps the scan
    // linear in the text however many names it declares.
    QHash<QString, QString> firstSpelling;
    int line = 1;
    QChar closing;
    for (qsizetype i = 0; i < size;) {
        const QChar c = text.at(i);
        if (c == u'\n')
            ++line;
        // The database reads a text only up to a NUL character; Qt reads on.
        if (c.isNull())
            throw EParameterError(line, QStringLiteral("a consulta contém um caractere nulo."));
        if (!closing.isNull()) {
            if (c == closing) {
                // "]]" stays inside brackets.
                if (closing == u']' && at(i + 1) == u']')
                    ++i;
                else
                    closing = QChar();
            }
            ++i;
        } else if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            closing = c == u'[' ? QChar(u']') : c;
            ++i;
        } else if (c == u':' && (i == 0 || text.at(i - 1) != u':') && isQtNameChar(at(i + 1))) {
            qsizetype end = i + 1;
            while (isQtNameChar(at(end)))
                ++end;
            const QString name = text.mid(i + 1, end - i - 1);
            const QChar next = at(end);
            if (isDatabaseNameChar(next) || next == u'(' || (next == u':' && at(end + 1) == u':'))
                throw refused(line, QLatin1Char(':') + name + next);
            // Names are ASCII: upper case is the one spelling of each.
            const auto known = firstSpelling.constFind(name.toUpper());
            if (known == firstSpelling.cend()) {
                firstSpelling.insert(name.toUpper(), name);
                names << name;
            } else if (*known != name) {
                throw EParameterError(
                    line, QStringLiteral("o parâmetro ':%1' está escrito também como ':%2'; "
                                         "escreva-o sempre do mesmo jeito.")
                              .arg(name, *known));
            }
            i = end;
        } else if (c == u'?') {
            throw refused(line, c);

        } else if ((c == u':' || c == u'$' || c == u'@' || c == u'#') &&
                   (isDatabaseNameChar(at(i + 1)) || at(i + 1) == u':')) {
            throw refused(line, QString(c) + at(i + 1));
        } else if (isDatabaseNameChar(c)) {
            // A word: '$' or a ':' after it is no parameter of its own.
            while (isDatabaseNameChar(at(i)))
                ++i;
        } else {
            ++i;
        }
    }
    return names;
}

QString withoutComments(const QString& sql)
{
    QString result;
    result.reserve(sql.size());
    const qsizetype size = sql.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < size ? sql.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text runs to the next quote; a doubled quote reopens it.
            qsizetype end = sql.indexOf(c, i + 1);
            end = end < 0 ? size : end + 1;
            result += sql.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? size : end;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            // The comment's line breaks stay, so lines keep their numbers.
            qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? size : end + 2;
            const qsizetype breaks = QStringView(sql).mid(i, end - i).count(QLatin1Char('\n'));
            result += breaks > 0 ? QString(breaks, QLatin1Char('\n')) : QStringLiteral(" ");
            i = end;
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}

} // namespace SqlParameters
