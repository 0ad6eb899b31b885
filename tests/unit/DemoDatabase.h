#pragma once

// The demo database at a path of the test's own: the host creates it only at the default
// demo path, so tests that run the host make it first.
#include "data/dtmDBGeral.h"

inline void createDemoDatabase(const QString& path,
                               DatabaseConfig::Engine engine = DatabaseConfig::Engine::Sqlite)
{
    TdtmDBGeral module;
    DatabaseConfig config;
    config.engine = engine;
    config.path = path;
    config.createWithDemoData = true;
    module.open(config);
}
