#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QStringList>

// The strings of a JSON array (the lines of a text, the items of a list).
inline QStringList jsonStringList(const QJsonValue& value)
{
    QStringList result;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& item : array)
        result << item.toString();
    return result;
}
