#include "report/engine/ReportTotals.h"

#include "report/engine/ReportFormat.h"

#include <QStringList>
#include <algorithm>

bool ReportTally::add(const QVector<ReportAmount>& values, bool addsToSums, int stateSlot,
                      ReportAmount stateAmount)
{
    ++count;
    if (addsToSums) {
        ++adding;
        for (int i = 0; i < values.size(); ++i)
            if (!sums[i].add(values.at(i)))
                return false;
    }
    if (stateSlot < 0)
        return true;
    if (stateSlot >= stateCounts.size()) {
        stateCounts.resize(stateSlot + 1, 0);
        stateAmounts.resize(stateSlot + 1);
    }
    ++stateCounts[stateSlot];
    return stateAmounts[stateSlot].add(stateAmount);
}

int ReportTally::statesPresent() const
{
    return static_cast<int>(
        std::count_if(stateCounts.begin(), stateCounts.end(), [](qint64 n) { return n > 0; }));
}

ReportStates::ReportStates(const ReportDefinition& definition)
    : m_any(!definition.stateField.isEmpty())
{
    for (const ReportDefinition::State& state : definition.states)
        m_slots.append({state.code, state.label, state.role});
    m_declared = static_cast<int>(m_slots.size());
}

int ReportStates::slotOf(const QString& code)
{
    for (int slot = 0; slot < m_slots.size(); ++slot)
        if (m_slots.at(slot).code == code)
            return slot;
    // Shown with its amount, never added: only declared states add into the sums.
    m_slots.append(
        {code, code.isEmpty() ? QStringLiteral("Sem status") : QStringLiteral("Status ") + code,
         ReportDefinition::StateRole::Amount});
    return static_cast<int>(m_slots.size() - 1);
}

bool ReportStates::adds(int slot) const
{
    return slot < 0 || m_slots.at(slot).role == ReportDefinition::StateRole::Total;
}

QString ReportStates::summary(const ReportTally& tally, bool withAmounts) const
{
    QStringList parts;
    for (int slot = 0; slot < tally.stateCounts.size(); ++slot) {
        if (tally.stateCounts.at(slot) == 0)
            continue;
        QString part = QStringLiteral("%1: %2").arg(
            m_slots.at(slot).label, ReportFormat::integer(tally.stateCounts.at(slot)));
        if (withAmounts && m_slots.at(slot).role != ReportDefinition::StateRole::Count)
            part +=
                QStringLiteral(" — ") + ReportFormat::money(tally.stateAmounts.at(slot).units());
        parts << part;
    }
    return parts.join(QStringLiteral("; "));
}
