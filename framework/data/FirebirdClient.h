#pragma once

#include "base/CoreExport.h"

#include <QString>

class QSqlDatabase;

// Calls of the Firebird client library that Qt's driver does not make, resolved at run time
// (an installation without Firebird still runs on SQLite).
namespace FirebirdClient {

// Attaches to a database on a server with the login and role and detaches at once, the
// client's wait for the server's answer bounded by ConnectionTimeout (isc_dpb_config): Qt's
// driver passes no such setting, and the client alone waits 180 s for a server that accepts
// the connection and never answers. Raises EDatabaseUnavailable naming the server when it
// did not answer within the time; any other refusal is left to the connection that follows,
// which names it.
KLX_CORE_EXPORT void requireAnswer(const QString& path, const QString& user,
                                   const QString& password, const QString& role,
                                   int timeoutSeconds);

// The attachment behind an open QIBASE connection, read in the connection's thread; 0 when
// there is none.
KLX_CORE_EXPORT quint64 attachmentOf(const QSqlDatabase& db);

// Interrupts what the attachment is running, from any thread (fb_cancel_operation):
// fb_cancel_raise makes the running call fail with "operation was cancelled"; abort closes
// the connection's client side, which ends a call waiting on a server that no longer answers.
KLX_CORE_EXPORT void cancelOperation(quint64 attachment, bool abort);

} // namespace FirebirdClient
