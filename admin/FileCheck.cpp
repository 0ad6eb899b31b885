#include "FileCheck.h"

#include "Administration.h"
#include "AppPaths.h"
#include "Password.h"
#include "base/ConfigFile.h"
#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"

#include <QFileInfo>

namespace FileCheck {

namespace {

using Finding = DatabaseCheck::Finding;

// The file's mode as chmod writes it (640): Qt keeps user, group and others in hex digits.
QString modeText(const QFileInfo& file)
{
    const int bits = static_cast<int>(file.permissions());
    return QStringLiteral("%1%2%3").arg((bits >> 8) & 7).arg((bits >> 4) & 7).arg(bits & 7);
}

bool serverHere()
{
    try {
        FirebirdAddress::requireReachable({QStringLiteral("127.0.0.1"), 3050}, 500);
        return true;
    } catch (const EDatabaseUnavailable&) {
        return false;
    }
}

// A local Firebird file opens with the embedded engine as whoever runs the program: one that
// a server of this machine does not own is no database for the operators who log in to that
// server, and one of root's opens for root alone.
void checkEmbeddedFile(const QFileInfo& file, QList<Finding>& findings)
{
    const QString path = file.absoluteFilePath();
    const bool firebirdOwned = file.owner() == QLatin1String("firebird");
    if (!firebirdOwned && serverHere())
        findings << Finding{Finding::Level::Error,
                            QStringLiteral("%1 é um arquivo local, de %2, que o servidor Firebird "
                                           "desta máquina não abre: os operadores entram pelo "
                                           "servidor; use --database localhost:%1, com o arquivo "
                                           "do servidor (chown firebird:firebird %1)")
                                .arg(path, file.owner())};
    else if (file.ownerId() == 0 && !firebirdOwned)
        findings << Finding{Finding::Level::Warning,
                            QStringLiteral("%1 é um arquivo local de root: pelo motor embutido, só "
                                           "o root o abre")
                                .arg(path)};
}

void checkDatabaseFile(Administration& administration, QList<Finding>& findings)
{
    const QFileInfo file(localDatabaseFile(administration));
    if (!file.isFile())
        return;
    const bool others = file.permissions() & (QFile::ReadOther | QFile::WriteOther);
    findings << Finding{others ? Finding::Level::Error : Finding::Level::Ok,
                        QStringLiteral("arquivo do banco %1: dono %2, modo %3%4")
                            .arg(file.filePath(), file.owner(), modeText(file),
                                 others ? QStringLiteral("; outros usuários o leem: chmod o-rwx "
                                                         "%1 (ou klx-admin repair)")
                                              .arg(file.filePath())
                                        : QString())};
    if (administration.firebird() && !administration.onServer())
        checkEmbeddedFile(file, findings);
}

void checkSecretFile(const QString& path, QList<Finding>& findings)
{
    const QFileInfo file(path);
    if (!file.isFile())
        return;
    // A configuration file is read as the program reads it; one that does not read as such is
    // taken for a password file.
    bool holdsPassword = true;
    const bool configuration = file.suffix() == QLatin1String("ini");
    if (configuration) {
        try {
            holdsPassword = ConfigFile::read(path).contains(QStringLiteral("database"),
                                                            QStringLiteral("password"));
        } catch (const Exception& e) {
            findings << Finding{Finding::Level::Error, e.Message()};
            return;
        }
    }
    if (!holdsPassword)
        return;
    // Every operator reads the machine's file: a password has no place there, whatever its
    // mode (600 would lock every operator out).
    if (configuration && file == QFileInfo(AppPaths::systemConfigFile())) {
        findings << Finding{Finding::Level::Error,
                            QStringLiteral("%1 guarda uma senha, e todos os operadores leem esse "
                                           "arquivo: tire a linha password dele (cada operador "
                                           "entra com a sua senha; um trabalho agendado usa "
                                           "--password-file)")
                                .arg(path)};
        return;
    }
    const bool exposed = Password::readableByOthers(path);
    findings << Finding{exposed ? Finding::Level::Error : Finding::Level::Ok,
                        exposed ? QStringLiteral("%1 guarda uma senha e outros usuários o leem: "
                                                 "chmod 600 %1")
                                      .arg(path)
                                : QStringLiteral("%1: senha guardada só para o dono (modo %2)")
                                      .arg(path, modeText(file))};
}

} // namespace

QString localDatabaseFile(const Administration& administration)
{
    const QString path = administration.options().database.path;
    const auto server = FirebirdAddress::serverOf(path);
    if (!server || administration.options().database.engine == DatabaseConfig::Engine::Sqlite)
        return path;
    if (server->host != QLatin1String("127.0.0.1") && server->host != QLatin1String("localhost"))
        return QString();
    return path.section(QLatin1Char(':'), 1);
}

void run(Administration& administration, const QStringList& files, QList<Finding>& findings)
{
    checkDatabaseFile(administration, findings);
    for (const QString& file :
         QStringList{AppPaths::systemConfigFile(), AppPaths::userConfigFile()} + files)
        checkSecretFile(file, findings);
}

} // namespace FileCheck
