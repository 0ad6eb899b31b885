#pragma once

#include <QString>

class Administration;

// klx-admin repair: puts back what the schema's scripts make and grant and takes away what
// they do not grant (SchemaComparison): missing objects made, views, routines and triggers
// made again with the scripts' text, the scripts' rights granted and every other right on the
// application's objects revoked; the report role granted to every operator; the companies an
// operator of every company lacks added; and a database file of this machine closed to other
// users. A server login cannot be put back (its password is the operator's): check names it.
// The database must be at the current version (upgrade first). Returns what it did.
namespace Repair {

QString run(Administration& administration);

} // namespace Repair
