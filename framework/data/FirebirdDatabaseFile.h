#pragma once

#include "base/CoreExport.h"

#include <QString>

// Making a Firebird database. The Qt driver can only attach to an existing one, so this goes
// through the client library, resolved at run time: an installation without Firebird still
// runs on SQLite.
namespace FirebirdDatabaseFile {

// Creates an empty UTF8 database at the path: a local file (the embedded engine, which
// checks no password) or "host/port:/path" on a server, as the user. Raises EDatabaseError.
KLX_CORE_EXPORT void create(const QString& path, const QString& user, const QString& password);

} // namespace FirebirdDatabaseFile
