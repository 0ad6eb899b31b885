// klx-admin: creates and upgrades the application's database, adds, removes and renames its
// operators (server users, companies and the report role) and checks what a server needs.
#include "AdminOptions.h"
#include "Administration.h"
#include "AppPaths.h"
#include "DatabaseCheck.h"
#include "Password.h"
#include "base/Exceptions.h"

#include <QCoreApplication>
#include <cstdio>

namespace {

void say(const QString& text)
{
    std::printf("%s\n", qUtf8Printable(text));
}

void fail(const QString& text)
{
    std::fprintf(stderr, "klx-admin: %s\n", qUtf8Printable(text));
}

// The words a command takes, exactly; raises an Exception naming the command's form.
void requireWords(const QStringList& words, int count, const QString& form)
{
    if (words.size() != count)
        throw Exception(QStringLiteral("uso: klx-admin --database BANCO %1").arg(form));
}

QString passwordOf(const AdminOptions& options)
{
    return options.passwordFile.isEmpty() ? QString() : Password::fromFile(options.passwordFile);
}

int runOperatorCommand(Administration& administration, const AdminOptions& options)
{
    const QStringList& words = options.words;
    const QString verb = words.value(0);
    if (verb == QLatin1String("add")) {
        requireWords(words, 2,
                     QStringLiteral("operator add NOME --companies 01,02|all "
                                    "[--password-file ARQ]"));
        say(administration.addOperator(words.at(1), options.companies, passwordOf(options),
                                       options.name));
    } else if (verb == QLatin1String("remove")) {
        requireWords(words, 2, QStringLiteral("operator remove NOME"));
        say(administration.removeOperator(words.at(1)));
    } else if (verb == QLatin1String("rename")) {
        requireWords(words, 3, QStringLiteral("operator rename NOME NOVO --password-file ARQ"));
        say(administration.renameOperator(words.at(1), words.at(2), passwordOf(options)));
    } else if (verb == QLatin1String("password")) {
        requireWords(words, 2, QStringLiteral("operator password NOME --password-file ARQ"));
        say(administration.changePassword(words.at(1), passwordOf(options)));
    } else {
        throw Exception(QStringLiteral("operator: use add, remove, rename ou password"));
    }
    return 0;
}

int runCommand(const AdminOptions& options)
{
    Administration administration(options);
    if (options.command == QLatin1String("create")) {
        requireWords(options.words, 0, QStringLiteral("create [--demo]"));
        say(administration.create(options.demo));
    } else if (options.command == QLatin1String("upgrade")) {
        requireWords(options.words, 0, QStringLiteral("upgrade"));
        say(administration.upgrade());
    } else if (options.command == QLatin1String("operator")) {
        return runOperatorCommand(administration, options);
    } else {
        requireWords(options.words, 0, QStringLiteral("check [--file ARQ]..."));
        bool ok = true;
        for (const DatabaseCheck::Finding& finding :
             DatabaseCheck::run(administration, options.database.path, options.checkedFiles)) {
            say((finding.ok ? QStringLiteral("ok    ") : QStringLiteral("ERRO  ")) + finding.text);
            ok = ok && finding.ok;
        }
        if (!ok) {
            fail(QStringLiteral("o banco ou os arquivos têm problemas (linhas ERRO acima)"));
            return 1;
        }
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    AppPaths::setApplicationIdentity();
    const QStringList args = QCoreApplication::arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::printf("%s", qUtf8Printable(AdminOptions::usage()));
        return 0;
    }
    AdminOptions options;
    try {
        options = AdminOptions::parse(args);
        static const QStringList commands{QStringLiteral("create"), QStringLiteral("upgrade"),
                                          QStringLiteral("operator"), QStringLiteral("check")};
        if (!commands.contains(options.command))
            throw Exception(QStringLiteral("comando desconhecido '%1'").arg(options.command));
    } catch (const Exception& e) {
        fail(e.Message() + QStringLiteral("\n(klx-admin --help mostra os comandos)"));
        return 2;
    }
    try {
        options.requireAdministratorPassword();
        return runCommand(options);
    } catch (const ELoginRefused& e) {
        fail(e.Message());
        return 4;
    } catch (const EDatabaseUnavailable& e) {
        fail(e.Message());
        return 3;
    } catch (const Exception& e) {
        fail(e.Message());
        return 1;
    }
}
