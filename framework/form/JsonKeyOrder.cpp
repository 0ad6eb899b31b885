#include "form/JsonKeyOrder.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
QString memberPath(const QString& path, const QString& key)
{
    QString escaped = key;
    escaped.replace(QLatin1Char('~'), QLatin1String("~0"))
        .replace(QLatin1Char('/'), QLatin1String("~1"));
    return path + QLatin1Char('/') + escaped;
}

// JSON's blanks; every other byte, a byte of a multi-byte character included, is not one.
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
} // namespace

JsonKeyOrder::JsonKeyOrder(const QByteArray& json) : m_text(json)
{
    // QJsonDocument reads a text that starts with a byte order mark (an editor's habit).
    if (m_text.startsWith("\xEF\xBB\xBF"))
        m_pos = 3;
    skipBlanks();
    if (!atEnd())
        readValue(QString());
}

void JsonKeyOrder::skipBlanks()
{
    while (!atEnd() && isBlank(m_text.at(m_pos)))
        ++m_pos;
}

void JsonKeyOrder::readValue(const QString& path)
{
    skipBlanks();
    if (atEnd())
        return;
    const char c = m_text.at(m_pos);
    if (c == '{')
        readObject(path);
    else if (c == '[')
        readArray(path);
    else if (c == '"')
        readString();
    else // number, true, false, null
        while (!atEnd() && !QByteArrayView(",]} \t\r\n").contains(m_text.at(m_pos)))
            ++m_pos;
}

bool JsonKeyOrder::take(char expected)
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
    if (!take('}')) {
        do {
            skipBlanks();
            const QString key = readString();
            take(':');
            keys.removeAll(key); // a repeated key counts where it is written last
            keys << key;
            readValue(memberPath(path, key));
        } while (take(','));
        take('}');
    }
    m_keys.insert(path, keys);
}

void JsonKeyOrder::readArray(const QString& path)
{
    ++m_pos; // '['
    if (take(']'))
        return;
    int index = 0;
    do
        readValue(path + QLatin1Char('/') + QString::number(index++));
    while (take(','));
    take(']');
}

QString JsonKeyOrder::readString()
{
    if (atEnd() || m_text.at(m_pos) != '"')
        return QString();
    const qsizetype start = m_pos++;
    while (!atEnd()) {
        const char c = m_text.at(m_pos++);
        if (c == '"')
            break;
        if (c == '\\' && !atEnd())
            ++m_pos;
    }
    // The key exactly as QJsonDocument reads it (escapes, surrogates, bytes that are no
    // UTF-8), so that it names the member QJsonObject holds.
    const QByteArray token = m_text.mid(start, m_pos - start);
    return QJsonDocument::fromJson('[' + token + ']').array().at(0).toString();
}
