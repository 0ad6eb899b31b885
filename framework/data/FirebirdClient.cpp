#include "data/FirebirdClient.h"

#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"

#include <QElapsedTimer>
#include <QLibrary>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#if __has_include(<ibase.h>)
#include <ibase.h>
#define KLX_HAVE_FBCLIENT 1
#endif

namespace {

#ifdef KLX_HAVE_FBCLIENT
// The client library's entry points this file calls; null when the library is missing.
struct Client {
    decltype(&isc_attach_database) attach = nullptr;
    decltype(&isc_detach_database) detach = nullptr;
    decltype(&fb_cancel_operation) cancel = nullptr;

    static const Client& instance()
    {
        static const Client client = [] {
            Client loaded;
            QLibrary library(QStringLiteral("fbclient"), 2);
            if (!library.load())
                return loaded;
            loaded.attach = reinterpret_cast<decltype(&isc_attach_database)>(
                library.resolve("isc_attach_database"));
            loaded.detach = reinterpret_cast<decltype(&isc_detach_database)>(
                library.resolve("isc_detach_database"));
            loaded.cancel = reinterpret_cast<decltype(&fb_cancel_operation)>(
                library.resolve("fb_cancel_operation"));
            return loaded;
        }();
        return client;
    }
};

// A version 1 parameter block item: tag, length, bytes (at most 255 of them).
void addItem(QByteArray& block, char tag, const QByteArray& value)
{
    const QByteArray bytes = value.left(255);
    block.append(tag);
    block.append(static_cast<char>(bytes.size()));
    block.append(bytes);
}
#endif

} // namespace

namespace FirebirdClient {

void requireAnswer(const QString& path, const QString& user, const QString& password,
                   const QString& role, int timeoutSeconds)
{
#ifdef KLX_HAVE_FBCLIENT
    const auto server = FirebirdAddress::serverOf(path);
    const Client& client = Client::instance();
    if (!server || !client.attach || !client.detach)
        return;
    QByteArray block(1, static_cast<char>(isc_dpb_version1));
    addItem(block, isc_dpb_user_name, user.toUtf8());
    addItem(block, isc_dpb_password, password.toUtf8());
    if (!role.isEmpty())
        addItem(block, isc_dpb_sql_role_name, role.toUtf8());
    addItem(block, isc_dpb_config,
            QByteArrayLiteral("ConnectionTimeout=") + QByteArray::number(timeoutSeconds));
    const QByteArray name = path.toLocal8Bit();
    ISC_STATUS_ARRAY status{};
    isc_db_handle database = 0;
    QElapsedTimer clock;
    clock.start();
    if (!client.attach(status, static_cast<short>(name.size()), name.constData(), &database,
                       static_cast<short>(block.size()), block.constData())) {
        client.detach(status, &database);
        return;
    }
    // A refusal comes at once; only the wait for an answer takes the whole time.
    if (clock.elapsed() >= qint64(timeoutSeconds) * 1000 - 500)
        throw EDatabaseUnavailable(
            QStringLiteral("Não foi possível conectar ao servidor Firebird %1, porta %2: o "
                           "servidor não respondeu em %3 s.")
                .arg(server->host)
                .arg(server->port)
                .arg(timeoutSeconds));
#else
    Q_UNUSED(path);
    Q_UNUSED(user);
    Q_UNUSED(password);
    Q_UNUSED(role);
    Q_UNUSED(timeoutSeconds);
#endif
}

quint64 attachmentOf(const QSqlDatabase& db)
{
#ifdef KLX_HAVE_FBCLIENT
    if (!db.isOpen() || !db.driver())
        return 0;
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || handle.metaType().sizeOf() != sizeof(isc_db_handle))
        return 0;
    return *static_cast<const isc_db_handle*>(handle.constData());
#else
    Q_UNUSED(db);
    return 0;
#endif
}

void cancelOperation(quint64 attachment, bool abort)
{
#ifdef KLX_HAVE_FBCLIENT
    const Client& client = Client::instance();
    if (!client.cancel || !attachment)
        return;
    auto database = static_cast<isc_db_handle>(attachment);
    ISC_STATUS_ARRAY status{};
    client.cancel(status, &database, abort ? fb_cancel_abort : fb_cancel_raise);
#else
    Q_UNUSED(attachment);
    Q_UNUSED(abort);
#endif
}

} // namespace FirebirdClient
