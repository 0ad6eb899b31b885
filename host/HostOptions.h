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
    DatabaseConfig database;
    QString branch = QStringLiteral("01");
    QString operatorCode = QStringLiteral("ADM");
    QString reportsDirectory;
    bool openScreen = false;

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
