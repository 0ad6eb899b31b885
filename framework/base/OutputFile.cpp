#include "base/OutputFile.h"

#include "base/Exceptions.h"
#include "base/VisibleText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
QString shown(const QString& path)
{
    return VisibleText::of(QDir::toNativeSeparators(path));
}

// Whether the file's first bytes are those of a database: SQLite's header text, or a Firebird
// header page (page type 1, a page size of 1 to 32 KiB, an on-disk structure version with
// Firebird's flag). Any database, open or not, served or not, is no report's to replace.
bool isDatabaseFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    if (head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return true;
    if (head.size() < 20 || head.at(0) != 1)
        return false;
    const auto word = [&head](int at) {
        return static_cast<quint16>(static_cast<quint8>(head.at(at)) |
                                    static_cast<quint8>(head.at(at + 1)) << 8);
    };
    const quint16 pageSize = word(16);
    const quint16 version = word(18);
    return (version & 0x8000) != 0 && pageSize >= 1024 && pageSize <= 32768 &&
           (pageSize & (pageSize - 1)) == 0;
}

// The file a path names once its symbolic links are followed, link by link, as the system
// does; a loop, or a chain longer than the system follows, is refused.
QString followLinks(const QString& path)
{
    constexpr int linksAtMost = 40;
    QString current = QFileInfo(path).absoluteFilePath();
    for (int hop = 0; hop <= linksAtMost; ++hop) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    throw Exception(QStringLiteral("'%1' é um link simbólico em laço (ou uma cadeia longa "
                                   "demais de links); nada foi gravado.")
                        .arg(shown(path)));
}
} // namespace

QString OutputFile::target(const QString& path, const QStringList& untouchable)
{
    const QString target = followLinks(path);
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
    if (info.exists() && isDatabaseFile(target))
        throw Exception(QStringLiteral("'%1' é um arquivo de banco de dados; um relatório não o "
                                       "substitui: escolha outro arquivo.")
                            .arg(shown(path)));
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
