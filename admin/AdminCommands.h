#pragma once

#include "AdminOptions.h"

// klx-admin's commands: each one run on its database, what it did printed on standard output;
// returns the exit code (0 done, 1 when check finds problems, verify a changed file or import
// a refused line). Raises an Exception on failure, EBadCommandLine for words that do not
// make a command.
namespace AdminCommands {

// Whether the command exists.
bool known(const QString& command);

int run(const AdminOptions& options);

} // namespace AdminCommands
