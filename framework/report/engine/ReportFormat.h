#pragma once

#include "report/engine/ReportExport.h"

#include <QDate>
#include <QString>
#include <QVariant>
#include <optional>

// How a report shows a field's values. A code (an account, a check number) is text that is
// printed whole, never cut short, and stays text in a spreadsheet ("001101", not 1101).
enum class ReportValueFormat { Text, Date, Money, Integer, Code };

// Brazilian formats of report values, and the conversion of the values the database
// drivers return (text, numbers, dates in several types) into one form per format.
namespace ReportFormat {

// Parses "text", "date", "money", "integer" or "code"; std::nullopt for anything else.
std::optional<ReportValueFormat> fromName(const QString& name);

// An amount in cents as "1.234,56" ("-0,50" below zero).
QString money(qint64 cents);
// An integer with thousands separators: "1.234".
QString integer(qint64 value);
// A date as "DD/MM/YYYY"; an invalid date gives "".
KLX_REPORT_EXPORT QString date(const QDate& date);

// An amount in cents from a driver value: a number, or decimal text such as "728.53"
// (Firebird's high-precision NUMERIC). NULL, unreadable text and an amount out of range give
// std::nullopt (ReportAmount tells them apart).
std::optional<qint64> centsOf(const QVariant& value);
// A date from a driver value: a QDate, a QDateTime or "YYYY-MM-DD..." text.
QDate dateOf(const QVariant& value);

// The value in the form its format keeps: trimmed QString, QDate, qint64 (cents for
// money) or a null QVariant when the value is NULL or unreadable. Raises OutOfRange for a
// money or integer value beyond what a report adds up.
QVariant normalize(const QVariant& value, ReportValueFormat format);
// A value too large for a report's arithmetic.
struct OutOfRange {
    QString value;
};
// The text of a normalized value; a null value gives "".
QString text(const QVariant& normalized, ReportValueFormat format);

} // namespace ReportFormat
