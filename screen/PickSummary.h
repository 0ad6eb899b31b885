#pragma once

#include <QString>

class QLabel;

// What a picked code list holds, shown next to its "Lista": "3 empresas: 01, 02, 03", or
// "nenhuma". Where that does not fit, the count and the codes ("3: 01, 02, 03"), cut with an
// ellipsis; the tooltip always holds the whole of it.
namespace PickSummary {

// The whole text: the count with the noun, singular or plural, and the codes as shown
// (without the padding a code may be stored with).
QString text(const QString& list, const QString& singular, const QString& plural);

// Shows the list in the label, fitted to the label's width.
void show(QLabel* label, const QString& list, const QString& singular, const QString& plural);

} // namespace PickSummary
