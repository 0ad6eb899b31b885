#include "Password.h"

#include "base/Exceptions.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <termios.h>
#include <unistd.h>

namespace Password {

bool readableByOthers(const QString& path)
{
    const QFile::Permissions others = QFile::ReadGroup | QFile::ReadOther;
    return (QFileInfo(path).permissions() & others) != 0;
}

QString fromFile(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw ELoginRefused(QStringLiteral("arquivo de senha '%1' não encontrado").arg(path));
    if (readableByOthers(path))
        throw ELoginRefused(QStringLiteral("o arquivo de senha '%1' pode ser lido por outros "
                                           "usuários; corrija com: chmod 600 %1")
                                .arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ELoginRefused(
            QStringLiteral("arquivo de senha '%1' ilegível: %2").arg(path, file.errorString()));
    QByteArray line = file.readLine(4096);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    if (line.isEmpty())
        throw ELoginRefused(QStringLiteral("o arquivo de senha '%1' está vazio").arg(path));
    return QString::fromUtf8(line);
}

std::optional<QString> ask(const QString& prompt)
{
    if (!isatty(STDIN_FILENO))
        return std::nullopt;
    std::fprintf(stderr, "%s", qUtf8Printable(prompt));
    std::fflush(stderr);
    termios saved{};
    const bool quiet = tcgetattr(STDIN_FILENO, &saved) == 0;
    if (quiet) {
        termios silent = saved;
        silent.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &silent);
    }
    char buffer[512];
    const bool read = std::fgets(buffer, sizeof buffer, stdin) != nullptr;
    if (quiet)
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    if (!read)
        return std::nullopt;
    QByteArray line(buffer);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

} // namespace Password
