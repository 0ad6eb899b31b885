#include "data/FirebirdErrors.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QStringList>

namespace FirebirdErrors {

bool connectionLost(const QSqlError& error)
{
    // The client library's messages for a connection that broke (network errors, all with
    // SQLCODE -902).
    static const QStringList lost{
        QStringLiteral("Error reading data from the connection"),
        QStringLiteral("Error writing data to the connection"),
        QStringLiteral("Unable to complete network request"),
        QStringLiteral("Connection lost to database"),
        QStringLiteral("connection shutdown"),
    };
    const QString text = error.databaseText();
    for (const QString& words : lost)
        if (text.contains(words, Qt::CaseInsensitive))
            return true;
    return false;
}

QString readRefused(const QSqlError& error)
{
    static const QRegularExpression refused(
        QStringLiteral("no permission for SELECT access to (?:TABLE|VIEW) \"?(\\w+)"));
    return refused.match(error.databaseText()).captured(1);
}

} // namespace FirebirdErrors
