#pragma once

#include <QStringList>
#include <QVariantMap>

class TfrmCheque;

// The check screen's criteria as a set of named values: the report by its definition's file
// name and title (report-file, report-title) or, asked by a host, by its place in the list
// (report-index); companies (todas|lista) with company-codes, accounts (todas|lista) with
// account-codes; emission-from/-to, clearing-from/-to (DD/MM/AAAA, a date rule's word such as
// "inicio-do-mes-anterior", or ""); check-from/-to; states (emitido,cancelado,disponivel);
// reconciliation (0, 1, 2).
namespace ChequeCriteria {

// How apply treats a criterion it cannot apply as given.
enum class Mode {
    // A saved set: a disabled control keeps its value; codes no longer offered are left out
    // and told. Emptied check numbers make room for the set's range.
    Saved,
    // Asked by a host: a disabled control, a code not offered or a report not in the list
    // refuses the criteria (Refusal).
    Asked,
};

// A criterion apply could not put on the screen as asked: which, and why.
struct Refusal {
    QString criterion;
    QString reason;
};

// The criteria the screen holds now.
QVariantMap capture(const TfrmCheque& form);

// The names of the criteria that are dates.
QStringList dateNames();
// The states' names, in the order of their boxes.
QStringList stateNames();

// Puts the criteria on the screen through its controls and handlers, as a user would: the
// report (exactly the definition a set names: a report no longer in the list is reported and
// stops it), the states (boxes to check first, so the group never passes through none), the
// lists (through the pickers, so only codes the operator is still offered get picked), the
// dates and numbers (each field left, so its exit checks run; a date rule gives its date on
// the branch's processing date) and the reconciliation. A handler's error stops it (EAbort).
// Returns what a set could not apply, for the user to read.
QStringList apply(TfrmCheque& form, const QVariantMap& criteria, Mode mode);

} // namespace ChequeCriteria
