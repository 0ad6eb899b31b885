#include "base/AnonymousFile.h"

#include "base/Exceptions.h"

#include <QDir>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

std::unique_ptr<QFile> AnonymousFile::create(const QString& folder)
{
    QByteArray name = QFile::encodeName(QDir(folder).filePath(QStringLiteral(".klx-XXXXXX")));
    const int descriptor = ::mkstemp(name.data());
    if (descriptor < 0)
        throw Exception(QStringLiteral("Não foi possível criar um arquivo temporário em '%1': %2.")
                            .arg(QDir::toNativeSeparators(folder),
                                 QString::fromLocal8Bit(std::strerror(errno))));
    ::unlink(name.constData());
    auto file = std::make_unique<QFile>();
    file->open(descriptor, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle);
    return file;
}
