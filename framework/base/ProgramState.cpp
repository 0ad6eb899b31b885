#include "base/ProgramState.h"

#include <QDir>

namespace ProgramState {

QString filePath()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG takes an absolute path only; a relative one is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/klx/estado.ini");
}

} // namespace ProgramState
