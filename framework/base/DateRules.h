#pragma once

#include "base/CoreExport.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// Dates as a clerk writes them and periods that roll: one reading shared by the date edits
// (typing and pasting), the saved criteria sets and `klx report`'s date options.
//
// Texts read as dates: d/m/yyyy and dd/mm/yyyy, d/m/yy and dd/mm/yy (a two-digit year in a
// sliding window: the 100 years from 80 years before today's year to 19 after), ISO
// yyyy-mm-dd, and "hoje". A rule is one of the words below; month rules and "processamento"
// count from the branch's processing date (the business day), "hoje" and "ontem" from the
// calendar.
namespace DateRules {

enum class Kind {
    Fixed,                // a date written out
    ProcessingDate,       // processamento
    Today,                // hoje
    Yesterday,            // ontem
    MonthStart,           // inicio-do-mes: the first day of the processing date's month
    MonthEnd,             // fim-do-mes
    PreviousMonthStart,   // inicio-do-mes-anterior
    PreviousMonthEnd,     // fim-do-mes-anterior
    DaysBeforeProcessing, // processamento-N: N days before the processing date
};

struct Rule {
    Kind kind = Kind::Fixed;
    // A fixed rule's date.
    QDate date;
    // How many days before the processing date.
    int days = 0;

    bool operator==(const Rule& other) const
    {
        return kind == other.kind && date == other.date && days == other.days;
    }
};

// The full year of a two-digit year, in the window around today's year.
int fullYear(int twoDigitYear, const QDate& today);

// The date a text writes in one of the forms above; nullopt for anything else, a blank text
// and an impossible date (31/02/2026) included.
KLX_CORE_EXPORT std::optional<QDate> readDate(const QString& text, const QDate& today);

// A rule word or a written date; nullopt for anything else.
KLX_CORE_EXPORT std::optional<Rule> parse(const QString& text, const QDate& today);

// The word of a rule; a fixed rule gives its date as DD/MM/YYYY.
KLX_CORE_EXPORT QString word(const Rule& rule);

// The date the rule gives on the processing date and today.
KLX_CORE_EXPORT QDate resolve(const Rule& rule, const QDate& processing, const QDate& today);

// Every kind of rule, in the order a dialog offers them: fixed first, then the named ones, then
// the days before the processing date (that many).
KLX_CORE_EXPORT QList<Rule> choices(int days = 1);

// The words the rules are written with, for messages and help: "processamento, hoje, ...".
KLX_CORE_EXPORT QString wordsText();

// A rule as the save dialog names it: "Início do mês anterior", "5 dias antes".
KLX_CORE_EXPORT QString label(const Rule& rule);

} // namespace DateRules
