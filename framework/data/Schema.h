#pragma once

#include "base/CoreExport.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The application's schema and its versions, on SQLite and Firebird. Version 1 is the tables
// (and on Firebird the routines) of schema.sql; version 2 adds the version table KLX_VERSAO,
// the operator's view of the checks CHEQUE_OPERADOR and, on Firebird, the report role
// KLX_RELATORIO that every operator connects with (version-2.sql); version 3 operators who see
// every company, new ones included, the cancellation date of a check and the record of the
// reports issued, KLX_EMISSAO (version-3.sql). Everything here runs on a connection of the
// database's owner.
namespace Schema {

constexpr int currentVersion = 3;

// The role every operator connects with on Firebird.
KLX_CORE_EXPORT QString reportRole();

// The schema version of an open database: KLX_VERSAO's, 1 without it.
KLX_CORE_EXPORT int version(const QSqlDatabase& db);

// Creates the current schema in an empty database, with the demo data when asked; on Firebird
// each operator of the data gets the report role. Raises EDatabaseError.
KLX_CORE_EXPORT void create(QSqlDatabase& db, bool withDemoData);

// Brings a database of an older version to the current one; one already there is left as it
// is (its indexes are refreshIndexes' work). Returns the version it had.
KLX_CORE_EXPORT int upgrade(QSqlDatabase& db);

// SQLite: the indexes of schema.sql that the database lacks or holds on other columns (an
// index changed after the database was made). Empty on Firebird.
KLX_CORE_EXPORT QStringList outdatedIndexes(const QSqlDatabase& db);

// SQLite: makes again, in one transaction, the indexes outdatedIndexes names; returns them.
KLX_CORE_EXPORT QStringList refreshIndexes(QSqlDatabase& db);

// Firebird: grants the report role to the server user of every operator OPERADOR holds.
void grantReportRoleToOperators(QSqlDatabase& db);

// The statements of every script of the current schema, in the order they run: schema.sql,
// then each version's. What klx-admin compares a database with and repairs it from.
KLX_CORE_EXPORT QStringList statements(const QSqlDatabase& db);

// The statements of a script: ';' ends one unless "SET TERM" (isql's convention for PSQL
// bodies) names another terminator; comments are dropped.
QStringList splitSqlScript(const QString& script);

// True for a Firebird connection (QIBASE).
KLX_CORE_EXPORT bool isFirebird(const QSqlDatabase& db);

} // namespace Schema
