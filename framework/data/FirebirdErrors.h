#pragma once

#include "base/CoreExport.h"

class QSqlError;
class QString;

// What a Firebird error means when the driver says it only in words.
namespace FirebirdErrors {

// The connection to the server is gone: the server stopped or the network dropped it.
bool connectionLost(const QSqlError& error);

// The table or view the server refused to let the user read ("no permission for SELECT
// access to TABLE CHEQUE"): its name, else empty.
KLX_CORE_EXPORT QString readRefused(const QSqlError& error);

} // namespace FirebirdErrors
