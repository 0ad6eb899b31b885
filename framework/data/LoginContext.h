#pragma once

#include "base/CoreExport.h"
#include "base/DateTime.h"

#include <QString>

// The logged-in user's context: branch and operator, set by the host.
namespace LoginContext {
// Makes the operator and the branch current once the database knows both and the branch
// has a processing date; otherwise raises an Exception saying which ("Operador XYZ não
// cadastrado.") and changes nothing.
KLX_CORE_EXPORT void Login(const QString& branch, const QString& operatorCode);
} // namespace LoginContext

// The current branch.
KLX_CORE_EXPORT QString FiliProc();
// The processing date of a branch, read from the database; 0 when the branch has none.
KLX_CORE_EXPORT TDateTime DataProc(const QString& branch);
// The current operator.
KLX_CORE_EXPORT QString Operador();
