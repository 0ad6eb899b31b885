#include "data/SqlParameters.h"

#include <QRegularExpression>

QStringList SqlParameters::declaredIn(const QString& sql)
{
    static const QRegularExpression pattern(
        QStringLiteral("'(?:[^']|'')*'|(?<![:\\w]):([A-Za-z_][A-Za-z0-9_]*)"));
    QStringList names;
    auto it = pattern.globalMatch(sql);
    while (it.hasNext()) {
        const QString name = it.next().captured(1);
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}
