#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class QLabel;

// What a picked code list holds, shown next to its "Lista": "3 empresas: 01, 02, 03", or
// "nenhuma". Where that does not fit, the count and the codes ("3: 01, 02, 03"), cut with an
// ellipsis. The tooltip names the codes, one a line with its name, at most a screenful of
// them ("e mais 2.988" after). Codes picked that the report leaves out (accounts of companies
// no longer in force) are named in both.
namespace PickSummary {

// The text of the label: the count with the noun, singular or plural, and the codes as shown
// (without the padding a code may be stored with); the codes left out after them.
QString text(const QString& list, const QString& singular, const QString& plural,
             const QStringList& leftOut = {});

// The tooltip: the count, then the codes with their names (by code as stored), at most
// `listed` of them, then how many more; the codes left out last.
QString toolTip(const QString& list, const QString& singular, const QString& plural,
                const QHash<QString, QString>& names, const QStringList& leftOut = {},
                int listed = 15);

// Shows the list in the label, fitted to the label's width, with its tooltip.
void show(QLabel* label, const QString& list, const QString& singular, const QString& plural,
          const QHash<QString, QString>& names, const QStringList& leftOut = {});

} // namespace PickSummary
