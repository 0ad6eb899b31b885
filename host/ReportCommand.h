#pragma once

#include <QString>
#include <QStringList>

namespace host {

// `klx report`: opens the check report screen headless, applies the criteria given as options
// through the screen's own controls and handlers, as a user would, and writes the chosen
// report to a PDF or CSV file (or prints the parameters the report's query gets).
class ReportCommand {
public:
    // Runs with the arguments after "report"; returns the process exit code: 0 done,
    // 1 refused by the screen or failed, 2 bad command line.
    static int run(const QStringList& args);
    // The help text.
    static QString usage();
};

} // namespace host
