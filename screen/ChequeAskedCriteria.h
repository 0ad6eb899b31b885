#pragma once

#include "form/ScreenTable.h"

#include <QJsonObject>
#include <QString>
#include <QVariantMap>
#include <cstddef>

// The check screen's criteria as a host asks for them by name (`klx report --states
// emitido`): the names and help the screen's table publishes, and their reading into the
// values ChequeCriteria applies.
namespace ChequeAskedCriteria {

// The criteria by name, with the help a host shows, in the order the screen applies them.
const ScreenTableCriterion* table();
std::size_t count();

// A value that is not of its criterion's form.
struct Malformed {
    QString criterion;
    QString reason;
};

// The asked texts as criteria in the screen's own terms: the report by its place in the list
// ("report-index"), "lista" with the codes for companies and accounts, a date as DD/MM/AAAA or
// its rule's word, a check number trimmed, states and reconciliation by their plain words.
// Raises Malformed for the first value that is not of its criterion's form, or a name the
// screen does not know.
QVariantMap read(const QJsonObject& asked);

} // namespace ChequeAskedCriteria
