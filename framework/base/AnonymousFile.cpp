#include "base/AnonymousFile.h"

#include "base/Exceptions.h"

#include <QDir>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

std::unique_ptr<QFile> AnonymousFile::create(const QString& folder)
{
    QByteArray name = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".klx-XXXXXX")));
    const auto failure = [&folder](int error) {
        return Exception(QStringLiteral("Não foi possível criar um arquivo temporário em '%1': %2.")
                             .arg(QDir::toNativeSeparators(folder),
                                  QString::fromLocal8Bit(std::strerror(error))));
    };
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);
    if (descriptor < 0)
        throw failure(errno);
    // Unnamed at once: the file goes with its descriptor, however the process ends.
    if (::unlink(name.constData()) != 0) {
        const int error = errno;
        ::close(descriptor);
        throw failure(error);
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(descriptor, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        throw failure(EBADF);
    }
    return file;
}
