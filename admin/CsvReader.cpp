#include "CsvReader.h"

#include "base/Exceptions.h"

CsvReader::CsvReader(QIODevice& device) : m_device(device) {}

bool CsvReader::next(Record& record)
{
    QString text;
    record.fields.clear();
    record.line = m_line + 1;
    bool quoted = false;
    QString field;
    do {
        if (m_device.atEnd()) {
            if (quoted)
                throw Exception(
                    QStringLiteral("linha %1: aspas abertas e nunca fechadas").arg(record.line));
            if (text.isNull())
                return false;
            break;
        }
        QByteArray bytes = m_device.readLine();
        ++m_line;
        if (m_first) {
            if (bytes.startsWith("\xEF\xBB\xBF"))
                bytes.remove(0, 3);
            m_separator = bytes.contains(';') ? QLatin1Char(';') : QLatin1Char(',');
            m_first = false;
        }
        text = QString::fromUtf8(bytes);
        if (!quoted && text.trimmed().isEmpty() && field.isEmpty() && record.fields.isEmpty()) {
            record.line = m_line + 1;
            text = QString();
            continue;
        }
        // Within quotes the line break is part of the field.
        if (quoted)
            field += QLatin1Char('\n');
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (quoted) {
                if (c != QLatin1Char('"'))
                    field += c;
                else if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                    field += text.at(++i);
                else
                    quoted = false;
            } else if (c == QLatin1Char('"') && field.isEmpty()) {
                quoted = true;
            } else if (c == m_separator) {
                record.fields << field;
                field.clear();
            } else {
                field += c;
            }
        }
    } while (quoted || text.isNull());
    record.fields << field;
    return true;
}
