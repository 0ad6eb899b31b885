#include "CommandLine.h"

#include "base/Exceptions.h"
#include "base/VisibleText.h"

#include <algorithm>

CommandLine::CommandLine(const QList<QCommandLineOption>& options) : m_options(options)
{
    m_parser.addOptions(options);
}

void CommandLine::parse(const QStringList& args)
{
    // "--" would end the options; no command of this program takes other arguments.
    const bool parsed = !args.contains(QStringLiteral("--")) &&
                        m_parser.parse(QStringList{QStringLiteral("klx")} + args) &&
                        m_parser.positionalArguments().isEmpty();
    if (!parsed)
        throw Exception(refusal(args));
}

const QCommandLineOption* CommandLine::option(const QString& name) const
{
    const auto found =
        std::find_if(m_options.cbegin(), m_options.cend(),
                     [&name](const QCommandLineOption& o) { return o.names().contains(name); });
    return found == m_options.cend() ? nullptr : &*found;
}

QString CommandLine::refusal(const QStringList& args) const
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const auto unknown = QStringLiteral("opção desconhecida '%1'").arg(VisibleText::of(arg));
        // Every option has a long name only: "-x" is none of them.
        if (!arg.startsWith(QLatin1String("--")) || arg == QLatin1String("--"))
            return unknown;
        const QString word = arg.mid(2);
        const qsizetype equals = word.indexOf(QLatin1Char('='));
        const QCommandLineOption* known = option(equals < 0 ? word : word.left(equals));
        if (!known)
            return unknown;
        const bool takesValue = !known->valueName().isEmpty();
        if (!takesValue && equals >= 0)
            return unknown;
        if (takesValue && equals < 0) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 precisa de %2")
                    .arg(VisibleText::of(arg), known->valueName());
            ++i;
        }
    }
    return m_parser.errorText();
}
