#pragma once

#include <QString>
#include <QVariant>
#include <QtGlobal>
#include <optional>

// An amount in cents, or a count, that never wraps: reading a driver's value and adding
// check the range of a signed 64-bit integer (±92.233.720.368.547.758,07 in reais) and say
// when a value leaves it, so that a report stops instead of printing a wrong total.
class ReportAmount {
public:
    // What reading a driver's value gave.
    enum class Reading { Value, Null, OutOfRange, Unreadable };

    constexpr ReportAmount() = default;
    constexpr explicit ReportAmount(qint64 units) : m_units(units) {}

    // An amount in cents from a driver value: a number, or decimal text such as "728.53"
    // (Firebird's high-precision NUMERIC), rounded half away from zero to the cent.
    static Reading readCents(const QVariant& value, ReportAmount& amount);
    // A whole number from a driver value (a decimal one rounded), for counts and days.
    static Reading readUnits(const QVariant& value, ReportAmount& amount);

    // Adds; false, leaving the amount as it was, when the sum leaves the range.
    [[nodiscard]] bool add(ReportAmount other);

    qint64 units() const { return m_units; }
    friend bool operator==(ReportAmount a, ReportAmount b) { return a.m_units == b.m_units; }

private:
    qint64 m_units = 0;
};
