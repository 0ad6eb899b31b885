// Many clerks on one Firebird server: N klx report processes at once (N = 1, 4, 16 by
// default), each writing report 1 of one month to PDF again and again for a bounded time,
// against the server of tools/firebird-server.sh, pointed at by an INI file as a desktop is.
// Prints the reports per minute, the spread of their times and the server's CPU share.
//
//   server_load [--server HOST/PORT] [--seconds S] [--clerks 1,4,16]

#include "BenchSupport.h"
#include "data/FirebirdAddress.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <memory>
#include <unistd.h>
#include <vector>

using namespace Bench;

namespace {

// CPU seconds a process has used so far, from /proc; 0 when it cannot be read.
double cpuSeconds(const QString& pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid.isEmpty() || !stat.open(QIODevice::ReadOnly))
        return 0;
    // Fields after the command's closing parenthesis; utime and stime are the 12th and 13th.
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return 0;
    return static_cast<double>(fields.at(11).toLongLong() + fields.at(12).toLongLong()) /
           static_cast<double>(sysconf(_SC_CLK_TCK));
}

QString serverPid()
{
    QFile file(
        qEnvironmentVariable("KLX_FIREBIRD_DIR", QStringLiteral("/tmp/klx-firebird-server")) +
        QStringLiteral("/server.pid"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).trimmed()
                                          : QString();
}

struct Round {
    QList<double> seconds;
    int failed = 0;
    double elapsed = 0;
    double serverCpu = 0;
};

// Clerks keep running the report until the time is up; a run started in time is waited for.
Round runClerks(int clerks, double budget, const QStringList& args, const QString& work)
{
    struct Clerk {
        std::unique_ptr<QProcess> process;
        QElapsedTimer clock;
        int runs = 0;
    };
    Round round;
    const QString pid = serverPid();
    const double cpuBefore = cpuSeconds(pid);
    QElapsedTimer total;
    total.start();
    std::vector<Clerk> desk(static_cast<size_t>(clerks));
    const auto outputOf = [&](size_t i, int run) {
        return QStringLiteral("%1/balcao-%2-%3.pdf").arg(work).arg(i).arg(run);
    };
    const auto start = [&](size_t i) {
        Clerk& clerk = desk[i];
        clerk.process = std::make_unique<QProcess>();
        clerk.clock.start();
        startKlxReport(*clerk.process,
                       args + QStringList{QStringLiteral("--output"), outputOf(i, clerk.runs++)},
                       work);
    };
    for (size_t i = 0; i < desk.size(); ++i)
        start(i);
    size_t busy = desk.size();
    while (busy > 0) {
        for (size_t i = 0; i < desk.size(); ++i) {
            Clerk& clerk = desk[i];
            if (!clerk.process || !clerk.process->waitForFinished(20))
                continue;
            if (succeeded(*clerk.process))
                round.seconds << static_cast<double>(clerk.clock.nsecsElapsed()) / 1e9;
            else
                ++round.failed;
            QFile::remove(outputOf(i, clerk.runs - 1));
            if (static_cast<double>(total.elapsed()) / 1000.0 < budget) {
                start(i);
            } else {
                clerk.process.reset();
                --busy;
            }
        }
    }
    round.elapsed = static_cast<double>(total.elapsed()) / 1000.0;
    round.serverCpu = cpuSeconds(pid) - cpuBefore;
    return round;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Vários balcões num servidor Firebird: klx report simultâneos."));
    parser.addHelpOption();
    const QCommandLineOption serverOption(
        QStringLiteral("server"), QStringLiteral("Servidor Firebird (127.0.0.1/3057)."),
        QStringLiteral("HOST/PORTA"), QStringLiteral("127.0.0.1/3057"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"),
                                           QStringLiteral("Duração de cada rodada (30)."),
                                           QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption clerksOption(QStringLiteral("clerks"),
                                          QStringLiteral("Processos simultâneos (1,4,16)."),
                                          QStringLiteral("N,N,..."), QStringLiteral("1,4,16"));
    parser.addOptions({serverOption, secondsOption, clerksOption});
    parser.process(app);

    try {
        const QString server = parser.value(serverOption);
        const auto address = FirebirdAddress::serverOf(server + QStringLiteral(":/"));
        if (!address)
            throw Exception(QStringLiteral("--server deve ser HOST/PORTA: %1").arg(server));
        FirebirdAddress::requireReachable(*address, 2000);
        const double budget = std::max(1.0, parser.value(secondsOption).toDouble());
        QList<int> levels;
        for (const QString& level : parser.value(clerksOption).split(QLatin1Char(',')))
            if (level.toInt() > 0)
                levels << level.toInt();

        // A company's data set on the server: 100,000 checks over fifteen months.
        const QString database = QStringLiteral("/tmp/klx-load-100k.fdb");
        generateOnce(database, QStringLiteral("firebird"), 100000);
        QTemporaryDir work;
        const QString ini = work.filePath(QStringLiteral("klx.ini"));
        QFile config(ini);
        if (!config.open(QIODevice::WriteOnly))
            throw Exception(QStringLiteral("não foi possível gravar %1").arg(ini));
        config.write(QStringLiteral("[database]\nengine=firebird\npath=%1:%2\nuser=SYSDBA\n"
                                    "password=masterkey\n")
                         .arg(server, database)
                         .toUtf8());
        config.close();
        const QStringList args{QStringLiteral("--config"),        ini,
                               QStringLiteral("--report"),        QStringLiteral("1"),
                               QStringLiteral("--emission-from"), QStringLiteral("01/02/2026"),
                               QStringLiteral("--emission-to"),   QStringLiteral("28/02/2026")};
        if (!klxReport(args + QStringList{QStringLiteral("--output"),
                                          work.filePath(QStringLiteral("prova.pdf"))},
                       work.path()))
            throw Exception(QStringLiteral("klx report não roda contra %1").arg(server));

        print(QStringLiteral("Servidor %1 (%2: 100.000 cheques), relatório 1 de fevereiro de "
                             "2026 em PDF; %3 s por rodada; %4 núcleos nesta máquina, que roda "
                             "clientes e servidor.")
                  .arg(server, database, figure(budget, 0))
                  .arg(QThread::idealThreadCount()));
        print(
            QStringLiteral("balcões  relatórios  por minuto   mínimo   mediana      p90   máximo  "
                           "falhas  CPU do servidor"));
        for (const int clerks : std::as_const(levels)) {
            const Round round = runClerks(clerks, budget, args, work.path());
            if (round.seconds.isEmpty())
                throw Exception(
                    QStringLiteral("nenhum relatório terminou com %1 balcões").arg(clerks));
            const auto cell = [](double value) {
                return (figure(value) + QStringLiteral(" s")).rightJustified(9);
            };
            print(QString::number(clerks).rightJustified(7) +
                  QString::number(round.seconds.size()).rightJustified(12) +
                  figure(round.seconds.size() * 60.0 / round.elapsed, 1).rightJustified(12) +
                  cell(percentile(round.seconds, 0)) + cell(percentile(round.seconds, 0.5)) +
                  cell(percentile(round.seconds, 0.9)) + cell(percentile(round.seconds, 1)) +
                  QString::number(round.failed).rightJustified(8) +
                  (figure(100.0 * round.serverCpu / round.elapsed, 0) + QStringLiteral(" %"))
                      .rightJustified(17));
        }
    } catch (const Exception& error) {
        print(QStringLiteral("server_load: %1").arg(error.Message()));
        return 1;
    }
    return 0;
}
