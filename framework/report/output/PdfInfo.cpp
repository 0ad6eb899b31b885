#include "report/output/PdfInfo.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"

#include <QDir>
#include <QRegularExpression>
#include <algorithm>

namespace {

// A text string of any characters: UTF-16BE with its byte order mark, in hexadecimal.
QByteArray textString(const QString& text)
{
    QByteArray bytes("\xFE\xFF", 2);
    for (const QChar c : text) {
        bytes += static_cast<char>(c.unicode() >> 8);
        bytes += static_cast<char>(c.unicode() & 0xFF);
    }
    return '<' + bytes.toHex().toUpper() + '>';
}

// The last match of the pattern in the text; an invalid match when there is none.
QRegularExpressionMatch lastMatch(const QRegularExpression& pattern, const QString& text)
{
    QRegularExpressionMatch last;
    auto it = pattern.globalMatch(text);
    while (it.hasNext())
        last = it.next();
    return last;
}

// The head and tail kept of the file, and the blocks it is written in.
constexpr qsizetype headSize = 64 * 1024;
constexpr qsizetype blockSize = 256 * 1024;
constexpr qsizetype tailSize = 4096;

} // namespace

PdfInfo::Recorder::Recorder(QIODevice& target) : m_target(target)
{
    open(QIODevice::WriteOnly);
}

qint64 PdfInfo::Recorder::writeData(const char* data, qint64 size)
{
    if (m_failed)
        return -1;
    m_block.append(data, size);
    if (m_block.size() >= blockSize && !finish())
        return -1;
    if (m_head.size() < headSize)
        m_head.append(data, std::min<qint64>(size, headSize - m_head.size()));
    m_tail.append(data, size);
    if (m_tail.size() > tailSize)
        m_tail.remove(0, m_tail.size() - tailSize);
    m_written += size;
    return size;
}

bool PdfInfo::Recorder::finish()
{
    m_failed = m_failed || !OutputFile::writeAll(m_target, m_block.constData(), m_block.size());
    m_block.clear();
    return !m_failed;
}

QByteArray PdfInfo::update(const Recorder& pdf, const QString& path,
                           const QList<std::pair<QByteArray, QString>>& entries)
{
    const auto failure = [&](const QString& reason) {
        return Exception(QStringLiteral("Não foi possível gravar as propriedades do arquivo "
                                        "'%1': %2")
                             .arg(QDir::toNativeSeparators(path), reason));
    };
    // QPdfWriter writes the information dictionary first and the trailer last: the head
    // and the tail of the file hold them. Latin-1 keeps one character per byte.
    const qint64 fileSize = pdf.written();
    const QString head = QString::fromLatin1(pdf.head());
    const QByteArray& tail = pdf.tail();
    const QString text = QString::fromLatin1(tail);
    static const QRegularExpression trailerPattern(
        QStringLiteral("trailer\\s*<<(.*?)>>\\s*startxref\\s*(\\d+)\\s*%%EOF\\s*$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch trailer = lastMatch(trailerPattern, text);
    static const QRegularExpression infoPattern(QStringLiteral("/Info\\s+(\\d+)\\s+(\\d+)\\s+R"));
    static const QRegularExpression rootPattern(QStringLiteral("/Root\\s+(\\d+\\s+\\d+\\s+R)"));
    static const QRegularExpression sizePattern(QStringLiteral("/Size\\s+(\\d+)"));
    const QRegularExpressionMatch info = infoPattern.match(trailer.captured(1));
    const QRegularExpressionMatch root = rootPattern.match(trailer.captured(1));
    const QRegularExpressionMatch size = sizePattern.match(trailer.captured(1));
    if (!trailer.hasMatch() || !info.hasMatch() || !root.hasMatch() || !size.hasMatch())
        throw failure(QStringLiteral("o PDF não tem o trailer esperado"));
    const QString object = info.captured(1) + QLatin1Char(' ') + info.captured(2);
    const QRegularExpression objectPattern(
        QStringLiteral("(?:^|\\n)%1 obj\\s*<<(.*?)>>\\s*endobj").arg(object),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch old = objectPattern.match(head);
    if (!old.hasMatch())
        throw failure(QStringLiteral("o PDF não tem o dicionário de informações"));

    QByteArray update = tail.endsWith('\n') ? QByteArray() : QByteArray("\n");
    const qint64 objectAt = fileSize + update.size();
    update += object.toLatin1() + " obj\n<<" + old.captured(1).toLatin1();
    for (const auto& [key, value] : entries)
        update += '/' + key + ' ' + textString(value) + '\n';
    update += ">>\nendobj\n";
    const qint64 xrefAt = fileSize + update.size();
    update += "xref\n" + info.captured(1).toLatin1() + " 1\n" +
              QStringLiteral("%1 %2 n \n")
                  .arg(objectAt, 10, 10, QLatin1Char('0'))
                  .arg(info.captured(2).toInt(), 5, 10, QLatin1Char('0'))
                  .toLatin1() +
              "trailer\n<<\n/Size " + size.captured(1).toLatin1() + "\n/Info " + object.toLatin1() +
              " R\n/Root " + root.captured(1).toLatin1() + "\n/Prev " +
              trailer.captured(2).toLatin1() + "\n>>\nstartxref\n" + QByteArray::number(xrefAt) +
              "\n%%EOF\n";
    return update;
}
