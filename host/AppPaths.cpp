#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace AppPaths {

void setApplicationIdentity()
{
    // Qt adds the organisation name as one more folder level (klx/klx); the domain names
    // the settings file without it.
    QCoreApplication::setApplicationName(QStringLiteral("klx"));
    QCoreApplication::setOrganizationName(QString());
    QCoreApplication::setOrganizationDomain(QStringLiteral("klx"));
    QSettings::setDefaultFormat(QSettings::IniFormat);
}

QString shippedReportsDirectory()
{
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(QStringLiteral("reports"));
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(
        programDir.filePath(QStringLiteral(KLX_DATA_DIR_FROM_BINDIR "/reports")));
}

QString userDataDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
}

QString demoDatabaseFile()
{
    return userDataDirectory() + QStringLiteral("/klx-demo.sqlite");
}

QString systemConfigFile()
{
    const QString configured = qEnvironmentVariable("KLX_SYSTEM_CONFIG");
    return configured.isEmpty() ? QStringLiteral("/etc/klx/klx.ini") : configured;
}

QString userConfigFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/klx.ini");
}

} // namespace AppPaths
