#include "AdminOptions.h"

#include "Password.h"
#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"

#include <QCommandLineParser>

AdminOptions AdminOptions::parse(const QStringList& args)
{
    QCommandLineParser parser;
    const auto valued = [](const char* name, const char* value) {
        return QCommandLineOption(QLatin1String(name), QString(), QLatin1String(value));
    };
    const QCommandLineOption database = valued("database", "CAMINHO");
    const QCommandLineOption engine = valued("db", "sqlite|firebird");
    const QCommandLineOption user = valued("user", "NOME");
    const QCommandLineOption companies = valued("companies", "LISTA");
    const QCommandLineOption passwordFile = valued("password-file", "ARQUIVO");
    const QCommandLineOption name = valued("name", "NOME");
    const QCommandLineOption file = valued("file", "ARQUIVO");
    const QCommandLineOption demo(QStringLiteral("demo"));
    parser.addOptions({database, engine, user, companies, passwordFile, name, file, demo});
    if (!parser.parse(QStringList{QStringLiteral("klx-admin")} + args))
        throw Exception(parser.errorText());
    AdminOptions options;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        throw Exception(QStringLiteral("falta o comando (create, upgrade, operator, check)"));
    options.command = positional.first();
    options.words = positional.mid(1);
    if (!parser.isSet(database))
        throw Exception(QStringLiteral("informe o banco com --database"));
    options.database.path = parser.value(database);
    const QString engineName = parser.value(engine);
    if (engineName == QLatin1String("sqlite"))
        options.database.engine = DatabaseConfig::Engine::Sqlite;
    else if (engineName.isEmpty() || engineName == QLatin1String("firebird"))
        options.database.engine = DatabaseConfig::Engine::Firebird;
    else
        throw Exception(
            QStringLiteral("banco desconhecido '%1' (use sqlite ou firebird)").arg(engineName));
    options.database.administrator = true;
    options.database.user = parser.isSet(user) ? parser.value(user) : QStringLiteral("SYSDBA");
    options.companies = parser.value(companies);
    options.passwordFile = parser.value(passwordFile);
    options.name = parser.value(name);
    options.demo = parser.isSet(demo);
    options.checkedFiles = parser.values(file);
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
    if (database.password.isEmpty())
        if (const auto typed = Password::ask(QStringLiteral("Senha de %1: ").arg(database.user)))
            database.password = *typed;
    if (database.password.isEmpty())
        throw ELoginRefused(QStringLiteral("sem a senha de %1: defina KLX_SYSDBA_PASSWORD ou rode "
                                           "num terminal")
                                .arg(database.user));
}

QString AdminOptions::usage()
{
    return QStringLiteral(
        "uso: klx-admin --database BANCO [--db firebird|sqlite] [--user SYSDBA] COMANDO\n"
        "\n"
        "Administra o banco do KLX: cria, atualiza, cadastra operadores e confere.\n"
        "BANCO é host/porta:/caminho/klx.fdb num servidor Firebird, um arquivo .fdb local\n"
        "(motor embutido) ou, com --db sqlite, um arquivo SQLite. No servidor, a senha do\n"
        "administrador (SYSDBA) vem de KLX_SYSDBA_PASSWORD ou é pedida no terminal, sem eco;\n"
        "nunca é gravada.\n"
        "\n"
        "Comandos:\n"
        "  create [--demo]                 cria o banco e as tabelas (--demo: com os dados de\n"
        "                                  demonstração)\n"
        "  upgrade                         leva o banco à versão atual do esquema\n"
        "  operator add NOME --companies 01,02|all [--password-file ARQ] [--name \"Nome\"]\n"
        "                                  cadastra o operador ou completa o que falta: o\n"
        "                                  usuário do servidor (com a senha do arquivo), o\n"
        "                                  papel KLX_RELATORIO e as empresas dadas\n"
        "  operator remove NOME            retira o operador, suas empresas, o papel e o\n"
        "                                  usuário do servidor\n"
        "  operator rename NOME NOVO --password-file ARQ\n"
        "                                  troca o nome (o servidor não renomeia usuários:\n"
        "                                  NOVO é criado com a senha do arquivo)\n"
        "  operator password NOME --password-file ARQ\n"
        "                                  troca a senha do operador no servidor\n"
        "  check [--file ARQ]...           confere a versão, o procedimento CODES, a visão\n"
        "                                  CHEQUE_OPERADOR, o papel e suas permissões, os\n"
        "                                  operadores, e os arquivos (dono e modo do banco,\n"
        "                                  configurações e arquivos de senha legíveis por\n"
        "                                  outros)\n"
        "\n"
        "Um arquivo de senha guarda a senha na primeira linha e só o dono pode lê-lo\n"
        "(chmod 600). Tudo de um comando vai numa transação: uma falha não deixa nada pela\n"
        "metade.\n"
        "\n"
        "Saída: 0 feito; 1 falha (ou check encontrou problemas); 2 linha de comando\n"
        "inválida; 3 servidor inacessível; 4 senha do administrador recusada ou ausente.\n");
}
