#pragma once

#include "base/CoreExport.h"

class QSqlError;
class QString;

// What a Firebird error means when the driver says it only in words.
namespace FirebirdErrors {

// The connection to the server is gone: the server stopped or the network dropped it.
bool connectionLost(const QSqlError& error);

// The server's or the client library's English text said in Portuguese, for the texts a
// user meets (a refused login, a file the server cannot open or make, a repeated key, a
// right refused, an object in use); any other text is returned as it is. The driver's own
// words are left out: they only repeat what failed.
KLX_CORE_EXPORT QString inPortuguese(const QSqlError& error);
KLX_CORE_EXPORT QString inPortuguese(const QString& databaseText);

// The table or view the server refused to let the user read ("no permission for SELECT
// access to TABLE CHEQUE"): its name, else empty.
KLX_CORE_EXPORT QString readRefused(const QSqlError& error);

} // namespace FirebirdErrors
