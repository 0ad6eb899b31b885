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

bool JsonKeyOrder::take(QChar expected)
{
    skipBlanks();
    if (atEnd() || m_text.at(m_pos) != expected)
        return false;
    ++m_pos;
    return true;
}

void JsonKeyOrder::readObject(const QString& path)
{
    ++m_pos; // '{'
    QStringList keys;
    if (!take(QLatin1Char('}'))) {
        do {
            skipBlanks();
            const QString key = readString();
            take(QLatin1Char(':'));
            keys.removeAll(key); // a repeated key counts where it is written last
            keys << key;
            readValue(memberPath(path, key));
        } while (take(QLatin1Char(',')));
        take(QLatin1Char('}'));
    }
    m_keys.insert(path, keys);
}

void JsonKeyOrder::readArray(const QString& path)
{
    ++m_pos; // '['
    if (take(QLatin1Char(']')))
        return;
    int index = 0;
    do
        readValue(path + QLatin1Char('/') + QString::number(index++));
    while (take(QLatin1Char(',')));
    take(QLatin1Char(']'));
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
        const qsizetype control = QStringView(u"bfnrt").indexOf(escaped);
        if (control >= 0) {
            result += QStringView(u"\b\f\n\r\t").at(control);
        } else if (escaped == QLatin1Char('u')) {
            // A surrogate pair comes as two escapes, each one UTF-16 unit.
            result += QChar(m_text.mid(m_pos, 4).toUShort(nullptr, 16));
            m_pos += 4;
        } else { // '"', '\\', '/'
            result += escaped;
        }
    }
    return result;
}
