#include "scenario/ScenarioRunner.h"

#include "AppPaths.h"
#include "HostOptions.h"
#include "HostSession.h"
#include "OffscreenMessages.h"
#include "base/Exceptions.h"
#include "form/ScreenDescription.h"
#include "scenario/Scenario.h"
#include "scenario/ScenarioCaseRun.h"
#include "scenario/ScenarioReports.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <deque>
#include <memory>

namespace {

void print(const QString& line)
{
    const QByteArray bytes = (line + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

// A case's process writes this line before each step, so that a case that crashes or hangs
// is reported at the step it was running. Scenario lines hold no control character, so no
// output of a case starts with it.
const QString stepMarker = QStringLiteral("\u0001step ");

// The output of a case's process without its step lines, and the line of the last step
// it began (0 when none).
struct CaseOutput {
    QString text;
    int stepLine = 0;
};

CaseOutput readCaseOutput(const QByteArray& bytes)
{
    CaseOutput output;
    QStringList kept;
    for (const QString& line : QString::fromUtf8(bytes).split(QLatin1Char('\n'))) {
        if (line.startsWith(stepMarker))
            output.stepLine = line.mid(stepMarker.size()).toInt();
        else
            kept << line;
    }
    output.text = kept.join(QLatin1Char('\n')).trimmed();
    return output;
}

struct CaseRef {
    QString file;
    int index;
    const ScenarioCase* kase;
};

struct Running {
    CaseRef ref;
    std::unique_ptr<QProcess> process;
};

constexpr int caseTimeoutMs = 120000;

// What the screen module tells of itself, read from a load of its own; raises an Exception
// when it does not describe what the driver drives.
ScreenDescription describedScreen()
{
    ModuleLoader module(HostSession::screenModulePath());
    module.load();
    ScreenDescription screen = ScreenDescription::read(module);
    screen.requireControls(
        {ScreenRole::print, ScreenRole::preview, ScreenRole::saveAs, ScreenRole::edit});
    return screen;
}

} // namespace

int ScenarioRunner::runFiles(const QStringList& args)
{
    QStringList files;
    QStringList forwarded;
    QString server;
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("--dialect") || args.at(i) == QLatin1String("--db") ||
            args.at(i) == QLatin1String("--server") ||
            args.at(i) == QLatin1String("--password-file")) {
            if (i + 1 >= args.size()) {
                print(QStringLiteral("klx-scenario: %1 precisa de um valor").arg(args.at(i)));
                return 2;
            }
            if (args.at(i) == QLatin1String("--server"))
                server = args.at(i + 1);
            else
                forwarded << args.at(i) << args.at(i + 1);
            ++i;
        } else {
            files << args.at(i);
        }
    }
    if (files.isEmpty()) {
        print(QStringLiteral("uso: klx-scenario [--dialect oracle|mssql|ib] [--db sqlite|firebird] "
                             "[--server HOST/PORTA --password-file ARQUIVO] ARQUIVO..."));
        return 2;
    }

    // One demo database made once; every case gets a fresh copy of it.
    QTemporaryDir work;
    HostOptions options;
    ScreenDescription screen;
    try {
        options =
            HostOptions::parse(forwarded + QStringList{QStringLiteral("--database"),
                                                       work.filePath(QStringLiteral("template"))});
        screen = describedScreen();
    } catch (const Exception& e) {
        print(QStringLiteral("klx-scenario: %1").arg(e.Message()));
        return 2;
    }
    const bool firebird = options.database.engine == DatabaseConfig::Engine::Firebird;
    if (!server.isEmpty() && !firebird) {
        print(QStringLiteral("klx-scenario: --server é para --db firebird"));
        return 2;
    }
    const QString templatePath = work.filePath(firebird ? QStringLiteral("template.fdb")
                                                        : QStringLiteral("template.sqlite"));
    try {
        TdtmDBGeral database;
        DatabaseConfig config = options.database;
        config.path = templatePath;
        config.createWithDemoData = true;
        config.administrator = true;
        database.open(config);
        database.close();
    } catch (const Exception& e) {
        print(QStringLiteral("klx-scenario: %1").arg(e.Message()));
        return 2;
    }
    // Each case's copy is opened through the server when there is one.
    if (!server.isEmpty())
        forwarded << QStringLiteral("--server") << server;
    forwarded << QStringLiteral("--database") << templatePath;

    QList<ScenarioFile> parsed;
    int passed = 0;
    int failed = 0;
    for (const QString& file : std::as_const(files))
        parsed << ScenarioParser::parseFile(file, screen);
    std::deque<CaseRef> pending;
    for (const ScenarioFile& file : std::as_const(parsed)) {
        if (!file.error.isEmpty()) {
            print(file.error);
            ++failed;
            continue;
        }
        for (int i = 0; i < file.cases.size(); ++i)
            pending.push_back({file.path, i, &file.cases.at(i)});
    }

    const int parallel = qMax(1, QThread::idealThreadCount());
    std::deque<Running> running;
    const auto start = [&] {
        CaseRef ref = pending.front();
        pending.pop_front();
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), QStringList{caseCommand}
                                                                    << forwarded << ref.file
                                                                    << QString::number(ref.index));
        running.push_back({ref, std::move(process)});
    };
    while (!pending.empty() || !running.empty()) {
        while (!pending.empty() && static_cast<int>(running.size()) < parallel)
            start();
        Running current = std::move(running.front());
        running.pop_front();
        const bool finished = current.process->waitForFinished(caseTimeoutMs);
        const CaseOutput caseOutput = readCaseOutput(current.process->readAllStandardOutput());
        const QString& output = caseOutput.text;
        if (!output.isEmpty())
            print(output);
        // A crash or a hang is told at the step that was running, else at the case.
        const QString where =
            QStringLiteral("%1:%2: case \"%3\"")
                .arg(current.ref.file)
                .arg(caseOutput.stepLine > 0 ? caseOutput.stepLine : current.ref.kase->line)
                .arg(current.ref.kase->name);
        if (!finished) {
            current.process->kill();
            current.process->waitForFinished();
            print(where + QStringLiteral(" did not finish in %1 s").arg(caseTimeoutMs / 1000));
            ++failed;
        } else if (current.process->exitStatus() != QProcess::NormalExit) {
            print(where + QStringLiteral(" crashed"));
            ++failed;
        } else if (current.process->exitCode() != 0) {
            if (output.isEmpty())
                print(where +
                      QStringLiteral(" failed with exit code %1").arg(current.process->exitCode()));
            ++failed;
        } else {
            ++passed;
        }
    }
    print(QStringLiteral("%1 passed, %2 failed").arg(passed).arg(failed));
    return failed == 0 ? 0 : 1;
}

int ScenarioRunner::runOneCase(const QStringList& args)
{
    if (args.size() < 4) {
        print(QStringLiteral("klx-scenario %1: argumentos insuficientes").arg(caseCommand));
        return 2;
    }
    quietOffscreenWarnings();
    const QString file = args.at(args.size() - 2);
    const int index = args.last().toInt();
    QStringList optionArgs = args.mid(0, args.size() - 2);
    const QString templatePath = optionArgs.takeLast();
    optionArgs.removeLast(); // "--database"
    QString server;
    if (const qsizetype at = optionArgs.indexOf(QStringLiteral("--server"));
        at >= 0 && at + 1 < optionArgs.size()) {
        server = optionArgs.at(at + 1);
        optionArgs.remove(at, 2);
    }

    ScreenDescription screen;
    try {
        screen = describedScreen();
    } catch (const Exception& e) {
        print(QStringLiteral("%1: %2").arg(file, e.Message()));
        return 1;
    }
    const ScenarioFile parsed = ScenarioParser::parseFile(file, screen);
    if (!parsed.error.isEmpty() || index < 0 || index >= parsed.cases.size()) {
        print(parsed.error.isEmpty()
                  ? QStringLiteral("%1: caso %2 inexistente").arg(file).arg(index)
                  : parsed.error);
        return 1;
    }
    const ScenarioCase& kase = parsed.cases.at(index);
    QTemporaryDir work;
    const QString databasePath = work.filePath(QFileInfo(templatePath).fileName());
    if (!QFile::copy(templatePath, databasePath)) {
        print(QStringLiteral("%1:%2: não foi possível copiar o banco de demonstração")
                  .arg(file)
                  .arg(kase.line));
        return 1;
    }
    QFile::setPermissions(databasePath, QFile::ReadOwner | QFile::WriteOwner);
    // The program's state (the login remembered, criteria sets) starts empty in every case.
    qputenv("XDG_STATE_HOME", QFile::encodeName(work.path()));
    try {
        const QString opened = server.isEmpty() ? databasePath
                                                : server + QLatin1Char(':') +
                                                      QFileInfo(databasePath).absoluteFilePath();
        // Every case logs in as ADM first; on a server with ADM's password.
        HostOptions options =
            HostOptions::parse(optionArgs << QStringLiteral("--database") << opened
                                          << QStringLiteral("--operator") << QStringLiteral("ADM"));
        // Every report query declares what the screen binds, until the case says otherwise.
        options.reportsDirectory = work.filePath(QStringLiteral("reports"));
        ScenarioReports::write(AppPaths::shippedReportsDirectory(), options.reportsDirectory,
                               screen.parameters());
        // The login dialog names the operator itself.
        HostOptions loginOptions = options;
        loginOptions.database.user.clear();
        loginOptions.operatorCode.clear();
        options.requirePassword(false);
        auto session = std::make_unique<HostSession>(options);
        ScenarioCaseRun run(session, loginOptions, options.reportsDirectory);
        const QStringList failures = run.run(
            kase, [](const ScenarioStep& step) { print(stepMarker + QString::number(step.line)); });
        for (const QString& failure : failures)
            print(failure);
        return failures.isEmpty() ? 0 : 1;
    } catch (const Exception& e) {
        print(QStringLiteral("%1:%2: %3").arg(file).arg(kase.line).arg(e.Message()));
        return 1;
    }
}
