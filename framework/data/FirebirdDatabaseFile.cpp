#include "data/FirebirdDatabaseFile.h"

#include "base/Exceptions.h"
#include "data/FirebirdErrors.h"

#include <QFile>
#include <QLibrary>
#include <QStringList>

#if __has_include(<ibase.h>)
#include <ibase.h>
#define KLX_HAVE_FBCLIENT 1
#endif

namespace {

QString quotedSqlText(const QString& text)
{
    return QString(text).replace(QLatin1Char('\''), QStringLiteral("''"));
}

} // namespace

namespace FirebirdDatabaseFile {

void create(const QString& path, const QString& user, const QString& password)
{
    const auto failure = [&](const QString& reason) {
        return EDatabaseError(QStringLiteral("Não foi possível criar o banco de dados Firebird "
                                             "'%1': %2")
                                  .arg(path, reason));
    };
#ifdef KLX_HAVE_FBCLIENT
    QLibrary client(QStringLiteral("fbclient"), 2);
    if (!client.load())
        throw failure(client.errorString());
    const auto executeImmediate = reinterpret_cast<decltype(&isc_dsql_execute_immediate)>(
        client.resolve("isc_dsql_execute_immediate"));
    const auto detach =
        reinterpret_cast<decltype(&isc_detach_database)>(client.resolve("isc_detach_database"));
    const auto interpret =
        reinterpret_cast<decltype(&fb_interpret)>(client.resolve("fb_interpret"));
    if (!executeImmediate || !detach || !interpret)
        throw failure(QStringLiteral("biblioteca cliente do Firebird incompatível"));

    // The file name goes in the file system's encoding, the rest is ASCII.
    QByteArray statement = "CREATE DATABASE '" + QFile::encodeName(path).replace('\'', "''") +
                           "' USER '" + quotedSqlText(user).toUtf8() + "'";
    if (!password.isEmpty())
        statement += " PASSWORD '" + quotedSqlText(password).toUtf8() + "'";
    statement += " PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8";
    ISC_STATUS_ARRAY status{};
    isc_db_handle database = 0;
    isc_tr_handle transaction = 0;
    if (executeImmediate(status, &database, &transaction, 0, statement.constData(), SQL_DIALECT_V6,
                         nullptr)) {
        QStringList reasons;
        const ISC_STATUS* vector = status;
        char buffer[512];
        while (interpret(buffer, sizeof buffer, &vector))
            reasons << QString::fromLocal8Bit(buffer);
        throw failure(FirebirdErrors::inPortuguese(reasons.join(QStringLiteral("; "))));
    }
    detach(status, &database);
#else
    Q_UNUSED(user);
    Q_UNUSED(password);
    throw failure(QStringLiteral("suporte ao Firebird não incluído nesta compilação"));
#endif
}

} // namespace FirebirdDatabaseFile
