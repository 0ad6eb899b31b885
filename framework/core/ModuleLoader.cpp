#include "core/ModuleLoader.h"

#include "core/Exceptions.h"

#include <QCoreApplication>

ModuleLoader::ModuleLoader(const QString& path) : m_library(path) {}

ModuleLoader::~ModuleLoader()
{
    if (isLoaded())
        unload();
}

void ModuleLoader::load()
{
    if (!m_library.load())
        throw Exception(QStringLiteral("Não foi possível carregar o módulo '%1': %2")
                            .arg(m_library.fileName(), m_library.errorString()));
    call("Initialize");
}

void ModuleLoader::unload()
{
    call("Finalize");
    m_library.unload();
}

void* ModuleLoader::symbol(const char* name)
{
    void* address = reinterpret_cast<void*>(m_library.resolve(name));
    if (!address)
        throw Exception(QStringLiteral("O módulo '%1' não exporta '%2'.")
                            .arg(m_library.fileName(), QLatin1String(name)));
    return address;
}

void ModuleLoader::call(const char* name)
{
    reinterpret_cast<void (*)()>(symbol(name))();
}

QString ModuleLoader::pathFor(const QString& moduleName)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + moduleName +
           QStringLiteral(".so");
}
