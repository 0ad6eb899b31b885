#include "data/FirebirdErrors.h"

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

} // namespace FirebirdErrors
