#include "report/engine/ReportFormat.h"

#include "report/engine/ReportAmount.h"

#include <QDateTime>
#include <QLocale>

namespace {

// Numbers as Brazilians write them: "1.234", "-0,50".
const QLocale& brazilian()
{
    static const QLocale locale(QLocale::Portuguese, QLocale::Brazil);
    return locale;
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
    if (key == QLatin1String("code"))
        return ReportValueFormat::Code;
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
    ReportAmount amount;
    if (ReportAmount::readCents(value, amount) != ReportAmount::Reading::Value)
        return std::nullopt;
    return amount.units();
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
    case ReportValueFormat::Text:
    case ReportValueFormat::Code: {
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
    case ReportValueFormat::Money:
    case ReportValueFormat::Integer: {
        ReportAmount amount;
        const auto reading = format == ReportValueFormat::Money
                                 ? ReportAmount::readCents(value, amount)
                                 : ReportAmount::readUnits(value, amount);
        if (reading == ReportAmount::Reading::OutOfRange)
            throw OutOfRange{value.toString()};
        return reading == ReportAmount::Reading::Value ? QVariant(amount.units()) : QVariant();
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
    case ReportValueFormat::Code:
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
