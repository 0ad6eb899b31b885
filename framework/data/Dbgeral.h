#pragma once

#include "core/DateTime.h"

#include <QString>
#include <QStringList>

// Shared lookups on the application's database (through dtmDBGeral), and the code
// lists the lookup queries search.
//
// A code list is the codes joined by CodeSeparator, each code exactly as stored:
// the queries admit a row when its code occurs anywhere in the list's text, and no
// code holds the separator, so no code shows up inside another or across the joint
// of two neighbours ("01,23" holds neither "12" nor "1,"). An empty list admits no
// row. The list picker produces the same format.
namespace Dbgeral {

// Stands between the codes of a code list; no code holds it.
inline constexpr QChar CodeSeparator = u',';

// The codes, trimmed of CHAR padding, joined into a code list; empty codes are left out.
QString codeList(const QStringList& codes);

// The codes of a code list, in their order.
QStringList codesOf(const QString& list);

// The code list of the companies the operator may use (OPEREMPR), in code order;
// empty when there are none. Raises EDatabaseError when the database fails.
void ListaEmpresaOper(const QString& operador, QString& lista);

// The processing date of the branch (FILIAL.DTPROC); 0 when the branch or its date
// is missing. Raises EDatabaseError when the database fails.
TDateTime DataProcFilial(const QString& filial);

// Whether the operator (OPERADOR) and the branch (FILIAL) are registered. Raise
// EDatabaseError when the database fails.
bool OperadorCadastrado(const QString& operador);
bool FilialCadastrada(const QString& filial);

} // namespace Dbgeral
