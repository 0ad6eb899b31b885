#pragma once

#include <QString>

// Where the host finds what it ships and keeps what belongs to the user. Every folder is
// named "klx" once: ~/.local/share/klx, ~/.config/klx, <datadir>/klx.
namespace AppPaths {

// Names the application so that Qt's per-user folders are the ones below. Call once, right
// after the application object exists. The program writes no settings of its own there: what
// it remembers goes to its state file (ProgramState).
void setApplicationIdentity();

// The shipped report definitions: "reports" beside the executable in the build tree, else
// <datadir>/klx/reports of the installation, found relative to the executable.
QString shippedReportsDirectory();

// The user's data folder (~/.local/share/klx): the embedded demo database and the user's
// own report definitions.
QString userDataDirectory();
// The embedded demo database, created with the demo data on first run.
QString demoDatabaseFile();

// The configuration files, read in this order, each overriding what the one before set:
// the system-wide file ($KLX_SYSTEM_CONFIG, else /etc/klx/klx.ini), where an administrator
// points every desktop at the company's database; then the user's own
// (~/.config/klx/klx.ini). The program only reads them.
QString systemConfigFile();
QString userConfigFile();

} // namespace AppPaths
