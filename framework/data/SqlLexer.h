#pragma once

#include "base/CoreExport.h"

#include <QString>
#include <QStringView>

// Splits an SQL text into the pieces a database engine reads in it: code, quoted text
// (literals and quoted names; a doubled closing quote stays inside) and comments ("--" to the
// end of the line, "/* */"). An unclosed piece runs to the end of the text. Every reader of
// SQL text here (comments, parameters, statements) goes through it.
class KLX_CORE_EXPORT SqlLexer {
public:
    // Whose quotes: SQLite's, which Qt's placeholder scanner also skips ('...', "...", `...`
    // and [...], where "]]" stays inside as Qt reads it; SQLite refuses such a text), or
    // Firebird's ('...', "..." and q'X...X', X any character, where (, [, {, < close with
    // ), ], }, >).
    enum class Reading { Sqlite, Firebird };

    enum class Kind { Code, Quoted, Comment };
    struct Piece {
        Kind kind = Kind::Code;
        qsizetype start = 0;
        qsizetype end = 0; // past the piece's last character
    };

    // The text must outlive the lexer.
    SqlLexer(QStringView sql, Reading reading);

    // The next piece, in order; false past the end of the text. Code runs up to the next
    // quote or comment.
    bool next(Piece& piece);

    // The text without its comments: a block comment becomes its line breaks (a space when it
    // has none), so that lines keep their numbers; quoted text stays as it stands.
    static QString withoutComments(QStringView sql, Reading reading = Reading::Sqlite);
    // The code of the text: each quoted piece becomes '' and each comment a space.
    static QString codeOf(QStringView sql, Reading reading);

private:
    QChar at(qsizetype i) const { return i < m_sql.size() ? m_sql.at(i) : QChar(); }
    // Where a quoted piece or a comment that opens at i ends; i when none opens there.
    qsizetype quotedEnd(qsizetype i) const;
    qsizetype commentEnd(qsizetype i) const;
    // Where a quoted piece closed by the quote character ends, from its first inside
    // character; "]]" and a doubled quote stay inside.
    qsizetype closedBy(QChar quote, qsizetype from) const;
    qsizetype firebirdLiteralEnd(qsizetype i) const;

    QStringView m_sql;
    Reading m_reading;
    qsizetype m_at = 0;
};
