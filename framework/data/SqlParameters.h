#pragma once

#include <QString>
#include <QStringList>

namespace SqlParameters {
// The named parameters (":NAME") an SQL text declares, in order of first use; names inside
// string literals and "::" casts are not parameters.
QStringList declaredIn(const QString& sql);
} // namespace SqlParameters
