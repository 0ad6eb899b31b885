#pragma once

// Not part of the framework's interface: tests and benchmarks set the login context without
// the database's checks that LoginContext::Login makes.
#include <QString>

namespace LoginContext {
void SetBranch(const QString& branch);
void SetOperator(const QString& operatorCode);
} // namespace LoginContext
