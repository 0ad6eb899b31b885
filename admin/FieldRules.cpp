#include "FieldRules.h"

#include <QRegularExpression>

namespace FieldRules {

std::optional<QString> code(const QString& text, int width)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression letters(QStringLiteral("^[A-Za-z0-9]+$"));
    const QString value = text.trimmed();
    if (value.isEmpty() || value.size() > width)
        return std::nullopt;
    if (digits.match(value).hasMatch())
        return value.rightJustified(width, QLatin1Char('0'));
    if (value.size() == width && letters.match(value).hasMatch())
        return value;
    return std::nullopt;
}

std::optional<QDate> date(const QString& text)
{
    const QString value = text.trimmed();
    QDate date = QDate::fromString(value, QStringLiteral("dd/MM/yyyy"));
    if (!date.isValid())
        date = QDate::fromString(value, QStringLiteral("yyyy-MM-dd"));
    if (!date.isValid() || date.year() < 1900 || date.year() > 2099)
        return std::nullopt;
    return date;
}

std::optional<qint64> cents(const QString& text)
{
    // Brazilian: thousands grouped by '.', decimals after ','; plain: one '.' before decimals.
    static const QRegularExpression brazilian(
        QStringLiteral("^([0-9]{1,3}(?:\\.[0-9]{3})*|[0-9]+)(?:,([0-9]{1,2}))?$"));
    static const QRegularExpression plain(QStringLiteral("^([0-9]+)\\.([0-9]{1,2})$"));
    const QString value = text.trimmed();
    QRegularExpressionMatch match = plain.match(value);
    if (!match.hasMatch())
        match = brazilian.match(value);
    if (!match.hasMatch())
        return std::nullopt;
    const QString units = match.captured(1).remove(QLatin1Char('.'));
    if (units.size() > 13)
        return std::nullopt;
    const QString decimals = match.captured(2).leftJustified(2, QLatin1Char('0'));
    return units.toLongLong() * 100 + decimals.toLongLong();
}

std::optional<QChar> checkState(const QString& text)
{
    QString value = text.trimmed().toLower();
    value.replace(QStringLiteral("í"), QStringLiteral("i"));
    if (value == QLatin1String("0") || value == QLatin1String("disponivel"))
        return QLatin1Char('0');
    if (value == QLatin1String("1") || value == QLatin1String("emitido"))
        return QLatin1Char('1');
    if (value == QLatin1String("2") || value == QLatin1String("cancelado"))
        return QLatin1Char('2');
    return std::nullopt;
}

std::optional<QString> text(const QString& value, int maxLength)
{
    const QString trimmed = value.trimmed();
    if (trimmed.size() > maxLength)
        return std::nullopt;
    for (const QChar c : trimmed)
        if (c.category() == QChar::Other_Control)
            return std::nullopt;
    return trimmed;
}

} // namespace FieldRules
