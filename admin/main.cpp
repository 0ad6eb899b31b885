// klx-admin: creates, upgrades, checks and repairs the application's database; adds, removes
// and renames its operators (server logins, companies and the report role), its companies and
// branches; imports an office's data; lists the reports issued and verifies their files.
#include "AdminCommands.h"
#include "AdminOptions.h"
#include "AppPaths.h"
#include "EndOnSignal.h"
#include "Version.h"
#include "base/Exceptions.h"
#include "base/Localization.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

namespace {

void fail(const QString& text)
{
    std::fprintf(stderr, "klx-admin: %s\n", qUtf8Printable(text));
}

bool asked(int argc, char* argv[], const char* option, const char* shortOption = nullptr)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], option) == 0 ||
            (shortOption && std::strcmp(argv[i], shortOption) == 0))
            return true;
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    EndOnSignal::install();
    if (asked(argc, argv, "--version")) {
        std::printf("klx-admin %s\n", KLX_VERSION);
        return 0;
    }
    QCoreApplication application(argc, argv);
    AppPaths::setApplicationIdentity();
    // The drivers' own words, in the messages that carry them, in Portuguese too.
    Localization::install();
    if (asked(argc, argv, "--help", "-h")) {
        std::printf("%s", qUtf8Printable(AdminOptions::usage()));
        return 0;
    }
    AdminOptions options;
    try {
        options = AdminOptions::parse(QCoreApplication::arguments().mid(1));
        if (!AdminCommands::known(options.command))
            throw EBadCommandLine(QStringLiteral("comando desconhecido '%1'").arg(options.command));
        options.requireAdministratorPassword();
        return AdminCommands::run(options);
    } catch (const EBadCommandLine& e) {
        fail(e.Message() + QStringLiteral("\n(klx-admin --help mostra os comandos)"));
        return 2;
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
