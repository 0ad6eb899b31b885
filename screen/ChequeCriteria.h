#pragma once

#include <QStringList>
#include <QVariantMap>

class TfrmCheque;

// The check screen's criteria as a set of named values, the same names as the options of
// `klx report`: the report by its definition's file name and title (report-file,
// report-title), companies (todas|lista) with company-codes, accounts (todas|lista) with
// account-codes, emission-from/-to, clearing-from/-to (DD/MM/AAAA, a date rule's word such as
// "inicio-do-mes-anterior", or ""), check-from/-to, states (emitido,cancelado,disponivel),
// reconciliation (0, 1, 2).
namespace ChequeCriteria {

// The criteria the screen holds now.
QVariantMap capture(const TfrmCheque& form);

// The names of the criteria that are dates.
QStringList dateNames();

// Puts the criteria on the screen through its controls and handlers, as a user would:
// the report (exactly the definition the set names: a report no longer in the list is
// reported and stops it), the states, the lists (through the pickers, so only codes the operator is
// still offered get picked), the dates and numbers (each field left, so its exit checks
// run; a date rule gives its date on the branch's processing date) and the reconciliation. A
// control that is disabled keeps its value. A handler's error stops it (EAbort). Returns what could
// not be applied, for the user to read.
QStringList apply(TfrmCheque& form, const QVariantMap& criteria);

} // namespace ChequeCriteria
