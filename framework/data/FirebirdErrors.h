#pragma once

class QSqlError;

// What a Firebird error means when the driver says it only in words.
namespace FirebirdErrors {

// The connection to the server is gone: the server stopped or the network dropped it.
bool connectionLost(const QSqlError& error);

} // namespace FirebirdErrors
