#include "report/engine/ReportFormat.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace {

// Numbers as Brazilians write them: "1.234", "-0,50".
const QLocale& brazilian()
{
    static const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    return locale;
}

// Decimal text ("-1234.5", "12,30") in cents, rounded half away from zero.
std::optional<qint64> centsOfText(QString text)
{
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.isEmpty())
        return std::nullopt;
    bool negative = false;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
        negative = text.startsWith(QLatin1Char('-'));
        text.remove(0, 1);
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? text : text.left(point);
    QString fraction = point < 0 ? QString() : text.mid(point + 1);
    bool ok = true;
    const qint64 units = whole.isEmpty() ? 0 : whole.toLongLong(&ok);
    if (!ok || (whole.isEmpty() && fraction.isEmpty()))
        return std::nullopt;
    for (const QChar c : std::as_const(fraction))
        if (!c.isDigit())
            return std::nullopt;
    const bool roundUp = fraction.size() > 2 && fraction.at(2) >= QLatin1Char('5');
    fraction = fraction.left(2).leftJustified(2, QLatin1Char('0'));
    const qint64 cents = units * 100 + fraction.toLongLong() + (roundUp ? 1 : 0);
    return negative ? -cents : cents;
}

} // namespace

std::optional<ReportValueFormat> ReportFormat::fromName(const QString& name)
{
    const QString key = name.trimmed().toLower();
    if (key == QLatin1String("text"))
        return ReportValueFormat::Text;
    if (key == QLatin1String("date"))
        return ReportValueFormat::Date;
    if (key == QLatin1String("money"))
        return ReportValueFormat::Money;
    if (key == QLatin1String("integer"))
        return ReportValueFormat::Integer;
    return std::nullopt;
}

QString ReportFormat::money(qint64 cents)
{
    // Reais and cents apart, as integers: an amount never goes through a double.
    const QLocale& locale = brazilian();
    const quint64 magnitude = cents < 0 ? 0 - static_cast<quint64>(cents) : cents;
    return (cents < 0 ? locale.negativeSign() : QString()) + locale.toString(magnitude / 100) +
           locale.decimalPoint() +
           QStringLiteral("%1").arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString ReportFormat::integer(qint64 value)
{
    return brazilian().toString(value);
}

QString ReportFormat::date(const QDate& date)
{
    // Written out by hand: QDate::toString goes through the calendar's formatter, which
    // costs more than the rest of a report line.
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
    const auto digits = [](QChar* at, int value, int count) {
        for (int i = count - 1; i >= 0; --i, value /= 10)
            at[i] = QLatin1Char(static_cast<char>('0' + value % 10));
    };
    QString text(10, QLatin1Char('/'));
    digits(text.data(), date.day(), 2);
    digits(text.data() + 3, date.month(), 2);
    digits(text.data() + 6, date.year(), 4);
    return text;
}

std::optional<qint64> ReportFormat::centsOf(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (!std::isfinite(number))
            return std::nullopt;
        return static_cast<qint64>(std::llround(number * 100.0));
    }
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toLongLong() * 100;
    default:
        return centsOfText(value.toString());
    }
}

QDate ReportFormat::dateOf(const QVariant& value)
{
    if (value.isNull())
        return QDate();
    switch (value.typeId()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    default:
        return QDate::fromString(value.toString().left(10), Qt::ISODate);
    }
}

QVariant ReportFormat::normalize(const QVariant& value, ReportValueFormat format)
{
    if (value.isNull())
        return QVariant();
    switch (format) {
    case ReportValueFormat::Text: {
        // Firebird pads CHAR columns with blanks.
        QString text = value.typeId() == QMetaType::QDate ? date(value.toDate()) : value.toString();
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text;
    }
    case ReportValueFormat::Date: {
        const QDate day = dateOf(value);
        return day.isValid() ? QVariant(day) : QVariant();
    }
    case ReportValueFormat::Money: {
        const auto cents = centsOf(value);
        return cents ? QVariant(*cents) : QVariant();
    }
    case ReportValueFormat::Integer: {
        bool ok = false;
        const qint64 number = value.typeId() == QMetaType::Double
                                  ? static_cast<qint64>(std::llround(value.toDouble()))
                                  : value.toString().trimmed().toLongLong(&ok);
        if (value.typeId() != QMetaType::Double && !ok) {
            // "12.0" and the like: read as a decimal and round.
            const auto cents = centsOfText(value.toString());
            return cents ? QVariant((*cents + (*cents < 0 ? -50 : 50)) / 100) : QVariant();
        }
        return number;
    }
    }
    return QVariant();
}

QString ReportFormat::text(const QVariant& normalized, ReportValueFormat format)
{
    if (normalized.isNull())
        return QString();
    switch (format) {
    case ReportValueFormat::Text:
        return normalized.toString();
    case ReportValueFormat::Date:
        return date(normalized.toDate());
    case ReportValueFormat::Money:
        return money(normalized.toLongLong());
    case ReportValueFormat::Integer:
        return integer(normalized.toLongLong());
    }
    return QString();
}
