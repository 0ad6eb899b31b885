#pragma once

#include "base/CoreExport.h"

#include <QSettings>
#include <QString>

// Where the program keeps what it remembers between runs (the last criteria, saved criteria
// sets, the last operator and branch of the login, the preview's size and zoom, the screen's
// options), apart from the configuration an administrator writes, which the program only
// reads: $XDG_STATE_HOME/klx/estado.ini, by default ~/.local/state/klx/estado.ini.
namespace ProgramState {

KLX_CORE_EXPORT QString filePath();

// The sections in which versions before the state file kept the same things in the user's
// configuration file.
KLX_CORE_EXPORT QStringList earlierSections();
// Copies those sections of the configuration file into the state file when there is no state
// file yet, so that saved criteria sets survive the move; the configuration file is left as
// it is.
KLX_CORE_EXPORT void importEarlier(const QString& configPath);

// The state file as settings.
class Settings : public QSettings {
public:
    Settings() : QSettings(filePath(), QSettings::IniFormat) {}
};

} // namespace ProgramState
