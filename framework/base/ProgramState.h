#pragma once

#include <QString>

// Where the program keeps what it remembers between runs (the last criteria, saved criteria
// sets, the last operator and branch of the login), apart from the configuration an
// administrator writes, which the program only reads: $XDG_STATE_HOME/klx/estado.ini, by
// default ~/.local/state/klx/estado.ini.
namespace ProgramState {

QString filePath();

} // namespace ProgramState
