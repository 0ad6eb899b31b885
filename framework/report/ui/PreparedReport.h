#pragma once

#include "controls/WidgetsExport.h"
#include "report/engine/ReportDefinition.h"

#include <QString>
#include <memory>

class TParams;

// The four commands of a report form.
enum class ReportAction { Print, Preview, SaveAs, Edit };

// "print", "preview", "saveas" or "edit".
KLX_WIDGETS_EXPORT QString reportActionName(ReportAction action);

// A report command ready to run: the definition as its file reads now and the parameters its
// query declares, bound by the screen.
struct PreparedReport {
    ReportAction action;
    ReportDefinition definition;
    std::shared_ptr<TParams> params;
};
