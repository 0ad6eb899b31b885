#pragma once

#include "base/CoreExport.h"

#include <QString>

class QLibrary;

// A screen module loaded at run time. Every load request calls the module's Initialize and
// every unload request its Finalize, so the module can count repeated requests; the file
// itself stays mapped until the last request of the last loader of that path is undone.
class KLX_CORE_EXPORT ModuleLoader {
public:
    explicit ModuleLoader(const QString& path);
    // Undoes the load requests still standing.
    ~ModuleLoader();

    // A load request: maps the module on the first; raises an Exception with the loader's
    // reason on failure.
    void load();
    // An unload request; the last one of this loader releases its hold on the file.
    void unload();
    bool isLoaded() const { return m_requests > 0; }
    // Load requests not yet undone.
    int loadRequests() const { return m_requests; }

    // The address of an exported symbol; raises an Exception when it is missing or the
    // module is not loaded.
    void* symbol(const char* name);
    // Calls an exported function without arguments, such as "IniProc".
    void call(const char* name);

    const QString& path() const { return m_path; }
    // The module file by module name: in $KLX_MODULE_DIR when that is set; else beside the
    // executable (the build tree) when it is there; else in the installed library folder,
    // found relative to the executable.
    static QString pathFor(const QString& moduleName);

private:
    QString m_path;
    QLibrary* m_library = nullptr;
    int m_requests = 0;
};
