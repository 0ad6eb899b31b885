#pragma once

#include <QString>
#include <QStringList>

class ScreenDescription;

namespace host {

// `klx report`: opens the screen module's screen headless, has the screen apply the criteria
// given as options through its own controls and handlers, as a user would, and writes the
// chosen report to a PDF, CSV or XLSX file (or prints the parameters the report's query gets).
class ReportCommand {
public:
    // Runs with the arguments after "report"; returns the process exit code: 0 done,
    // 1 refused by the screen or failed, 2 bad command line.
    static int run(const QStringList& args);
    // The help text, with the criteria the screen takes.
    static QString usage(const ScreenDescription& screen);
};

} // namespace host
