#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QList>
#include <QStringList>

// A command line read with QCommandLineParser ("--output x.pdf" and "--output=x.pdf"),
// refused with the program's own messages: an option it does not know or an argument that is
// no option ("opção desconhecida '--cor'"), and an option whose value is missing, named by
// the option's value name ("--output precisa de um valor", "--config precisa de um arquivo").
class CommandLine {
public:
    explicit CommandLine(const QList<QCommandLineOption>& options);

    // Reads the arguments (without the program and the command); raises an Exception with
    // the reason.
    void parse(const QStringList& args);

    bool isSet(const QString& name) const { return m_parser.isSet(name); }
    // The option's last value.
    QString value(const QString& name) const { return m_parser.value(name); }
    QStringList values(const QString& name) const { return m_parser.values(name); }

private:
    // Why the parser refused the arguments, naming the first argument at fault.
    QString refusal(const QStringList& args) const;
    const QCommandLineOption* option(const QString& name) const;

    QList<QCommandLineOption> m_options;
    QCommandLineParser m_parser;
};
