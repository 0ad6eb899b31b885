#pragma once

#include "controls/WidgetsExport.h"

#include <QString>
#include <QStringList>
#include <QVariantMap>

// A screen's criteria kept in the program's state file (ProgramState), never in the
// configuration, per operator: sets saved under a name, and the criteria of the last report
// run. A set is a map of criterion names to plain values (texts and numbers); what they mean
// is the screen's.
class KLX_WIDGETS_EXPORT CriteriaSets {
public:
    CriteriaSets(const QString& screenCode, const QString& operatorCode);

    // The saved sets' names, sorted.
    QStringList names() const;
    bool contains(const QString& name) const;
    // The saved set; empty when there is none of that name.
    QVariantMap load(const QString& name) const;
    // Saves the set under the name, replacing a set of that name.
    void save(const QString& name, const QVariantMap& criteria);
    void remove(const QString& name);

    // The criteria of the last report run; empty before the first.
    QVariantMap last() const;
    void saveLast(const QVariantMap& criteria);

private:
    QString m_sets;
    QString m_last;
};
