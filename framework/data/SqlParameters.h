#pragma once

#include "base/CoreExport.h"
#include "base/Exceptions.h"

#include <QString>
#include <QStringList>

namespace SqlParameters {

// A text whose parameters Qt and the database would read differently: Qt would bind a
// name the prepared statement does not have. Message() says the line; reason() does not.
class KLX_CORE_EXPORT EParameterError : public Exception {
public:
    EParameterError(int line, const QString& reason);
    // The line of the text, from 1.
    int line() const { return m_line; }
    const QString& reason() const { return m_reason; }

private:
    int m_line;
    QString m_reason;
};

// The named parameters (":NAME") an SQL text declares, in order of first use, split as
// both Qt and the database split them; names inside quotes and comments are not
// parameters. Callers run the text without its comments (SqlLexer::withoutComments): Qt
// would take names in them for parameters. Raises EParameterError for a text they would read
// differently: a name followed by '$', a letter with an accent, "(" or "::"; a parameter written
// "?",
// "$NAME", "@NAME" or "#NAME"; one name written in two cases; a NUL character outside
// comments (the database reads no further).
KLX_CORE_EXPORT QStringList declaredIn(const QString& sql);

} // namespace SqlParameters
