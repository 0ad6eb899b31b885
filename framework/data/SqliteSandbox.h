#pragma once

#include "base/CoreExport.h"

#include <QString>
#include <memory>

struct sqlite3;

// What a report's own SQLite connection lets a definition's query do, enforced by the engine
// itself: SQLITE_DBCONFIG_DEFENSIVE, no trusted schema, tight sqlite3_limit values, and an
// authorizer that allows reading and nothing else (and admits(), which keeps a statement from
// naming anything of its own after the view). Reads: the application's tables and the
// table functions CODES and PARAM, CHEQUE only from inside the view CHEQUE_OPERADOR (so no
// rewrite of the query can widen the operator's checks), never a schema table or a pragma.
// Functions: an allow-list of built-ins a report needs and ours (CHARINDEX, INSTR,
// KLX_OPERADOR); fts3_tokenizer, load_extension, sqlite_* and the like are refused. No
// ATTACH, no write, no transaction, no pragma.
class KLX_CORE_EXPORT SqliteSandbox {
public:
    // Applies the settings and installs the authorizer on the open connection, which must
    // outlive the sandbox; the sandbox removes its authorizer when it goes.
    explicit SqliteSandbox(sqlite3* db);
    ~SqliteSandbox();
    SqliteSandbox(const SqliteSandbox&) = delete;
    SqliteSandbox& operator=(const SqliteSandbox&) = delete;

    // Whether the text may run: false (and refused() says why) when it defines a common table
    // expression named CHEQUE_OPERADOR, which would stand for the view inside the statement
    // and pass for it with the authorizer. Asked before the text is prepared.
    bool admits(const QString& sql);

    // What the authorizer refused first, in Portuguese ("a função fts3_tokenizer", "a tabela
    // CHEQUE fora da visão CHEQUE_OPERADOR"); empty when it refused nothing.
    QString refused() const;
    // Whether the refusal was a table read (a read the operator may not make), not a
    // function or another statement.
    bool refusedRead() const;

    // Whether the allow-list holds the function (any case).
    static bool allowsFunction(const QString& name);

private:
    struct State;
    sqlite3* m_db;
    std::unique_ptr<State> m_state;
};
