#include "HostOptions.h"

#include "AppPaths.h"
#include "CommandLine.h"
#include "Password.h"
#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"

#include <QFileInfo>
#include <QSettings>

namespace {

DatabaseConfig::Engine engineFromName(const QString& name)
{
    if (name == QLatin1String("sqlite"))
        return DatabaseConfig::Engine::Sqlite;
    if (name == QLatin1String("firebird"))
        return DatabaseConfig::Engine::Firebird;
    throw Exception(QStringLiteral("banco desconhecido '%1' (use sqlite ou firebird)").arg(name));
}

SqlDialect dialectFromName(const QString& name)
{
    const auto dialect = sqlDialectFromName(name);
    if (!dialect)
        throw Exception(
            QStringLiteral("dialeto desconhecido '%1' (use oracle, mssql ou ib)").arg(name));
    return *dialect;
}

void readSettings(const QSettings& settings, HostOptions& options)
{
    options.branch = settings.value(QStringLiteral("login/branch"), options.branch).toString();
    options.operatorCode =
        settings.value(QStringLiteral("login/operator"), options.operatorCode).toString();
    if (settings.contains(QStringLiteral("database/engine")))
        options.database.engine =
            engineFromName(settings.value(QStringLiteral("database/engine")).toString());
    options.database.path =
        settings.value(QStringLiteral("database/path"), options.database.path).toString();
    options.database.user =
        settings.value(QStringLiteral("database/user"), options.database.user).toString();
    options.database.password =
        settings.value(QStringLiteral("database/password"), options.database.password).toString();
    if (settings.contains(QStringLiteral("database/dialect")))
        options.database.dialect =
            dialectFromName(settings.value(QStringLiteral("database/dialect")).toString());
    options.reportsDirectory =
        settings.value(QStringLiteral("reports/directory"), options.reportsDirectory).toString();
}

// Reads the settings a file holds over those already in options; a bad file raises an
// Exception naming it.
void readConfigFile(const QString& path, HostOptions& options)
{
    const QFileInfo file(path);
    if (!file.exists())
        throw Exception(QStringLiteral("arquivo de configuração '%1' não encontrado").arg(path));
    if (!file.isFile())
        throw Exception(
            QStringLiteral("'%1' não é um arquivo de configuração (é uma pasta ou um dispositivo)")
                .arg(path));
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError)
        throw Exception(QStringLiteral("arquivo de configuração '%1' ilegível").arg(path));
    // A password that others may read is no secret.
    if (settings.contains(QStringLiteral("database/password")) && Password::readableByOthers(path))
        throw Exception(QStringLiteral("o arquivo de configuração '%1' guarda uma senha e pode "
                                       "ser lido por outros usuários; corrija com: chmod 600 %1")
                            .arg(path));
    try {
        readSettings(settings, options);
    } catch (const Exception& e) {
        throw Exception(QStringLiteral("arquivo de configuração '%1': %2").arg(path, e.Message()));
    }
}

} // namespace

QList<QCommandLineOption> HostOptions::commandLineOptions()
{
    const auto valued = [](const char* name, const QString& what = QStringLiteral("um valor")) {
        return QCommandLineOption(QLatin1String(name), QString(), what);
    };
    return {valued("config", QStringLiteral("um arquivo")),
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
    const QString systemConfig = AppPaths::systemConfigFile();
    if (QFileInfo::exists(systemConfig))
        readConfigFile(systemConfig, options);
    if (commandLine.isSet(QStringLiteral("config")))
        readConfigFile(commandLine.values(QStringLiteral("config")).first(), options);
    else if (QFileInfo::exists(AppPaths::userConfigFile()))
        readConfigFile(AppPaths::userConfigFile(), options);
    const auto given = [&commandLine](const char* name, auto apply) {
        if (commandLine.isSet(QLatin1String(name)))
            apply(commandLine.value(QLatin1String(name)));
    };
    given("db", [&](const QString& v) { options.database.engine = engineFromName(v); });
    given("database", [&](const QString& v) { options.database.path = v; });
    given("dialect", [&](const QString& v) { options.database.dialect = dialectFromName(v); });
    given("branch", [&](const QString& v) { options.branch = v; });
    // The operator is the user who logs in: naming another one is refused. The command line
    // names them over the configuration.
    const auto identity = [](const QString& user, const QString& operatorCode) {
        if (!user.isEmpty() && !operatorCode.isEmpty() &&
            user.compare(operatorCode, Qt::CaseInsensitive) != 0)
            throw ELoginRefused(QStringLiteral("o operador é o usuário que entrou: %1").arg(user));
        return user.isEmpty() ? operatorCode : user;
    };
    const QString configured = identity(options.database.user, options.operatorCode);
    const QString named = identity(commandLine.value(QStringLiteral("user")),
                                   commandLine.value(QStringLiteral("operator")));
    options.database.user = named.isEmpty() ? configured : named;
    given("password-file", [&](const QString& v) { options.passwordFile = v; });
    given("reports", [&](const QString& v) { options.reportsDirectory = v; });
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
        "                       path, user, password, dialect; [reports] directory); com\n"
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
        "  --version            mostra a versão do programa\n");
}
