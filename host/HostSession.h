#pragma once

#include "HostOptions.h"
#include "MainWindow.h"
#include "base/ModuleLoader.h"
#include "data/dtmDBGeral.h"
#include "form/ScreenDescription.h"
#include "form/TApplication.h"

// One running host: database connection, login, main window and the loaded screen module
// with its description.
class HostSession {
public:
    // Opens everything; raises an Exception with a readable reason on failure.
    explicit HostSession(const HostOptions& options);
    // The file of the screen module the host loads.
    static QString screenModulePath();
    ~HostSession();

    MainWindow& mainWindow() { return m_mainWindow; }
    ModuleLoader& module() { return m_module; }
    // What the screen module told of itself when it was loaded.
    const ScreenDescription& screen() const { return m_screen; }
    // What the menu does: calls the module's IniProc, showing any failure.
    void openScreen();
    // A further load request for the screen module; the module counts them.
    void loadModule();
    // An unload request; before the last one the module's forms are released, since their
    // code goes with the module.
    void unloadModule();

private:
    // The database as the status bar names it: engine, path and the dialect of the texts.
    QString databaseDescription() const;
    void releaseModuleForms();

    TApplication m_application;
    TdtmDBGeral m_database;
    MainWindow m_mainWindow;
    ModuleLoader m_module;
    ScreenDescription m_screen;
};
