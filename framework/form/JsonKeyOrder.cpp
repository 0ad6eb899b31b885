#include "form/JsonKeyOrder.h"

namespace {
QString memberPath(const QString& path, const QString& key)
{
    QString escaped = key;
    escaped.replace(QLatin1Char('~'), QLatin1String("~0"))
        .replace(QLatin1Char('/'), QLatin1String("~1"));
    return path + QLatin1Char('/') + escaped;
}
} // namespace

JsonKeyOrder::JsonKeyOrder(const QByteArray& json) : m_text(QString::fromUtf8(json))
{
    skipBlanks();
    if (!atEnd())
        readValue(QString());
}

void JsonKeyOrder::skipBlanks()
{
    while (!atEnd() && m_text.at(m_pos).isSpace())
        ++m_pos;
}

void JsonKeyOrder::readValue(const QString& path)
{
    skipBlanks();
    if (atEnd())
        return;
    const QChar c = m_text.at(m_pos);
    if (c == QLatin1Char('{'))
        readObject(path);
    else if (c == QLatin1Char('['))
        readArray(path);
    else if (c == QLatin1Char('"'))
        readString();
    else // number, true, false, null
        while (!atEnd() && !QStringView(u",]} \t\r\n").contains(m_text.at(m_pos)))
            ++m_pos;
}

void JsonKeyOrder::readObject(const QString& path)
{
    ++m_pos; // '{'
    QStringList keys;
    skipBlanks();
    while (!atEnd() && m_text.at(m_pos) != QLatin1Char('}')) {
        skipBlanks();
        const QString key = readString();
        skipBlanks();
        if (!atEnd() && m_text.at(m_pos) == QLatin1Char(':'))
            ++m_pos;
        keys.removeAll(key); // a repeated key counts where it is written last
        keys << key;
        readValue(memberPath(path, key));
        skipBlanks();
        if (!atEnd() && m_text.at(m_pos) == QLatin1Char(','))
            ++m_pos;
        else
            break;
    }
    skipBlanks();
    if (!atEnd())
        ++m_pos; // '}'
    m_keys.insert(path, keys);
}

void JsonKeyOrder::readArray(const QString& path)
{
    ++m_pos; // '['
    skipBlanks();
    for (int index = 0; !atEnd() && m_text.at(m_pos) != QLatin1Char(']'); ++index) {
        readValue(path + QLatin1Char('/') + QString::number(index));
        skipBlanks();
        if (!atEnd() && m_text.at(m_pos) == QLatin1Char(','))
            ++m_pos;
        else
            break;
    }
    skipBlanks();
    if (!atEnd())
        ++m_pos; // ']'
}

QString JsonKeyOrder::readString()
{
    QString result;
    if (atEnd() || m_text.at(m_pos) != QLatin1Char('"'))
        return result;
    ++m_pos;
    while (!atEnd()) {
        const QChar c = m_text.at(m_pos++);
        if (c == QLatin1Char('"'))
            break;
        if (c != QLatin1Char('\\') || atEnd()) {
            result += c;
            continue;
        }
        const QChar escaped = m_text.at(m_pos++);
        switch (escaped.unicode()) {
        case 'b':
            result += QLatin1Char('\b');
            break;
        case 'f':
            result += QLatin1Char('\f');
            break;
        case 'n':
            result += QLatin1Char('\n');
            break;
        case 'r':
            result += QLatin1Char('\r');
            break;
        case 't':
            result += QLatin1Char('\t');
            break;
        case 'u': // surrogate pairs come as two escapes, each one UTF-16 unit
            result += QChar(m_text.mid(m_pos, 4).toUShort(nullptr, 16));
            m_pos += 4;
            break;
        default: // '"', '\\', '/'
            result += escaped;
        }
    }
    return result;
}
