#pragma once

#include "base/CoreExport.h"

#include <QString>

class QSqlDatabase;
class QSqlError;

// What a database error means for a clerk, in Portuguese, whichever path met it: opening the
// database, the screen's activation and lookups, the picker, a report. SQLite's busy and locked
// files, damaged files, I/O and full disks, and a Firebird connection that broke are named in
// words; anything else keeps the database's own text.
namespace DatabaseFaults {

// The reason, without the path's own words ("Não foi possível ler ..."), ending in a full stop.
KLX_CORE_EXPORT QString reason(const QSqlError& error, const QSqlDatabase& database);

// True when the connection to a Firebird server broke (the server stopped, the network
// dropped).
KLX_CORE_EXPORT bool connectionLost(const QSqlError& error, const QSqlDatabase& database);

} // namespace DatabaseFaults
