#include "base/TMessages.h"

#include <QHash>
#include <optional>

namespace {
// Texts of standard keys that screens may ask for without holding them in their table.
const QHash<QString, QString>& standardMessages()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("DtIni_inv"), QStringLiteral("Data inicial inválida.")},
        {QStringLiteral("DtFin_inv"), QStringLiteral("Data final inválida.")},
        {QStringLiteral("DtComp_inv"), QStringLiteral("Data de compensação inválida.")},
    };
    return table;
}
} // namespace

namespace {
// The entry's text when the line holds that key.
std::optional<QString> entryText(const QString& line, const QString& key)
{
    const int bar = line.indexOf(QLatin1Char('|'));
    if (bar >= 0 && line.left(bar) == key)
        return line.mid(bar + 1);
    return std::nullopt;
}
} // namespace

bool TMessages::Contains(const QString& key) const
{
    for (const QString& line : m_lines)
        if (entryText(line, key))
            return true;
    return false;
}

QString TMessages::Msg(const QString& key) const
{
    for (const QString& line : m_lines)
        if (const auto text = entryText(line, key))
            return *text;
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
