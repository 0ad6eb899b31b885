#include "AdminOptions.h"

#include "FieldRules.h"
#include "Password.h"
#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"

#include <QCommandLineParser>

namespace {

std::optional<QDate> dateOption(const QCommandLineParser& parser, const QString& option)
{
    if (!parser.isSet(option))
        return std::nullopt;
    const auto date = FieldRules::date(parser.value(option));
    if (!date)
        throw EBadCommandLine(QStringLiteral("--%1: data inválida '%2' (use DD/MM/AAAA)")
                                  .arg(option, parser.value(option)));
    return date;
}

int secondsOption(const QCommandLineParser& parser, const QString& option, int otherwise)
{
    if (!parser.isSet(option))
        return otherwise;
    bool ok = false;
    const int seconds = parser.value(option).toInt(&ok);
    if (!ok || seconds < 1 || seconds > 86400)
        throw EBadCommandLine(QStringLiteral("--%1 inválido: '%2' (segundos, de 1 a 86400)")
                                  .arg(option, parser.value(option)));
    return seconds;
}

void readEngine(const QString& engineName, AdminOptions& options)
{
    if (engineName == QLatin1String("sqlite"))
        options.database.engine = DatabaseConfig::Engine::Sqlite;
    else if (engineName.isEmpty() || engineName == QLatin1String("firebird"))
        options.database.engine = DatabaseConfig::Engine::Firebird;
    else
        throw EBadCommandLine(
            QStringLiteral("banco desconhecido '%1' (use sqlite ou firebird)").arg(engineName));
}

} // namespace

AdminOptions AdminOptions::parse(const QStringList& args)
{
    QCommandLineParser parser;
    const auto valued = [](const char* name, const char* value) {
        return QCommandLineOption(QLatin1String(name), QString(), QLatin1String(value));
    };
    const auto flag = [](const char* name) { return QCommandLineOption(QLatin1String(name)); };
    parser.addOptions(
        {valued("database", "CAMINHO"), valued("db", "sqlite|firebird"), valued("user", "NOME"),
         valued("companies", "LISTA"), valued("password-file", "ARQUIVO"), valued("name", "NOME"),
         valued("file", "ARQUIVO"), valued("connect-timeout", "S"), valued("since", "DATA"),
         valued("operator", "NOME"), valued("date", "DATA"), flag("demo"), flag("embedded"),
         flag("drop-login"), flag("reset-password"), flag("repair"), flag("dry-run")});
    if (!parser.parse(QStringList{QStringLiteral("klx-admin")} + args))
        throw EBadCommandLine(parser.errorText());
    AdminOptions options;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        throw EBadCommandLine(QStringLiteral("falta o comando"));
    options.command = positional.first();
    options.words = positional.mid(1);
    if (!parser.isSet(QStringLiteral("database")) ||
        parser.value(QStringLiteral("database")).trimmed().isEmpty())
        throw EBadCommandLine(QStringLiteral("informe o banco com --database"));
    options.database.path = parser.value(QStringLiteral("database"));
    readEngine(parser.value(QStringLiteral("db")), options);
    options.database.administrator = true;
    const QString iscUser = qEnvironmentVariable("ISC_USER");
    options.database.user = parser.isSet(QStringLiteral("user"))
                                ? parser.value(QStringLiteral("user"))
                            : !iscUser.isEmpty() ? iscUser
                                                 : QStringLiteral("SYSDBA");
    options.database.connectTimeoutSeconds =
        secondsOption(parser, QStringLiteral("connect-timeout"), 10);
    options.companies = parser.value(QStringLiteral("companies"));
    options.passwordFile = parser.value(QStringLiteral("password-file"));
    options.name = parser.value(QStringLiteral("name"));
    options.operatorFilter = parser.value(QStringLiteral("operator"));
    options.since = dateOption(parser, QStringLiteral("since"));
    options.date = dateOption(parser, QStringLiteral("date"));
    options.demo = parser.isSet(QStringLiteral("demo"));
    options.embedded = parser.isSet(QStringLiteral("embedded"));
    options.dropLogin = parser.isSet(QStringLiteral("drop-login"));
    options.resetPassword = parser.isSet(QStringLiteral("reset-password"));
    options.repair = parser.isSet(QStringLiteral("repair"));
    options.dryRun = parser.isSet(QStringLiteral("dry-run"));
    options.checkedFiles = parser.values(QStringLiteral("file"));
    return options;
}

bool AdminOptions::onServer() const
{
    return database.engine == DatabaseConfig::Engine::Firebird &&
           !FirebirdAddress::isLocal(database.path);
}

void AdminOptions::requireAdministratorPassword()
{
    if (!onServer())
        return;
    database.password = qEnvironmentVariable("KLX_SYSDBA_PASSWORD");
    const QString iscUser = qEnvironmentVariable("ISC_USER");
    if (database.password.isEmpty() &&
        (iscUser.isEmpty() || iscUser.compare(database.user, Qt::CaseInsensitive) == 0))
        database.password = qEnvironmentVariable("ISC_PASSWORD");
    if (database.password.isEmpty())
        if (const auto typed = Password::ask(QStringLiteral("Senha de %1: ").arg(database.user)))
            database.password = *typed;
    if (database.password.isEmpty())
        throw ELoginRefused(QStringLiteral("sem a senha de %1: defina KLX_SYSDBA_PASSWORD (ou "
                                           "ISC_PASSWORD) ou rode num terminal")
                                .arg(database.user));
}

namespace {

QString commandsUsage()
{
    return QStringLiteral(
        "Banco:\n"
        "  create [--demo] [--embedded]    cria o banco e as tabelas (--demo: com os dados de\n"
        "                                  demonstração); um arquivo .fdb local só com\n"
        "                                  --embedded: num servidor, use localhost:/caminho\n"
        "  upgrade [--repair]              leva o banco à versão atual do esquema\n"
        "  repair                          devolve as permissões, a visão, os procedimentos e\n"
        "                                  o papel como o esquema os tem e tira o que ele não dá\n"
        "  check [--file ARQ]...           confere o esquema, as permissões, se cada operador\n"
        "                                  entra, as empresas que ninguém vê e os arquivos\n"
        "Operadores (no servidor, cada um é um usuário do servidor, que vale para todos os\n"
        "bancos dele):\n"
        "  operator add NOME --companies 01,02|all [--password-file ARQ] [--reset-password]\n"
        "               [--name \"Nome\"]     cadastra o operador neste banco; um usuário novo do\n"
        "                                  servidor leva a senha do arquivo (ou digitada duas\n"
        "                                  vezes); um existente mantém a sua, salvo com\n"
        "                                  --reset-password; all: todas as empresas, as novas\n"
        "                                  também\n"
        "  operator remove NOME [--drop-login]\n"
        "                                  retira o operador deste banco; o usuário do servidor\n"
        "                                  fica, salvo com --drop-login\n"
        "  operator rename NOME NOVO [--password-file ARQ] [--drop-login]\n"
        "  operator password NOME [--password-file ARQ]\n"
        "                                  troca a senha do usuário no servidor e o reativa\n"
        "  operator list                   operadores, empresas, usuário do servidor e papel\n"
        "Empresas e filiais:\n"
        "  company add|rename CÓDIGO NOME\n"
        "  branch add CÓDIGO NOME --date DD/MM/AAAA | branch rename CÓDIGO NOME\n"
        "  branch date CÓDIGO DD/MM/AAAA   data de processamento da filial\n"
        "  import [--dry-run] ARQ.csv...   empresas, bancos, filiais, contas e cheques; as\n"
        "                                  colunas nomeadas na primeira linha; tudo ou nada\n"
        "Relatórios emitidos:\n"
        "  log [--since DD/MM/AAAA] [--operator NOME]\n"
        "  verify ARQUIVO                  que emissão é o arquivo e se está inalterado\n");
}

} // namespace

QString AdminOptions::usage()
{
    return QStringLiteral(
               "uso: klx-admin --database BANCO [--db firebird|sqlite] [--user DONO]\n"
               "                [--connect-timeout S] COMANDO\n"
               "     klx-admin --version\n"
               "\n"
               "BANCO é host/porta:/caminho/klx.fdb num servidor Firebird, um arquivo .fdb local\n"
               "(motor embutido) ou, com --db sqlite, um arquivo SQLite. No servidor, o dono\n"
               "(--user, ISC_USER ou SYSDBA) entra com a senha de KLX_SYSDBA_PASSWORD, de\n"
               "ISC_PASSWORD ou perguntada no terminal, sem eco; nunca é gravada. O servidor tem\n"
               "--connect-timeout segundos (10) para responder; SIGTERM ou SIGINT encerram.\n"
               "\n") +
           commandsUsage() +
           QStringLiteral(
               "\n"
               "Um arquivo de senha guarda a senha (8 caracteres ou mais) na primeira linha e\n"
               "só o dono pode lê-lo (chmod 600). Tudo de um comando vai numa transação: uma\n"
               "falha não deixa nada pela metade.\n"
               "\n"
               "Saída: 0 feito; 1 falha (check com problemas, verify de um arquivo alterado,\n"
               "import com linhas recusadas); 2 linha de comando inválida (arquivos dados\n"
               "inclusive); 3 servidor inacessível ou sem resposta; 4 senha do dono recusada\n"
               "ou ausente; 130 ou 143 interrompido por SIGINT ou SIGTERM.\n");
}
