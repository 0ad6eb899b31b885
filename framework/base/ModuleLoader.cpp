#include "base/ModuleLoader.h"

#include "base/Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>

namespace {
struct LoadedModule {
    QLibrary* library = nullptr;
    int loaders = 0;
};

QHash<QString, LoadedModule>& loadedModules()
{
    static QHash<QString, LoadedModule> modules;
    return modules;
}

// One holder of the mapped file lets go; the last one unmaps it.
void release(const QString& path)
{
    LoadedModule& module = loadedModules()[path];
    if (--module.loaders == 0) {
        module.library->unload();
        delete module.library;
        loadedModules().remove(path);
    }
}
} // namespace

ModuleLoader::ModuleLoader(const QString& path) : m_path(path) {}

ModuleLoader::~ModuleLoader()
{
    while (m_requests > 0)
        unload();
}

void ModuleLoader::load()
{
    if (m_requests == 0) {
        LoadedModule& module = loadedModules()[m_path];
        if (module.loaders == 0) {
            auto* library = new QLibrary(m_path);
            if (!library->load()) {
                const QString reason = library->errorString();
                delete library;
                loadedModules().remove(m_path);
                throw Exception(QStringLiteral("Não foi possível carregar o módulo '%1': %2")
                                    .arg(m_path, reason));
            }
            module.library = library;
        }
        ++module.loaders;
        m_library = module.library;
    }
    ++m_requests;
    call("Initialize");
}

void ModuleLoader::unload()
{
    if (m_requests == 0)
        return;
    call("Finalize");
    if (--m_requests > 0)
        return;
    m_library = nullptr;
    release(m_path);
}

void* ModuleLoader::symbol(const char* name)
{
    if (!m_library)
        throw Exception(QStringLiteral("O módulo '%1' não está carregado.").arg(m_path));
    void* address = reinterpret_cast<void*>(m_library->resolve(name));
    if (!address)
        throw Exception(
            QStringLiteral("O módulo '%1' não exporta '%2'.").arg(m_path, QLatin1String(name)));
    return address;
}

void ModuleLoader::call(const char* name)
{
    reinterpret_cast<void (*)()>(symbol(name))();
}

QString ModuleLoader::pathFor(const QString& moduleName)
{
    const QString fileName = moduleName + QStringLiteral(".so");
    const QString configured = qEnvironmentVariable("KLX_MODULE_DIR");
    if (!configured.isEmpty())
        return QDir(configured).filePath(fileName);
    const QDir programDir(QCoreApplication::applicationDirPath());
    const QString beside = programDir.filePath(fileName);
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(
        programDir.filePath(QStringLiteral(KLX_MODULE_DIR_FROM_BINDIR "/") + fileName));
}
