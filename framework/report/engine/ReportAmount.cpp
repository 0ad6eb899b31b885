#include "report/engine/ReportAmount.h"

#include <cmath>
#include <limits>

namespace {

using Reading = ReportAmount::Reading;

// Decimal text ("-1234.5", "12,30") in hundredths (places 2) or units (places 0), rounded half
// away from zero.
Reading decimalText(QString text, int places, qint64& result)
{
    text = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.'));
    if (text.isEmpty())
        return Reading::Unreadable;
    bool negative = false;
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) {
        negative = text.startsWith(QLatin1Char('-'));
        text.remove(0, 1);
    }
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    const QString whole = point < 0 ? text : text.left(point);
    const QString fraction = point < 0 ? QString() : text.mid(point + 1);
    if (whole.isEmpty() && fraction.isEmpty())
        return Reading::Unreadable;
    for (const QString& digits : {whole, fraction})
        for (const QChar c : digits)
            if (c < QLatin1Char('0') || c > QLatin1Char('9'))
                return Reading::Unreadable;
    // Digits one by one: any length is read, and a value past the range is told as such.
    qint64 value = 0;
    const auto append = [&value](int digit) {
        return !__builtin_mul_overflow(value, 10, &value) &&
               !__builtin_add_overflow(value, digit, &value);
    };
    for (const QChar c : whole)
        if (!append(c.digitValue()))
            return Reading::OutOfRange;
    for (int i = 0; i < places; ++i)
        if (!append(i < fraction.size() ? fraction.at(i).digitValue() : 0))
            return Reading::OutOfRange;
    if (fraction.size() > places && fraction.at(places) >= QLatin1Char('5') &&
        __builtin_add_overflow(value, 1, &value))
        return Reading::OutOfRange;
    result = negative ? -value : value;
    return Reading::Value;
}

// A binary number scaled by 10^places, rounded; out of range when it does not fit.
Reading scaledNumber(double number, int places, qint64& result)
{
    if (!std::isfinite(number))
        return Reading::Unreadable;
    const double scaled = std::round(number * std::pow(10.0, places));
    // 2^63 is exactly representable; every double below it converts without overflow.
    constexpr double limit = 9223372036854775808.0;
    if (scaled >= limit || scaled < -limit)
        return Reading::OutOfRange;
    result = static_cast<qint64>(scaled);
    return Reading::Value;
}

Reading read(const QVariant& value, int places, ReportAmount& amount)
{
    if (value.isNull())
        return Reading::Null;
    qint64 units = 0;
    Reading reading = Reading::Value;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        reading = scaledNumber(value.toDouble(), places, units);
        break;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
        units = value.toLongLong();
        if (places == 2 && __builtin_mul_overflow(units, 100, &units))
            reading = Reading::OutOfRange;
        break;
    case QMetaType::ULongLong: {
        const quint64 number = value.toULongLong();
        if (number > static_cast<quint64>(std::numeric_limits<qint64>::max()))
            return Reading::OutOfRange;
        units = static_cast<qint64>(number);
        if (places == 2 && __builtin_mul_overflow(units, 100, &units))
            reading = Reading::OutOfRange;
        break;
    }
    default:
        reading = decimalText(value.toString(), places, units);
        break;
    }
    if (reading == Reading::Value)
        amount = ReportAmount(units);
    return reading;
}

} // namespace

ReportAmount::Reading ReportAmount::readCents(const QVariant& value, ReportAmount& amount)
{
    return read(value, 2, amount);
}

ReportAmount::Reading ReportAmount::readUnits(const QVariant& value, ReportAmount& amount)
{
    return read(value, 0, amount);
}

bool ReportAmount::add(ReportAmount other)
{
    qint64 sum = 0;
    if (__builtin_add_overflow(m_units, other.m_units, &sum))
        return false;
    m_units = sum;
    return true;
}
