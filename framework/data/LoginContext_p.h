#pragma once

// Not part of the framework's interface: tests and benchmarks set the login context without
// the database's checks that LoginContext::Login makes.
#include "base/CoreExport.h"

#include <QString>

namespace LoginContext {
KLX_CORE_EXPORT void SetBranch(const QString& branch);
KLX_CORE_EXPORT void SetOperator(const QString& operatorCode);
} // namespace LoginContext
