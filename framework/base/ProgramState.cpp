#include "base/ProgramState.h"

#include <QDir>
#include <QFileInfo>

namespace ProgramState {

QString filePath()
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // XDG takes an absolute path only; a relative one is ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/state");
    return base + QStringLiteral("/klx/estado.ini");
}

QStringList earlierSections()
{
    return {QStringLiteral("criterios"), QStringLiteral("ultimos-criterios"),
            QStringLiteral("visualizacao"), QStringLiteral("tela")};
}

void importEarlier(const QString& configPath)
{
    if (QFileInfo::exists(filePath()) || !QFileInfo(configPath).isFile())
        return;
    const QSettings earlier(configPath, QSettings::IniFormat);
    Settings state;
    for (const QString& key : earlier.allKeys())
        if (earlierSections().contains(key.section(QLatin1Char('/'), 0, 0)))
            state.setValue(key, earlier.value(key));
    state.sync();
}

} // namespace ProgramState
