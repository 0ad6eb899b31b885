#pragma once

#include "DatabaseCheck.h"

// The operators' part of klx-admin check: whether each operator can log in (on a server its
// login present and active; on Firebird the report role granted in this database), whether an
// operator of every company sees each one, and which companies no operator sees.
namespace OperatorCheck {

void run(Administration& administration, QList<DatabaseCheck::Finding>& findings);

} // namespace OperatorCheck
