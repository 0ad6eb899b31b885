#include "core/TMessages.h"

#include <QHash>

namespace {
// Texts of standard keys that screens may ask for without holding them in their table.
const QHash<QString, QString>& standardMessages()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("DtIni_inv"), QStringLiteral("Data inicial inválida.")},
        {QStringLiteral("DtFin_inv"), QStringLiteral("Data final inválida.")},
    };
    return table;
}
} // namespace

QString TMessages::Msg(const QString& key) const
{
    for (const QString& line : m_lines) {
        const int bar = line.indexOf(QLatin1Char('|'));
        if (bar >= 0 && line.left(bar) == key)
            return line.mid(bar + 1);
    }
    const auto standard = standardMessages().constFind(key);
    if (standard != standardMessages().constEnd())
        return standard.value();
    return QStringLiteral("Mensagem '%1' não cadastrada.").arg(key);
}

QString TMessages::Format(const QString& text, const QStringList& arguments)
{
    QString result;
    int from = 0;
    for (const QString& argument : arguments) {
        const int at = text.indexOf(QLatin1String("%s"), from);
        if (at < 0)
            break;
        result += text.mid(from, at - from) + argument;
        from = at + 2;
    }
    return result + text.mid(from);
}
