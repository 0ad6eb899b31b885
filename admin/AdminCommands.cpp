#include "AdminCommands.h"

#include "Administration.h"
#include "DataImport.h"
#include "DatabaseCheck.h"
#include "FieldRules.h"
#include "IssueLogCommands.h"
#include "Operators.h"
#include "Organization.h"
#include "Repair.h"

#include <cstdio>

namespace AdminCommands {

namespace {

void say(const QString& text)
{
    std::printf("%s\n", qUtf8Printable(text));
    std::fflush(stdout);
}

void complain(const QString& text)
{
    std::fprintf(stderr, "klx-admin: %s\n", qUtf8Printable(text));
}

// The words a command takes, exactly; raises EBadCommandLine naming the command's form.
void requireWords(const QStringList& words, int count, const QString& form)
{
    if (words.size() != count)
        throw EBadCommandLine(QStringLiteral("uso: klx-admin --database BANCO %1").arg(form));
}

int runOperator(Administration& administration, const AdminOptions& options)
{
    const QStringList& words = options.words;
    const QString verb = words.value(0);
    Operators operators(administration);
    if (verb == QLatin1String("add")) {
        requireWords(words, 2,
                     QStringLiteral("operator add NOME --companies 01,02|all [--password-file ARQ] "
                                    "[--reset-password] [--name \"Nome\"]"));
        say(operators.add(words.at(1), options.companies, options.passwordFile, options.name,
                          options.resetPassword));
    } else if (verb == QLatin1String("remove")) {
        requireWords(words, 2, QStringLiteral("operator remove NOME [--drop-login]"));
        say(operators.remove(words.at(1), options.dropLogin));
    } else if (verb == QLatin1String("rename")) {
        requireWords(words, 3,
                     QStringLiteral("operator rename NOME NOVO [--password-file ARQ] "
                                    "[--drop-login]"));
        say(operators.rename(words.at(1), words.at(2), options.passwordFile, options.dropLogin));
    } else if (verb == QLatin1String("password")) {
        requireWords(words, 2, QStringLiteral("operator password NOME [--password-file ARQ]"));
        say(operators.changePassword(words.at(1), options.passwordFile));
    } else if (verb == QLatin1String("list")) {
        requireWords(words, 1, QStringLiteral("operator list"));
        for (const QString& line : operators.list())
            say(line);
    } else {
        throw EBadCommandLine(
            QStringLiteral("operator: use add, remove, rename, password ou list"));
    }
    return 0;
}

int runOrganization(Administration& administration, const AdminOptions& options)
{
    const QStringList& words = options.words;
    const QString verb = words.value(0);
    Organization organization(administration);
    if (options.command == QLatin1String("company")) {
        requireWords(words, 3, QStringLiteral("company add|rename CÓDIGO NOME"));
        if (verb == QLatin1String("add"))
            say(organization.addCompany(words.at(1), words.at(2)));
        else if (verb == QLatin1String("rename"))
            say(organization.renameCompany(words.at(1), words.at(2)));
        else
            throw EBadCommandLine(QStringLiteral("company: use add ou rename"));
        return 0;
    }
    if (verb == QLatin1String("add") && options.date) {
        requireWords(words, 3, QStringLiteral("branch add CÓDIGO NOME --date DD/MM/AAAA"));
        say(organization.addBranch(words.at(1), words.at(2), *options.date));
    } else if (verb == QLatin1String("rename")) {
        requireWords(words, 3, QStringLiteral("branch rename CÓDIGO NOME"));
        say(organization.renameBranch(words.at(1), words.at(2)));
    } else if (verb == QLatin1String("date") && words.size() == 3) {
        const auto date = FieldRules::date(words.at(2));
        if (!date)
            throw EBadCommandLine(
                QStringLiteral("data inválida '%1' (use DD/MM/AAAA)").arg(words.at(2)));
        say(organization.setProcessingDate(words.at(1), *date));
    } else {
        throw EBadCommandLine(QStringLiteral("uso: klx-admin --database BANCO branch add CÓDIGO "
                                             "NOME --date DD/MM/AAAA | branch rename CÓDIGO NOME "
                                             "| branch date CÓDIGO DD/MM/AAAA"));
    }
    return 0;
}

int runCheck(Administration& administration, const AdminOptions& options)
{
    requireWords(options.words, 0, QStringLiteral("check [--file ARQ]..."));
    bool sound = true;
    using Level = DatabaseCheck::Finding::Level;
    for (const DatabaseCheck::Finding& finding :
         DatabaseCheck::run(administration, options.checkedFiles)) {
        say((finding.level == Level::Ok        ? QStringLiteral("ok    ")
             : finding.level == Level::Warning ? QStringLiteral("AVISO ")
                                               : QStringLiteral("ERRO  ")) +
            finding.text);
        sound = sound && finding.level != Level::Error;
    }
    if (sound)
        return 0;
    complain(QStringLiteral("o banco ou os arquivos têm problemas (linhas ERRO acima)"));
    return 1;
}

int runImport(Administration& administration, const AdminOptions& options)
{
    DataImport import(administration, [](const QString& progress) { complain(progress); });
    const DataImport::Result result = import.run(options.words, options.dryRun);
    for (const QString& line : result.done)
        say(line);
    for (const QString& line : result.rejected)
        std::fprintf(stderr, "%s\n", qUtf8Printable(line));
    if (result.rejectedCount > 0) {
        complain(
            QStringLiteral("%1 linhas recusadas%2; nada foi gravado")
                .arg(result.rejectedCount)
                .arg(result.rejectedCount > result.rejected.size()
                         ? QStringLiteral(" (as primeiras %1 acima)").arg(result.rejected.size())
                         : QString()));
        return 1;
    }
    say(result.written ? QStringLiteral("importado: tudo numa transação")
                       : QStringLiteral("simulação (--dry-run): todas as linhas são válidas; nada "
                                        "foi gravado"));
    return 0;
}

int runIssueLog(Administration& administration, const AdminOptions& options)
{
    if (options.command == QLatin1String("log")) {
        requireWords(options.words, 0,
                     QStringLiteral("log [--since DD/MM/AAAA] [--operator NOME]"));
        for (const QString& line :
             IssueLogCommands::log(administration, options.since, options.operatorFilter))
            say(line);
        return 0;
    }
    requireWords(options.words, 1, QStringLiteral("verify ARQUIVO"));
    const IssueLogCommands::Verdict verdict =
        IssueLogCommands::verify(administration, options.words.at(0));
    if (verdict.unchanged) {
        say(verdict.text);
        return 0;
    }
    complain(verdict.text);
    return 1;
}

int runSchema(Administration& administration, const AdminOptions& options)
{
    if (options.command == QLatin1String("create")) {
        requireWords(options.words, 0, QStringLiteral("create [--demo] [--embedded]"));
        say(administration.create(options.demo));
    } else if (options.command == QLatin1String("upgrade")) {
        requireWords(options.words, 0, QStringLiteral("upgrade [--repair]"));
        say(administration.upgrade());
        if (options.repair)
            say(Repair::run(administration));
    } else {
        requireWords(options.words, 0, QStringLiteral("repair"));
        say(Repair::run(administration));
    }
    return 0;
}

const QStringList& commands()
{
    static const QStringList names{QStringLiteral("create"),   QStringLiteral("upgrade"),
                                   QStringLiteral("repair"),   QStringLiteral("check"),
                                   QStringLiteral("operator"), QStringLiteral("company"),
                                   QStringLiteral("branch"),   QStringLiteral("import"),
                                   QStringLiteral("log"),      QStringLiteral("verify")};
    return names;
}

} // namespace

bool known(const QString& command)
{
    return commands().contains(command);
}

int run(const AdminOptions& options)
{
    Administration administration(options);
    const QString& command = options.command;
    if (command == QLatin1String("operator"))
        return runOperator(administration, options);
    if (command == QLatin1String("company") || command == QLatin1String("branch"))
        return runOrganization(administration, options);
    if (command == QLatin1String("check"))
        return runCheck(administration, options);
    if (command == QLatin1String("import"))
        return runImport(administration, options);
    if (command == QLatin1String("log") || command == QLatin1String("verify"))
        return runIssueLog(administration, options);
    return runSchema(administration, options);
}

} // namespace AdminCommands
