#include "data/DatabaseFaults.h"

#include "data/DatabaseWait.h"
#include "data/FirebirdAddress.h"
#include "data/FirebirdErrors.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <sqlite3.h>

namespace {

QString sqliteReason(const QSqlError& error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DatabaseWait::lastWaitCancelled()
                   ? QStringLiteral("banco de dados em uso por outro processo: a espera foi "
                                    "cancelada.")
                   : QStringLiteral("banco de dados em uso por outro processo (aguardou %1 s).")
                         .arg(DatabaseWait::limitMs / 1000);
    case SQLITE_NOTADB:
        return QStringLiteral("o arquivo não é um banco de dados SQLite.");
    case SQLITE_CORRUPT:
        return QStringLiteral("o banco de dados está corrompido.");
    case SQLITE_READONLY:
        return QStringLiteral("o arquivo não aceita gravação.");
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return QStringLiteral("o arquivo não pode ser aberto.");
    case SQLITE_FULL:
        return QStringLiteral("o disco está cheio.");
    case SQLITE_IOERR:
        return QStringLiteral("erro de acesso ao arquivo (%1).").arg(error.databaseText());
    default:
        return QString();
    }
}

} // namespace

bool DatabaseFaults::connectionLost(const QSqlError& error, const QSqlDatabase& database)
{
    return database.driverName() == QLatin1String("QIBASE") &&
           FirebirdErrors::connectionLost(error);
}

QString DatabaseFaults::reason(const QSqlError& error, const QSqlDatabase& database)
{
    if (database.driverName() == QLatin1String("QSQLITE")) {
        const QString known = sqliteReason(error);
        if (!known.isEmpty())
            return known;
    } else if (connectionLost(error, database)) {
        const auto server = FirebirdAddress::serverOf(database.databaseName());
        const QString where = server ? QStringLiteral("com o servidor Firebird %1, porta %2,")
                                           .arg(server->host)
                                           .arg(server->port)
                                     : QStringLiteral("com o banco de dados Firebird");
        QString detail = error.databaseText().trimmed();
        while (detail.endsWith(QLatin1Char('.')))
            detail.chop(1);
        return QStringLiteral("a conexão %1 foi perdida: o servidor parou ou a rede caiu (%2).")
            .arg(where, detail);
    }
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    if (!text.endsWith(QLatin1Char('.')))
        text += QLatin1Char('.');
    return text;
}
