#pragma once

#include <QString>

// Text compared the way a user searches: without accents and without case.
namespace SearchText {

// "Cobrança São João" becomes "cobranca sao joao".
QString folded(const QString& text);

} // namespace SearchText
