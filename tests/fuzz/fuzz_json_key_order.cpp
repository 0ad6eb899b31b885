// The JSON key order reader, on every text QJsonDocument accepts: each object's keys are
// exactly the keys QJsonObject holds, each once.
#include "FuzzInput.h"
#include "form/JsonKeyOrder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

QString memberPath(const QString& path, QString key)
{
    key.replace(QLatin1Char('~'), QLatin1String("~0"))
        .replace(QLatin1Char('/'), QLatin1String("~1"));
    return path + QLatin1Char('/') + key;
}

void compare(const JsonKeyOrder& order, const QJsonValue& value, const QString& path)
{
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            compare(order, array.at(i), path + QLatin1Char('/') + QString::number(i));
        return;
    }
    if (!value.isObject())
        return;
    const QJsonObject object = value.toObject();
    const QStringList keys = order.keys(path);
    const QSet<QString> unique(keys.cbegin(), keys.cend());
    fuzzRequire(unique.size() == keys.size(), "a key listed twice", path);
    const QStringList expected = object.keys();
    const QSet<QString> expectedOnce(expected.cbegin(), expected.cend());
    fuzzRequire(unique == expectedOnce, "keys differ from QJsonObject's",
                path + QStringLiteral(": ") + keys.join(QLatin1Char(',')) + QStringLiteral(" / ") +
                    expected.join(QLatin1Char(',')));
    // Qt may hold one key twice (a byte order mark inside a key is dropped after duplicates
    // were merged); which member such a key names is then Qt's guess.
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        if (expected.count(it.key()) == 1)
            compare(order, it.value(), memberPath(path, it.key()));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray json(reinterpret_cast<const char*>(data), qsizetype(size));
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return 0; // the reader is given only what QJsonDocument accepted
    const JsonKeyOrder order(json);
    compare(order,
            document.isObject() ? QJsonValue(document.object()) : QJsonValue(document.array()),
            QString());
    return 0;
}
