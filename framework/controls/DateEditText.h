#pragma once

#include <QDate>
#include <QString>

// The text of a date edit, DD/MM/YYYY, and the date it writes: no widget needed.
namespace DateEditText {

// The date edit's mask in the classic notation: the day's and month's digits may be left
// blank while typing ("1_/3_/2026"), the year's four are required.
QString mask();

// The calendar date the edit's text writes (its text as the edit reports it: the display
// without blanks); an invalid date for a blank, partial or impossible text.
QDate toDate(const QString& text);

// True when the text is blank or writes a calendar date.
bool isValid(const QString& text);

// The text that shows a date; "" for an invalid date.
QString fromDate(const QDate& date);

} // namespace DateEditText
