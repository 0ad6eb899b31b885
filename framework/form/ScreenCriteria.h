#pragma once

#include "controls/WidgetsExport.h"
#include "form/ScreenTable.h"

#include <QJsonObject>
#include <QList>
#include <QString>

class ModuleLoader;

// The criteria routines a loaded screen module publishes in its table. The table is read
// again at each call, so nothing that points into the module is kept.
namespace ScreenCriteria {

struct Note {
    QString criterion; // empty: the note concerns no one criterion
    QString text;
};

struct Outcome {
    ScreenCriteriaResult result = ScreenCriteriaApplied;
    QList<Note> notes;
};

// The criteria's form checked without a form: Applied or Malformed.
KLX_WIDGETS_EXPORT Outcome check(ModuleLoader& module, const QJsonObject& criteria);
// The criteria put on the open form through its controls, as a user would.
KLX_WIDGETS_EXPORT Outcome apply(ModuleLoader& module, const QJsonObject& criteria);
// The operator's saved set of that name loaded on the open form.
KLX_WIDGETS_EXPORT Outcome loadSet(ModuleLoader& module, const QString& name);

} // namespace ScreenCriteria
