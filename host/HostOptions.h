#pragma once

#include "data/dtmDBGeral.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

class CommandLine;

// What the host runs with: database, login and where the reports are. Read from the
// configuration files (AppPaths) and then from the command line, which wins.
struct HostOptions {
    // database.user is the operator: the one a Firebird server authenticates, whom the
    // reports are limited to. Only the demo database has one by default (ADM).
    DatabaseConfig database;
    QString branch = QStringLiteral("01");
    QString operatorCode;
    // Where the password comes from besides the configuration: --password-file.
    QString passwordFile;
    QString reportsDirectory;
    bool openScreen = false;
    // What the configuration files hold that the program does not know, one line each, for
    // the caller to show ("klx.ini:4: seção desconhecida [banco]").
    QStringList warnings;

    // Whether the database is on a Firebird server, which authenticates the operator with a
    // password; SQLite and the embedded engine take the operator's name alone.
    bool needsPassword() const;
    // The password of a server login, from --password-file, else $KLX_PASSWORD, else the
    // configuration, else asked on the terminal when asking is allowed. Raises ELoginRefused
    // when there is none.
    void requirePassword(bool mayAsk);

    // The host's options, for a command line that takes them besides its own.
    static QList<QCommandLineOption> commandLineOptions();
    // The configuration files, then the options of a parsed command line over them; a bad
    // file or value raises an Exception with the reason.
    static HostOptions from(const CommandLine& commandLine);
    // Parses arguments (without the program name and command) that hold the host's options
    // only; anything else raises an Exception with the reason.
    static HostOptions parse(const QStringList& args);
    // The usage text of the common options.
    static QString usage();
};
