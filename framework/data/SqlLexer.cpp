#include "data/SqlLexer.h"

namespace {

// The characters of a Firebird word, before which q'...' is no literal.
bool isFirebirdWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

} // namespace

SqlLexer::SqlLexer(QStringView sql, Reading reading) : m_sql(sql), m_reading(reading) {}

bool SqlLexer::next(Piece& piece)
{
    const qsizetype size = m_sql.size();
    if (m_at >= size)
        return false;
    piece.start = m_at;
    if (const qsizetype end = quotedEnd(m_at); end > m_at) {
        piece.kind = Kind::Quoted;
        piece.end = end;
    } else if (const qsizetype comment = commentEnd(m_at); comment > m_at) {
        piece.kind = Kind::Comment;
        piece.end = comment;
    } else {
        piece.kind = Kind::Code;
        piece.end = m_at + 1;
        while (piece.end < size && quotedEnd(piece.end) == piece.end &&
               commentEnd(piece.end) == piece.end)
            ++piece.end;
    }
    m_at = piece.end;
    return true;
}

qsizetype SqlLexer::quotedEnd(qsizetype i) const
{
    const QChar c = m_sql.at(i);
    if (c == u'\'' || c == u'"')
        return closedBy(c, i + 1);
    if (m_reading == Reading::Sqlite) {
        if (c == u'`')
            return closedBy(c, i + 1);
        if (c == u'[')
            return closedBy(u']', i + 1);
    } else if ((c == u'q' || c == u'Q') && at(i + 1) == u'\'' && i + 2 < m_sql.size() &&
               (i == 0 || !isFirebirdWordChar(m_sql.at(i - 1)))) {
        return firebirdLiteralEnd(i);
    }
    return i;
}

qsizetype SqlLexer::commentEnd(qsizetype i) const
{
    const QChar c = m_sql.at(i);
    if (c == u'-' && at(i + 1) == u'-') {
        // The line break is no part of the comment.
        const qsizetype end = m_sql.indexOf(u'\n', i);
        return end < 0 ? m_sql.size() : end;
    }
    if (c == u'/' && at(i + 1) == u'*') {
        const qsizetype end = m_sql.indexOf(u"*/", i + 2);
        return end < 0 ? m_sql.size() : end + 2;
    }
    return i;
}

qsizetype SqlLexer::closedBy(QChar quote, qsizetype from) const
{
    for (qsizetype end = from;; end += 2) {
        end = m_sql.indexOf(quote, end);
        if (end < 0)
            return m_sql.size();
        if (at(end + 1) != quote)
            return end + 1;
    }
}

qsizetype SqlLexer::firebirdLiteralEnd(qsizetype i) const
{
    const QChar open = m_sql.at(i + 2);
    const QChar close = open == u'('   ? QChar(u')')
                        : open == u'[' ? QChar(u']')
                        : open == u'{' ? QChar(u'}')
                        : open == u'<' ? QChar(u'>')
                                       : open;
    qsizetype end = i + 3;
    while (end < m_sql.size() && !(m_sql.at(end) == close && at(end + 1) == u'\''))
        ++end;
    return end < m_sql.size() ? end + 2 : m_sql.size();
}

QString SqlLexer::withoutComments(QStringView sql, Reading reading)
{
    QString result;
    result.reserve(sql.size());
    SqlLexer lexer(sql, reading);
    for (Piece piece; lexer.next(piece);) {
        const QStringView text = sql.sliced(piece.start, piece.end - piece.start);
        if (piece.kind != Kind::Comment) {
            result += text;
        } else if (text.startsWith(u"/*")) {
            const qsizetype breaks = text.count(u'\n');
            result += breaks > 0 ? QString(breaks, u'\n') : QStringLiteral(" ");
        }
    }
    return result;
}

QString SqlLexer::codeOf(QStringView sql, Reading reading)
{
    QString code;
    code.reserve(sql.size());
    SqlLexer lexer(sql, reading);
    for (Piece piece; lexer.next(piece);) {
        if (piece.kind == Kind::Code)
            code += sql.sliced(piece.start, piece.end - piece.start);
        else if (piece.kind == Kind::Quoted)
            code += QStringLiteral("''");
        else
            code += QLatin1Char(' ');
    }
    return code;
}
