#include "data/FirebirdLockDirectory.h"

#include "base/Exceptions.h"

#include <QDir>
#include <QFile>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
EDatabaseError refused(const QString& path, const QString& reason)
{
    return EDatabaseError(
        QStringLiteral("O diretório de travas do Firebird '%1' não pode ser usado: %2")
            .arg(path, reason));
}
} // namespace

QString FirebirdLockDirectory::defaultPath()
{
#ifdef Q_OS_UNIX
    return QStringLiteral("/tmp/klx-firebird-lock-%1").arg(geteuid());
#else
    return QDir::tempPath() + QStringLiteral("/klx-firebird-lock");
#endif
}

void FirebirdLockDirectory::prepare(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    if (mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        throw refused(path, QString::fromLocal8Bit(std::strerror(errno)));
    // Checked on the entry itself, never through a link another user may have planted.
    struct stat entry {};
    if (lstat(name.constData(), &entry) != 0)
        throw refused(path, QString::fromLocal8Bit(std::strerror(errno)));
    if (S_ISLNK(entry.st_mode))
        throw refused(path, QStringLiteral("é um link simbólico."));
    if (!S_ISDIR(entry.st_mode))
        throw refused(path, QStringLiteral("não é um diretório."));
    if (entry.st_uid != geteuid())
        throw refused(path, QStringLiteral("pertence a outro usuário."));
    if ((entry.st_mode & 0077) != 0 && chmod(name.constData(), 0700) != 0)
        throw refused(path, QString::fromLocal8Bit(std::strerror(errno)));
#else
    if (!QDir().mkpath(path))
        throw refused(path, QStringLiteral("não foi possível criá-lo."));
#endif
}
