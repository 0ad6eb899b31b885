#pragma once

#include "report/engine/ReportAmount.h"
#include "report/engine/ReportDefinition.h"

#include <QString>
#include <QVector>

// The totals of a group, or of the whole report, as its rows pass: the count of rows, the
// sums of the summed columns over the rows whose state adds into them, and the count and
// amount of each state.
struct ReportTally {
    qint64 count = 0;
    // The rows whose state adds into the sums.
    qint64 adding = 0;
    QVector<ReportAmount> sums;
    QVector<qint64> stateCounts;
    QVector<ReportAmount> stateAmounts;

    explicit ReportTally(int sumCount = 0) : sums(sumCount) {}
    // Counts a row: its summed values (added when its state adds), its state's slot (-1
    // without states) and the amount its state shows. False, the tally then no longer
    // whole, when a sum leaves the range of ReportAmount.
    [[nodiscard]] bool add(const QVector<ReportAmount>& values, bool addsToSums, int stateSlot,
                           ReportAmount stateAmount);
    // How many states the rows brought.
    int statesPresent() const;
};

// The states a definition declares, and those the rows bring that it does not.
class ReportStates {
public:
    explicit ReportStates(const ReportDefinition& definition);

    // Whether the definition declares states at all.
    bool any() const { return m_any; }
    // The slot of a state code; a code no line declares gets one of its own.
    int slotOf(const QString& code);
    // Whether the rows of the slot add into the sums.
    bool adds(int slot) const;
    // The role of a slot, and whether the definition declares its state.
    ReportDefinition::StateRole role(int slot) const { return m_slots.at(slot).role; }
    bool declared(int slot) const { return slot < m_declared; }
    // The states present in the tally, in the declared order, each with its count and, unless
    // only counted or without amounts, its amount: "Emitidos: 5 — 44.923,66; Disponíveis: 2".
    QString summary(const ReportTally& tally, bool withAmounts) const;

private:
    struct Slot {
        QString code;
        QString label;
        ReportDefinition::StateRole role;
    };
    bool m_any = false;
    QVector<Slot> m_slots;
    int m_declared = 0;
};
