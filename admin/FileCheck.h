#pragma once

#include "DatabaseCheck.h"

// The files' part of klx-admin check: the database file, when it is on this machine (others
// must not reach it; a local Firebird file where a server runs is one the server does not
// open), and configuration and password files that others may read.
namespace FileCheck {

void run(Administration& administration, const QStringList& files,
         QList<DatabaseCheck::Finding>& findings);

// The database file's path on this machine, when it is here: a local file, or a server's
// file at 127.0.0.1 or localhost. Empty otherwise.
QString localDatabaseFile(const Administration& administration);

} // namespace FileCheck
