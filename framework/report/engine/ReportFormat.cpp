#include "report/engine/ReportFormat.h"

#include "report/engine/ReportAmount.h"

#include <QDateTime>
#include <tuple>

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

namespace {

// The digits of the magnitude grouped by thousands with '.', the Brazilian way, written by hand
// backwards from `end`: QLocale looks its data up on every call, which costs more than the rest
// of a report line. Returns where the text begins.
char* grouped(quint64 magnitude, char* end)
{
    int count = 0;
    do {
        if (count > 0 && count % 3 == 0)
            *--end = '.';
        *--end = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
        ++count;
    } while (magnitude > 0);
    return end;
}

} // namespace

QString ReportFormat::money(qint64 cents)
{
    // Reais and cents apart, as integers: an amount never goes through a double.
    const quint64 magnitude = cents < 0 ? 0 - static_cast<quint64>(cents) : cents;
    char text[32];
    char* end = text + sizeof text;
    *--end = static_cast<char>('0' + magnitude % 10);
    *--end = static_cast<char>('0' + magnitude / 10 % 10);
    *--end = ',';
    char* begin = grouped(magnitude / 100, end);
    if (cents < 0)
        *--begin = '-';
    return QString::fromLatin1(begin, text + sizeof text - begin);
}

QString ReportFormat::integer(qint64 value)
{
    const quint64 magnitude = value < 0 ? 0 - static_cast<quint64>(value) : value;
    char text[32];
    char* begin = grouped(magnitude, text + sizeof text);
    if (value < 0)
        *--begin = '-';
    return QString::fromLatin1(begin, text + sizeof text - begin);
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
    default: {
        // "YYYY-MM-DD", as SQLite keeps dates, read by hand (QDate::fromString costs more than
        // the rest of the row); anything else as Qt reads an ISO date.
        const QString text = value.toString();
        const auto digit = [&text](int at) {
            const char16_t c = text.at(at).unicode();
            return c >= u'0' && c <= u'9' ? c - u'0' : -1;
        };
        if (text.size() >= 10 && text.at(4) == QLatin1Char('-') && text.at(7) == QLatin1Char('-') &&
            (text.size() == 10 || !text.at(10).isDigit())) {
            int parts[3] = {0, 0, 0};
            bool digits = true;
            for (const auto& [part, from, to] : {std::tuple{0, 0, 4}, {1, 5, 7}, {2, 8, 10}})
                for (int i = from; i < to; ++i) {
                    digits = digits && digit(i) >= 0;
                    parts[part] = parts[part] * 10 + digit(i);
                }
            if (digits)
                return QDate(parts[0], parts[1], parts[2]);
        }
        return QDate::fromString(text.left(10), Qt::ISODate);
    }
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
