#pragma once

#include "data/dtmDBGeral.h"

#include <QString>
#include <QStringList>

// What klx-admin was asked: the database, as its administrator, and the command with its
// words.
struct AdminOptions {
    // The database's owner connection (DatabaseConfig::administrator): SYSDBA unless --user
    // names another owner, with the password from KLX_SYSDBA_PASSWORD or the terminal.
    DatabaseConfig database;
    QString command;          // create, upgrade, operator, check
    QStringList words;        // what follows the command ("add OPER", ...)
    QString companies;        // --companies
    QString passwordFile;     // --password-file
    QString name;             // --name: OPERADOR.NMOPERADOR
    bool demo = false;        // --demo: create loads the demo data
    QStringList checkedFiles; // --file: more files check looks at

    // Reads the arguments (without the program); raises an Exception naming what is wrong.
    static AdminOptions parse(const QStringList& args);
    // The owner's password on a server: KLX_SYSDBA_PASSWORD, else asked on a terminal; raises
    // ELoginRefused when there is neither. A local file needs none.
    void requireAdministratorPassword();
    // Whether the database is a Firebird one on a server.
    bool onServer() const;
    static QString usage();
};
