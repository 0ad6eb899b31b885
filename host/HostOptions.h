#pragma once

#include "data/dtmDBGeral.h"

#include <QString>
#include <QStringList>

// What the host runs with: database, login and where the reports are. Read from the
// configuration files (AppPaths) and then from the command line, which wins.
struct HostOptions {
    DatabaseConfig database;
    QString branch = QStringLiteral("01");
    QString operatorCode = QStringLiteral("ADM");
    QString reportsDirectory;
    bool openScreen = false;

    // Parses options from args (without the program name and command). Options it does not
    // know are left in rest; a malformed option raises an Exception with the reason.
    static HostOptions parse(const QStringList& args, QStringList* rest);
    // The usage text of the common options.
    static QString usage();
};
