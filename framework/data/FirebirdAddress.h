#pragma once

#include "base/CoreExport.h"

#include <QString>
#include <optional>

// Where a Firebird database path points: a file the embedded engine opens itself, or a
// database on a server ("host:/path", "host/port:/path", "inet://host:port/path").
namespace FirebirdAddress {

// A server reached over TCP.
struct Server {
    QString host;
    quint16 port = 3050;
};

// True for a local file: "/dados/klx.fdb", "klx.fdb", "C:\dados\klx.fdb".
KLX_CORE_EXPORT bool isLocal(const QString& path);

// The server a path names over TCP; std::nullopt for a local file, or for a form whose
// port is a service name rather than a number.
KLX_CORE_EXPORT std::optional<Server> serverOf(const QString& path);

// Raises EDatabaseUnavailable naming the server when no TCP connection to it opens within the
// time: the client library alone could wait minutes for an address that never answers.
KLX_CORE_EXPORT void requireReachable(const Server& server, int timeoutMs);

} // namespace FirebirdAddress
