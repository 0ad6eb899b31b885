#pragma once

#include <QDate>

// A date-time as a day count in double precision from 1899-12-30; 0 means "no date".
using TDateTime = double;

namespace DateTime {

// The day count of a calendar date; an invalid date gives 0.
inline TDateTime fromDate(const QDate& date)
{
    return date.isValid() ? static_cast<TDateTime>(QDate(1899, 12, 30).daysTo(date)) : 0.0;
}

// The calendar date of a day count; 0, and a count no calendar holds (not a number, or
// beyond about 27,000 years either way), give an invalid date.
inline QDate toDate(TDateTime value)
{
    constexpr double farthest = 1e7;
    if (value == 0.0 || !(value >= -farthest && value <= farthest))
        return QDate();
    return QDate(1899, 12, 30).addDays(static_cast<qint64>(value));
}

} // namespace DateTime
