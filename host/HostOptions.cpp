#include "HostOptions.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "Password.h"
#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"

#include "base/ConfigFile.h"
#include "base/ProgramState.h"
#include "base/VisibleText.h"

#include <QFileInfo>

namespace {

DatabaseConfig::Engine engineFromName(const QString& name)
{
    if (name == QLatin1String("sqlite"))
        return DatabaseConfig::Engine::Sqlite;
    if (name == QLatin1String("firebird"))
        return DatabaseConfig::Engine::Firebird;
    throw Exception(QStringLiteral("banco desconhecido '%1' (use sqlite ou firebird)")
                        .arg(VisibleText::of(name)));
}

SqlDialect dialectFromName(const QString& name)
{
    const auto dialect = sqlDialectFromName(name);
    if (!dialect)
        throw Exception(QStringLiteral("dialeto desconhecido '%1' (use oracle, mssql ou ib)")
                            .arg(VisibleText::of(name)));
    return *dialect;
}

// The sections and keys the program reads.
const ConfigFile::Known& knownSettings()
{
    static const ConfigFile::Known known{
        {QStringLiteral("login"), {QStringLiteral("branch"), QStringLiteral("operator")}},
        {QStringLiteral("database"),
         {QStringLiteral("engine"), QStringLiteral("path"), QStringLiteral("user"),
          QStringLiteral("password"), QStringLiteral("dialect"),
          QStringLiteral("connect-timeout")}},
        {QStringLiteral("reports"), {QStringLiteral("directory"), QStringLiteral("time-limit")}}};
    return known;
}

// Seconds from 1 to a day, for a timeout or a time limit.
int secondsFromText(const QString& text, const QString& what)
{
    bool ok = false;
    const int seconds = text.trimmed().toInt(&ok);
    if (!ok || seconds < 1 || seconds > 86400)
        throw Exception(QStringLiteral("%1 inválido: '%2' (segundos, de 1 a 86400)")
                            .arg(what, VisibleText::of(text)));
    return seconds;
}

// A path that names nothing is no path: refused rather than taken as "the default".
QString requiredPath(const QString& text, const QString& what)
{
    if (text.trimmed().isEmpty())
        throw Exception(QStringLiteral("%1 vazio: informe um caminho").arg(what));
    return text;
}

void readSettings(const ConfigFile& file, HostOptions& options)
{
    const auto given = [&file](const char* section, const char* key, auto apply) {
        if (const auto value = file.value(QLatin1String(section), QLatin1String(key))) {
            try {
                apply(*value);
            } catch (const Exception& e) {
                throw Exception(QStringLiteral("%1:%2: %3")
                                    .arg(VisibleText::of(file.name()))
                                    .arg(file.line(QLatin1String(section), QLatin1String(key)))
                                    .arg(e.Message()));
            }
        }
    };
    given("login", "branch", [&](const QString& v) { options.branch = v; });
    given("login", "operator", [&](const QString& v) { options.operatorCode = v; });
    given("database", "engine",
          [&](const QString& v) { options.database.engine = engineFromName(v); });
    given("database", "path", [&](const QString& v) {
        options.database.path = requiredPath(v, QStringLiteral("[database] path"));
    });
    given("database", "user", [&](const QString& v) { options.database.user = v; });
    given("database", "password", [&](const QString& v) { options.database.password = v; });
    given("database", "dialect",
          [&](const QString& v) { options.database.dialect = dialectFromName(v); });
    given("database", "connect-timeout", [&](const QString& v) {
        options.database.connectTimeoutSeconds =
            secondsFromText(v, QStringLiteral("[database] connect-timeout"));
    });
    given("reports", "directory", [&](const QString& v) {
        options.reportsDirectory = requiredPath(v, QStringLiteral("[reports] directory"));
    });
    given("reports", "time-limit", [&](const QString& v) {
        options.database.reportTimeLimitSeconds =
            secondsFromText(v, QStringLiteral("[reports] time-limit"));
    });
}

// Reads the settings a file holds over those already in options; a file that is no INI file
// or holds a bad value raises an Exception naming it. Unknown sections and keys are warnings,
// errors when strict.
void readConfigFile(const QString& path, HostOptions& options, bool strict)
{
    const ConfigFile file = ConfigFile::read(path);
    // A password that others may read is no secret. Every operator reads the machine's file:
    // the password goes, not their access to it.
    if (file.contains(QStringLiteral("database"), QStringLiteral("password")) &&
        Password::readableByOthers(path))
        throw Exception(
            QFileInfo(path) == QFileInfo(AppPaths::systemConfigFile())
                ? QStringLiteral("o arquivo de configuração '%1' guarda uma senha e todos os "
                                 "operadores o leem; tire a linha password dele (cada operador "
                                 "entra com a sua senha; um trabalho agendado usa "
                                 "--password-file)")
                      .arg(VisibleText::of(path))
                : QStringLiteral("o arquivo de configuração '%1' guarda uma senha e pode ser "
                                 "lido por outros usuários; corrija com: chmod 600 %1")
                      .arg(VisibleText::of(path)));
    // What earlier versions remembered in the user's file is read into the state file, not
    // unknown.
    const bool user = QFileInfo(path) == QFileInfo(AppPaths::userConfigFile());
    const QStringList earlier = user ? ProgramState::earlierSections() : QStringList();
    const QStringList unknown = file.unknown(knownSettings(), earlier);
    if (strict && !unknown.isEmpty())
        throw Exception(unknown.join(QLatin1Char('\n')) +
                        QStringLiteral("\n(--strict recusa seções e chaves desconhecidas)"));
    options.warnings << unknown;
    for (const QString& section : earlier)
        if (const int line = file.sectionLine(section))
            options.warnings << QStringLiteral(
                                    "%1:%2: [%3] guarda o que versões anteriores lembravam; "
                                    "a primeira execução o copiou para %4, e a seção pode ser "
                                    "apagada")
                                    .arg(VisibleText::of(path))
                                    .arg(line)
                                    .arg(section, VisibleText::of(ProgramState::filePath()));
    readSettings(file, options);
}

} // namespace

QList<QCommandLineOption> HostOptions::commandLineOptions()
{
    const auto valued = [](const char* name, const QString& what = QStringLiteral("um valor")) {
        return QCommandLineOption(QLatin1String(name), QString(), what);
    };
    return {valued("config", QStringLiteral("um arquivo")),
            QCommandLineOption(QStringLiteral("strict")),
            valued("connect-timeout", QStringLiteral("um número de segundos")),
            valued("time-limit", QStringLiteral("um número de segundos")),
            valued("db"),
            valued("database"),
            valued("dialect"),
            valued("branch"),
            valued("operator"),
            valued("user"),
            valued("password-file", QStringLiteral("um arquivo")),
            valued("reports"),
            QCommandLineOption(QStringLiteral("open"))};
}

HostOptions HostOptions::from(const CommandLine& commandLine)
{
    HostOptions options;
    // The system-wide file first, then the user's own (or the first file --config names in
    // its place), then the command line: each overrides what the one before set.
    const bool strict = commandLine.isSet(QStringLiteral("strict"));
    const QString systemConfig = AppPaths::systemConfigFile();
    if (QFileInfo::exists(systemConfig))
        readConfigFile(systemConfig, options, strict);
    if (commandLine.isSet(QStringLiteral("config")))
        readConfigFile(commandLine.values(QStringLiteral("config")).first(), options, strict);
    else if (QFileInfo::exists(AppPaths::userConfigFile()))
        readConfigFile(AppPaths::userConfigFile(), options, strict);
    ProgramState::importEarlier(AppPaths::userConfigFile());
    const auto given = [&commandLine](const char* name, auto apply) {
        if (commandLine.isSet(QLatin1String(name)))
            apply(commandLine.value(QLatin1String(name)));
    };
    given("db", [&](const QString& v) { options.database.engine = engineFromName(v); });
    given("database", [&](const QString& v) {
        options.database.path = requiredPath(v, QStringLiteral("--database"));
    });
    given("connect-timeout", [&](const QString& v) {
        options.database.connectTimeoutSeconds =
            secondsFromText(v, QStringLiteral("--connect-timeout"));
    });
    given("time-limit", [&](const QString& v) {
        options.database.reportTimeLimitSeconds =
            secondsFromText(v, QStringLiteral("--time-limit"));
    });
    given("dialect", [&](const QString& v) { options.database.dialect = dialectFromName(v); });
    given("branch", [&](const QString& v) { options.branch = v; });
    // The operator is the user who logs in: naming another one is refused. The command line
    // names them over the configuration.
    const auto identity = [](const QString& user, const QString& operatorCode) {
        if (!user.isEmpty() && !operatorCode.isEmpty() &&
            user.compare(operatorCode, Qt::CaseInsensitive) != 0)
            throw ELoginRefused(
                QStringLiteral("o operador é o usuário que entrou: %1").arg(VisibleText::of(user)));
        return user.isEmpty() ? operatorCode : user;
    };
    const QString configured = identity(options.database.user, options.operatorCode);
    const QString named = identity(commandLine.value(QStringLiteral("user")),
                                   commandLine.value(QStringLiteral("operator")));
    // Operators are server users, whose names the server keeps in capitals (the login
    // dialog and klx-admin write them so too).
    options.database.user = (named.isEmpty() ? configured : named).toUpper();
    given("password-file", [&](const QString& v) { options.passwordFile = v; });
    given("reports", [&](const QString& v) {
        options.reportsDirectory = requiredPath(v, QStringLiteral("--reports"));
    });
    options.openScreen = commandLine.isSet(QStringLiteral("open"));
    // Only the demo database, taken when no path is given anywhere, is ever created.
    if (options.database.path.isEmpty() &&
        options.database.engine == DatabaseConfig::Engine::Sqlite) {
        options.database.path = AppPaths::demoDatabaseFile();
        options.database.createWithDemoData = true;
    }
    // The demo database logs in as its administrator without asking.
    if (options.database.user.isEmpty() && options.database.createWithDemoData)
        options.database.user = QStringLiteral("ADM");
    options.operatorCode = options.database.user;
    if (options.reportsDirectory.isEmpty())
        options.reportsDirectory = AppPaths::shippedReportsDirectory();
    if (options.database.path.isEmpty())
        throw Exception(QStringLiteral("--database é obrigatório com --db firebird"));
    return options;
}

bool HostOptions::needsPassword() const
{
    return database.engine == DatabaseConfig::Engine::Firebird &&
           !FirebirdAddress::isLocal(database.path);
}

void HostOptions::requirePassword(bool mayAsk)
{
    if (!needsPassword())
        return;
    if (!passwordFile.isEmpty()) {
        database.password = Password::fromFile(passwordFile);
        return;
    }
    if (!qEnvironmentVariableIsEmpty("KLX_PASSWORD")) {
        database.password = qEnvironmentVariable("KLX_PASSWORD");
        return;
    }
    if (!database.password.isEmpty())
        return;
    if (database.user.isEmpty())
        throw ELoginRefused(QStringLiteral("informe o operador com --user"));
    if (mayAsk)
        if (const auto typed = Password::ask(QStringLiteral("Senha de %1: ").arg(database.user)))
            database.password = *typed;
    if (database.password.isEmpty())
        throw ELoginRefused(QStringLiteral("sem senha para o operador %1: use --password-file "
                                           "ARQUIVO (modo 600), a variável KLX_PASSWORD ou um "
                                           "terminal")
                                .arg(database.user));
}

HostOptions HostOptions::parse(const QStringList& args)
{
    CommandLine commandLine(commandLineOptions());
    commandLine.parse(args);
    return from(commandLine);
}

QString HostOptions::usage()
{
    return QStringLiteral(
        "  --config FILE        arquivo INI lido no lugar de ~/.config/klx/klx.ini, depois de\n"
        "                       /etc/klx/klx.ini ([login] branch, operator; [database] engine,\n"
        "                       path, user, password, dialect, connect-timeout; [reports]\n"
        "                       directory, time-limit); com\n"
        "                       senha, só o dono pode lê-lo (chmod 600)\n"
        "  --db sqlite|firebird banco de dados (padrão: sqlite embutido com dados de "
        "demonstração)\n"
        "  --database PATH      arquivo do banco (Firebird: arquivo .fdb local ou host:/caminho)\n"
        "  --dialect oracle|mssql|ib  dialeto dos textos SQL das consultas\n"
        "  --branch CODE        filial (padrão 01)\n"
        "  --operator CODE      operador: no servidor Firebird, o usuário que entra (--user);\n"
        "                       no banco de demonstração, ADM sem pedir\n"
        "  --user NOME          usuário do servidor Firebird, que é o operador\n"
        "  --password-file ARQ  arquivo com a senha do usuário (só o dono pode lê-lo);\n"
        "                       sem ele, a variável KLX_PASSWORD ou a pergunta no terminal\n"
        "  --reports DIR        diretório das definições de relatório\n"
        "  --connect-timeout S  espera máxima pela resposta do servidor Firebird (padrão 10 s)\n"
        "  --time-limit S       tempo máximo da consulta de um relatório (padrão 1800 s)\n"
        "  --strict             recusa seções e chaves desconhecidas nos arquivos de\n"
        "                       configuração (sem ela, só avisa)\n"
        "  --version            mostra a versão do programa\n");
}
