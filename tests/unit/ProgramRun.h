#pragma once

// Runs a program of the build (klx, klx-scenario, klx-gendata) as the tests run it: from
// build/bin, with variables added to the environment, its output kept.

#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>

namespace ProgramRun {

struct Result {
    int code = -1; // -1 when the program crashed or did not end in time
    QString out, err;
};

// Environment variables to set over the test's own; a null value removes the variable.
using Environment = QHash<QString, QString>;

inline QString path(const QString& program)
{
    return QStringLiteral(KLX_BINARY_DIR "/bin/") + program;
}

// Starts the program; inChild runs in the child before it starts (limits, signals).
inline void start(QProcess& process, const QString& program, const QStringList& args,
                  const Environment& environment = {}, const std::function<void()>& inChild = {})
{
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (auto it = environment.cbegin(); it != environment.cend(); ++it) {
        if (it.value().isNull())
            variables.remove(it.key());
        else
            variables.insert(it.key(), it.value());
    }
    process.setProcessEnvironment(variables);
    if (inChild)
        process.setChildProcessModifier(inChild);
    process.start(path(program), args);
}

// Waits for a started program, two minutes at most.
inline Result finish(QProcess& process)
{
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

inline Result run(const QString& program, const QStringList& args,
                  const Environment& environment = {}, const std::function<void()>& inChild = {})
{
    QProcess process;
    start(process, program, args, environment, inChild);
    return finish(process);
}

} // namespace ProgramRun
