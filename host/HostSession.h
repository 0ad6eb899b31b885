#pragma once

#include "HostOptions.h"
#include "MainWindow.h"
#include "base/ModuleLoader.h"
#include "data/dtmDBGeral.h"
#include "form/TApplication.h"

// One running host: database connection, login, main window and the loaded screen module.
class HostSession {
public:
    // Opens everything; raises an Exception with a readable reason on failure.
    explicit HostSession(const HostOptions& options);
    ~HostSession();

    MainWindow& mainWindow() { return m_mainWindow; }
    ModuleLoader& module() { return m_module; }
    // What the menu does: calls the module's IniProc, showing any failure.
    void openChequeScreen();
    // A further load request for the screen module; the module counts them.
    void loadModule();
    // An unload request; before the last one the module's forms are released, since their
    // code goes with the module.
    void unloadModule();

private:
    void releaseModuleForms();

    TApplication m_application;
    TdtmDBGeral m_database;
    MainWindow m_mainWindow;
    ModuleLoader m_module;
};
