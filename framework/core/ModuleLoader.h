#pragma once

#include <QString>

class QLibrary;

// A screen module loaded at run time. Every load request calls the module's Initialize and
// every unload request its Finalize, so the module can count repeated requests; the file
// itself stays mapped until the last loader of that path unloads it.
class ModuleLoader {
public:
    explicit ModuleLoader(const QString& path);
    ~ModuleLoader();

    // Loads the module; raises an Exception with the loader's reason on failure.
    void load();
    void unload();
    bool isLoaded() const { return m_loaded; }

    // The address of an exported symbol; raises an Exception when it is missing.
    void* symbol(const char* name);
    // Calls an exported function without arguments, such as "IniProc".
    void call(const char* name);

    // The module file by module name: in $KLX_MODULE_DIR when that is set; else beside the
    // executable (the build tree) when it is there; else in the installed library folder,
    // found relative to the executable.
    static QString pathFor(const QString& moduleName);

private:
    QString m_path;
    QLibrary* m_library = nullptr;
    bool m_loaded = false;
};
