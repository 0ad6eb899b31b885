// The host application: opens the check report screen in its main window, and runs the
// screen headless to write reports.
#include "AppPaths.h"
#include "HostLogin.h"
#include "HostOptions.h"
#include "HostSession.h"
#include "Interruption.h"
#include "OffscreenMessages.h"
#include "ReportCommand.h"
#include "Version.h"
#include "base/Consiste.h"
#include "base/Exceptions.h"
#include "base/Localization.h"
#include "base/VisibleText.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// Opens the session, through the login dialog when one is needed; nullptr when the user
// cancels it.
std::unique_ptr<HostSession> logIn(HostOptions options)
{
    if (!HostLogin::asks(options))
        return std::make_unique<HostSession>(options);
    std::unique_ptr<HostSession> session;
    if (HostLogin::dialog(options, session)->exec() != QDialog::Accepted)
        return nullptr;
    return session;
}

int runApplication(const QStringList& args)
{
    HostOptions options;
    try {
        options = HostOptions::parse(args);
    } catch (const Exception& e) {
        std::fprintf(stderr, "klx: %s\n\nOpções:\n%s",
                     qUtf8Printable(VisibleText::ofMessage(e.Message())),
                     qUtf8Printable(HostOptions::usage()));
        return 2;
    }
    for (const QString& warning : std::as_const(options.warnings))
        std::fprintf(stderr, "klx: aviso: %s\n", qUtf8Printable(warning));
    try {
        const std::unique_ptr<HostSession> opened = logIn(options);
        if (!opened)
            return 1;
        HostSession& session = *opened;
        Consiste::SetPresenter([&session](const QString& text) {
            QWidget* parent = QApplication::activeWindow();
            QMessageBox::warning(parent ? parent : &session.mainWindow(), QStringLiteral("Atenção"),
                                 text);
        });
        session.mainWindow().show();
        if (options.openScreen)
            session.openScreen();
        const int code = QApplication::exec();
        Consiste::SetPresenter({});
        return code;
    } catch (const Exception& e) {
        QMessageBox::critical(nullptr, QStringLiteral("KLX"), e.Message());
        std::fprintf(stderr, "klx: %s\n", qUtf8Printable(VisibleText::ofMessage(e.Message())));
        return 1;
    }
}

} // namespace

// True when there is no display to show windows on and no platform was asked for.
bool headless()
{
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
           qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

// Whether the arguments name an output file ("--output FILE" or "--output=FILE").
bool namesOutput(const QStringList& args)
{
    return std::any_of(args.cbegin(), args.cend(), [](const QString& arg) {
        return arg == QLatin1String("--output") || arg.startsWith(QLatin1String("--output="));
    });
}

// "--version" anywhere on the command line ("klx --version", "klx report --version").
bool asksForVersion(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0)
            return true;
    return false;
}

int main(int argc, char* argv[])
{
    Interruption::install();
    if (asksForVersion(argc, argv)) {
        std::printf("klx %s\n", KLX_VERSION);
        return 0;
    }
    QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    // Without a display, opening the screen writes its report instead.
    const bool reportInstead = command != QLatin1String("report") && headless();
    if ((command == QLatin1String("report") || reportInstead) &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own notes about the offscreen platform and a missing runtime folder are no errors.
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
        quietOffscreenWarnings();
    QApplication app(argc, argv);
    AppPaths::setApplicationIdentity();
    // A Wayland dock links the window to its launcher by the desktop file's name.
    QGuiApplication::setDesktopFileName(QStringLiteral("klx"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/klx.svg")));
    Localization::install();
    QStringList args = QApplication::arguments().mid(1);
    if (command == QLatin1String("report"))
        return host::ReportCommand::run(args.mid(1));
    if (reportInstead && command != QLatin1String("--help") && command != QLatin1String("-h")) {
        args.removeAll(QStringLiteral("--open"));
        if (!namesOutput(args))
            args << QStringLiteral("--output") << QStringLiteral("relacao-de-cheques.pdf");
        std::fprintf(stderr, "klx: sem tela disponível; gravando o relatório da tela.\n");
        return host::ReportCommand::run(args);
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        std::printf("uso: klx [OPÇÕES] [--open]\n"
                    "     klx report [CRITÉRIOS] --output ARQUIVO.pdf|.csv (klx report --help)\n"
                    "     klx --version\n\n"
                    "Opções:\n%s",
                    qUtf8Printable(HostOptions::usage()));
        return 0;
    }
    return runApplication(args);
}
