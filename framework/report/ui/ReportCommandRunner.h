#pragma once

#include "controls/WidgetsExport.h"

class ReportHost;
struct PreparedReport;

// Where a report form sends a command once the screen's checks passed and the command is
// prepared: the form's own engine runs it; the owner of a form (a headless run that only
// shows the parameters) may set a runner of its own on that form.
class KLX_WIDGETS_EXPORT ReportCommandRunner {
public:
    virtual ~ReportCommandRunner() = default;
    // Runs the command; true when it did its work (the report shown, printed or written),
    // false when it stopped short of it (a dialog cancelled, an empty report, a runner that
    // only keeps the command).
    virtual bool Run(const PreparedReport& report, ReportHost& host) = 0;
};
