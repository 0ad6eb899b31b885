#pragma once

#include "base/Exceptions.h"
#include "data/dtmDBGeral.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// A command line that klx-admin refuses: exit code 2.
class EBadCommandLine : public Exception {
public:
    using Exception::Exception;
};

// What klx-admin was asked: the database, as its administrator, and the command with its
// words.
struct AdminOptions {
    // The database's owner connection (DatabaseConfig::administrator): --user, else ISC_USER,
    // else SYSDBA, with the password from KLX_SYSDBA_PASSWORD, ISC_PASSWORD or the terminal;
    // connectTimeoutSeconds from --connect-timeout.
    DatabaseConfig database;
    QString command;            // create, upgrade, repair, operator, company, branch, ...
    QStringList words;          // what follows the command ("add OPER", ...)
    QString companies;          // --companies
    QString passwordFile;       // --password-file
    QString name;               // --name: OPERADOR.NMOPERADOR
    QString operatorFilter;     // --operator: log
    std::optional<QDate> since; // --since: log
    std::optional<QDate> date;  // --date: a branch's processing date
    bool demo = false;          // --demo: create loads the demo data
    bool embedded = false;      // --embedded: create a local file for the embedded engine
    bool dropLogin = false;     // --drop-login: operator remove and rename drop the login
    bool resetPassword = false; // --reset-password: operator add sets an existing login's
    bool repair = false;        // --repair: upgrade repairs afterwards
    bool dryRun = false;        // --dry-run: import checks and writes nothing
    QStringList checkedFiles;   // --file: more files check looks at

    // Reads the arguments (without the program); raises EBadCommandLine naming what is wrong.
    static AdminOptions parse(const QStringList& args);
    // The owner's password on a server: KLX_SYSDBA_PASSWORD, else ISC_PASSWORD (Firebird's
    // tools' variable, for the user ISC_USER names or any when it names none), else asked on
    // a terminal; raises ELoginRefused when there is none. A local file needs none.
    void requireAdministratorPassword();
    // Whether the database is a Firebird one on a server.
    bool onServer() const;
    static QString usage();
};
