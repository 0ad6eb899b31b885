#pragma once

#include <QString>
#include <QStringList>

// Runs scenario files: every case in a process of its own, on a fresh copy of the demo
// database. Prints one line per failed expectation, then "N passed, N failed".
namespace ScenarioRunner {

// The first argument of a case's own process.
inline const QString caseCommand = QStringLiteral("scenario-case");

// "klx-scenario [--dialect D] [--db E] [--server HOST/PORT] FILE...": returns the process
// exit code. With --server, each case opens its Firebird copy through that server over TCP
// ("HOST/PORT:/path"): the server runs on this machine and reads the file by its path.
int runFiles(const QStringList& args);

// The child side: "klx-scenario scenario-case OPTIONS FILE INDEX" runs one case.
int runOneCase(const QStringList& args);

} // namespace ScenarioRunner
