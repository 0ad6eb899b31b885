#pragma once

#include "base/CoreExport.h"

#include <QString>

// Text compared the way a user searches: without accents and without case.
namespace SearchText {

// "Cobrança São João" becomes "cobranca sao joao".
KLX_CORE_EXPORT QString folded(const QString& text);

} // namespace SearchText
