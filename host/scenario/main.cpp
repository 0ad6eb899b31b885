// The scenario driver: runs scenario files against the real screen module, each case in a
// process of its own (the same program with the case command). A test tool: not installed.
#include "AppPaths.h"
#include "base/Localization.h"
#include "scenario/ScenarioDatabaseFaults.h"
#include "scenario/ScenarioRunner.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    const bool oneCase = argc > 1 && QString::fromLocal8Bit(argv[1]) == ScenarioRunner::caseCommand;
    // A case drives the screen offscreen unless a platform was asked for.
    if (oneCase && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppPaths::setApplicationIdentity();
    Localization::install();
    // The cases' database faults are the driver's own: its connections go through drivers it
    // wraps.
    ScenarioDatabaseFaults::install();
    const QStringList args = QApplication::arguments().mid(1);
    return oneCase ? ScenarioRunner::runOneCase(args.mid(1)) : ScenarioRunner::runFiles(args);
}
