#pragma once

#include <QString>
#include <QStringList>

namespace SqlParameters {
// The named parameters (":NAME") an SQL text declares, in order of first use; names inside
// string literals, comments and "::" casts are not parameters.
QStringList declaredIn(const QString& sql);

// The SQL text without its "--" and "/* */" comments (Qt would take names in them for
// parameters); quoted text is kept as it stands.
QString withoutComments(const QString& sql);
} // namespace SqlParameters
