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

// The calendar date of a day count; 0 gives an invalid date.
inline QDate toDate(TDateTime value)
{
    return value == 0.0 ? QDate() : QDate(1899, 12, 30).addDays(static_cast<qint64>(value));
}

} // namespace DateTime
