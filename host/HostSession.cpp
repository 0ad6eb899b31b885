#include "HostSession.h"

#include "base/Dispatcher.h"
#include "data/LoginContext.h"
#include "form/TForm.h"
#include "report/engine/ReportCatalog.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QMdiSubWindow>

HostSession::HostSession(const HostOptions& options) : m_module(screenModulePath())
{
    dtmDBGeral = &m_database;
    try {
        m_database.open(options.database);
        LoginContext::Login(options.branch, options.operatorCode);
        if (!options.reportsDirectory.isEmpty())
            ReportCatalog::setDirectory(options.reportsDirectory);
        m_application.SetMdiArea(m_mainWindow.mdiArea());
        m_mainWindow.setSession(options.branch, options.operatorCode, databaseDescription());
        m_module.load();
        m_screen = ScreenDescription::read(m_module);
        m_mainWindow.addScreenEntry(m_screen.title(), m_screen.screenCode(),
                                    [this] { openScreen(); });
    } catch (...) {
        // A refused login (a wrong password, an unknown operator) leaves no data module
        // behind: the login dialog tries again with a session of its own.
        dtmDBGeral = nullptr;
        throw;
    }
}

QString HostSession::databaseDescription() const
{
    // The engine and the dialect of the SQL texts apart: a SQLite file runs the Oracle texts
    // by default, which is no Oracle database.
    const QString engine = m_database.config().engine == DatabaseConfig::Engine::Firebird
                               ? QStringLiteral("Firebird")
                               : QStringLiteral("SQLite");
    QString dialect;
    switch (m_database.dialect()) {
    case SqlDialect::Oracle:
        dialect = QStringLiteral("Oracle");
        break;
    case SqlDialect::MsSql:
        dialect = QStringLiteral("SQL Server");
        break;
    case SqlDialect::InterBase:
        dialect = QStringLiteral("InterBase");
        break;
    }
    return QStringLiteral("%1 %2 · textos SQL %3").arg(engine, m_database.config().path, dialect);
}

QString HostSession::screenModulePath()
{
    return ModuleLoader::pathFor(QStringLiteral(KLX_SCREEN_MODULE));
}

HostSession::~HostSession()
{
    // Forms go before the module whose code they run.
    m_mainWindow.mdiArea()->closeAllSubWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    qDeleteAll(m_mainWindow.mdiArea()->findChildren<QMdiSubWindow*>());
    while (m_module.isLoaded())
        m_module.unload();
    if (dtmDBGeral == &m_database)
        dtmDBGeral = nullptr;
}

void HostSession::openScreen()
{
    Dispatcher::run([this] { m_module.call("IniProc"); });
}

void HostSession::loadModule()
{
    m_module.load();
}

void HostSession::unloadModule()
{
    if (m_module.loadRequests() == 1)
        releaseModuleForms();
    m_module.unload();
}

void HostSession::releaseModuleForms()
{
    const auto windows = m_mainWindow.mdiArea()->subWindowList();
    for (QMdiSubWindow* window : windows)
        if (qobject_cast<TForm*>(window->widget()))
            window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // A form that refused to close goes all the same.
    for (QMdiSubWindow* window : m_mainWindow.mdiArea()->subWindowList())
        if (qobject_cast<TForm*>(window->widget()))
            delete window;
}
