#pragma once

#include <QString>
#include <QStringList>

// The screen module's variables a scenario may read, by a fixed list: a name is resolved
// in the module only when it is one of them, so that no scenario can reach another symbol
// of the process (a library's data read with the wrong type).
namespace ModuleVariables {

// The variables, in the order the module declares them.
const QStringList& names();

// Whether NAME is one of them; isText also that it holds a text (the code lists).
bool isKnown(const QString& name);
bool isText(const QString& name);

// The value at the variable's address as a scenario writes it: true/false, a number, or
// the text. Raises an Exception for a name that is not on the list.
QString read(const QString& name, const void* address);

} // namespace ModuleVariables
