#pragma once

#include "base/CoreExport.h"
#include "base/DateTime.h"

#include <QString>
#include <QStringList>

// Shared lookups on the application's database (through dtmDBGeral), and the code
// lists the lookup queries search.
//
// A code list holds each code exactly as the column stores it (a CHAR code keeps its
// blank padding: "1 "), with a separator between codes that none of them holds. The
// queries admit a row when its code occurs anywhere in the list's text; with the
// separator free, a code of the column's width can only occur as one of the listed
// codes (provided no other code holds the separator either). An empty list admits no
// row. The separator is the comma ("01,02,03"); when a code holds a comma, it is the
// first candidate of codeSeparators() that no code holds, also written at the start of the
// list so that a reader knows it (";A,;B"). The list picker produces the same format.
namespace Dbgeral {

// The separators a code list may use, in order of preference. A function, not a constant
// in this header: each library and program would hold a copy of its own, and code folded
// against one copy while reading another ran past the end.
QStringView codeSeparators();

// The codes joined into a code list; empty codes are left out. Raises Exception, with a
// message for the user, when every separator occurs in some code.
KLX_CORE_EXPORT QString codeList(const QStringList& codes);

// The codes of a code list, in their order, exactly as the list holds them.
KLX_CORE_EXPORT QStringList codesOf(const QString& list);

// The code list of the companies the operator may use (OPEREMPR), in code order;
// empty when there are none. Raises EDatabaseError when the database fails.
KLX_CORE_EXPORT void ListaEmpresaOper(const QString& operador, QString& lista);

// The processing date of the branch (FILIAL.DTPROC); 0 when the branch or its date
// is missing. Raises EDatabaseError when the database fails.
TDateTime DataProcFilial(const QString& filial);

// Whether the operator (OPERADOR) and the branch (FILIAL) are registered. Raise
// EDatabaseError when the database fails.
bool OperadorCadastrado(const QString& operador);
bool FilialCadastrada(const QString& filial);

} // namespace Dbgeral
