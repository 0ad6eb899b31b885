#pragma once

#include "base/CoreExport.h"

class QSqlDatabase;
class QString;
struct sqlite3;

// SQL functions the dialect texts need on SQLite, registered per connection:
//  - CHARINDEX(needle, haystack): SQL Server's argument order; the 1-based character
//    position of needle in haystack, 0 when absent or when needle is empty, NULL when
//    either argument is NULL. Case-sensitive, like SQLite's instr.
//  - PARAM(text): a table-valued function with one column PARAM that yields exactly one
//    row holding text; a NULL or missing argument yields one row with the empty text.
//  - CODES(list): a table-valued function with one column CODE that yields the codes of a
//    code list (Dbgeral::codesOf), one row each, in the list's order; an empty, NULL or
//    missing list yields none. Report queries test membership with
//    "C.CDREDUCONT IN (SELECT CODE FROM CODES(:P_CDREDUCONT))", which SQLite evaluates once
//    into an index instead of searching the list's text for every row.
//  - KLX_OPERADOR(): the operator the connection was opened for, which the view
//    CHEQUE_OPERADOR keeps the checks of. It is set by the program, never by a statement.
// SQLite's own instr(haystack, needle) already serves the Oracle texts.

// Registers the functions on a native handle for the operator; returns an SQLite result code.
int registerSqliteFunctions(sqlite3* db, const QString& operatorCode);

// Registers the functions on an open QSQLITE connection for the operator (registering again
// changes the operator), and DatabaseWait as the handler of its waits for another process's
// lock; raises EDatabaseError on failure.
KLX_CORE_EXPORT void registerSqliteFunctions(const QSqlDatabase& db, const QString& operatorCode);

// The native handle of an open QSQLITE connection, or nullptr.
KLX_CORE_EXPORT sqlite3* sqliteHandle(const QSqlDatabase& db);
