#include "base/OutputFile.h"

#include "base/Exceptions.h"

#include <QDir>
#include <QFileInfo>

namespace {
QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}
} // namespace

QString OutputFile::target(const QString& path, const QStringList& untouchable)
{
    const QFileInfo given(path);
    QString target = given.absoluteFilePath();
    if (given.isSymLink())
        target = given.exists() ? given.canonicalFilePath() : given.symLinkTarget();
    const QFileInfo info(target);
    if (info.isDir())
        throw Exception(
            QStringLiteral("'%1' é uma pasta; informe o nome de um arquivo.").arg(shown(path)));
    if (info.exists() && !info.isFile())
        throw Exception(QStringLiteral("'%1' não é um arquivo comum (é um dispositivo, uma fila "
                                       "ou um soquete); nada foi gravado.")
                            .arg(shown(path)));
    for (const QString& file : untouchable) {
        const QString canonical = QFileInfo(file).canonicalFilePath();
        if (info.exists() && !canonical.isEmpty() && canonical == info.canonicalFilePath())
            throw Exception(QStringLiteral("'%1' é o banco de dados aberto; escolha outro arquivo.")
                                .arg(shown(path)));
    }
    return target;
}

OutputFile::OutputFile(const QString& path, const QStringList& untouchable)
    : m_path(target(path, untouchable)), m_file(m_path)
{
    // Unbuffered: a failing write is seen at once, with its reason. (A buffered one may fail
    // only when flushed, where QSaveFile's commit does not look.)
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail();
}

void OutputFile::fail(const QString& reason) const
{
    throw Exception(QStringLiteral("Não foi possível gravar o arquivo '%1': %2. Um arquivo "
                                   "anterior com esse nome ficou como estava.")
                        .arg(shown(m_path), reason.isEmpty() ? m_file.errorString() : reason));
}

void OutputFile::write(const QByteArray& bytes)
{
    if (!writeAll(m_file, bytes.constData(), bytes.size()))
        fail();
}

bool OutputFile::writeAll(QIODevice& device, const char* data, qint64 size)
{
    // A full disk first takes part of a write, then refuses the rest with its reason.
    for (qint64 done = 0; done < size;) {
        const qint64 written = device.write(data + done, size - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

void OutputFile::check() const
{
    if (m_file.error() != QFileDevice::NoError)
        fail();
}

void OutputFile::commit()
{
    check();
    if (!m_file.commit())
        fail();
}
