#pragma once

#include <QSettings>
#include <QString>

// Where the program keeps what it remembers between runs (the last criteria, saved criteria
// sets, the last operator and branch of the login, the preview's size and zoom, the screen's
// options), apart from the configuration an administrator writes, which the program only
// reads: $XDG_STATE_HOME/klx/estado.ini, by default ~/.local/state/klx/estado.ini.
namespace ProgramState {

QString filePath();

// The state file as settings.
class Settings : public QSettings {
public:
    Settings() : QSettings(filePath(), QSettings::IniFormat) {}
};

} // namespace ProgramState
