#pragma once

#include <QLibrary>
#include <QString>

// A screen module loaded at run time. Loading calls the module's Initialize and unloading
// its Finalize, so the module can count repeated requests.
class ModuleLoader {
public:
    explicit ModuleLoader(const QString& path);
    ~ModuleLoader();

    // Loads the module; raises an Exception with the loader's reason on failure.
    void load();
    void unload();
    bool isLoaded() const { return m_library.isLoaded(); }

    // The address of an exported symbol; raises an Exception when it is missing.
    void* symbol(const char* name);
    // Calls an exported function without arguments, such as "IniProc".
    void call(const char* name);

    // The module file beside the executable, by module name.
    static QString pathFor(const QString& moduleName);

private:
    QLibrary m_library;
};
