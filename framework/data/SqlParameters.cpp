#include "data/SqlParameters.h"

#include <QRegularExpression>

QStringList SqlParameters::declaredIn(const QString& sql)
{
    static const QRegularExpression pattern(
        QStringLiteral("'(?:[^']|'')*'|(?<![:\\w]):([A-Za-z_][A-Za-z0-9_]*)"));
    QStringList names;
    auto it = pattern.globalMatch(withoutComments(sql));
    while (it.hasNext()) {
        const QString name = it.next().captured(1);
        if (!name.isEmpty() && !names.contains(name, Qt::CaseInsensitive))
            names << name;
    }
    return names;
}

QString SqlParameters::withoutComments(const QString& sql)
{
    QString result;
    result.reserve(sql.size());
    const qsizetype size = sql.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = sql.at(i);
        const QChar next = i + 1 < size ? sql.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text runs to the next quote; a doubled quote reopens it.
            qsizetype end = sql.indexOf(c, i + 1);
            end = end < 0 ? size : end + 1;
            result += sql.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), i);
            i = end < 0 ? size : end;
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? size : end + 2;
            result += QLatin1Char(' ');
        } else {
            result += c;
            ++i;
        }
    }
    return result;
}
