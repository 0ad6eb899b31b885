#pragma once

// The demo database at a path of the test's own: the host creates it only at the default
// demo path, so tests that run the host make it first.
#include "data/LoginContext.h"
#include "data/LoginContext_p.h"
#include "data/dtmDBGeral.h"

#include <QTemporaryDir>

inline void createDemoDatabase(const QString& path,
                               DatabaseConfig::Engine engine = DatabaseConfig::Engine::Sqlite)
{
    TdtmDBGeral module;
    DatabaseConfig config;
    config.engine = engine;
    config.path = path;
    config.createWithDemoData = true;
    config.administrator = true;
    module.open(config);
}

// A fresh demo database in a folder of the test's own as the application's data module,
// logged in as operator ADM at branch 01 (which processes on 15/03/2026).
class DemoSession {
public:
    DemoSession()
    {
        dtmDBGeral = &database;
        DatabaseConfig config;
        config.path = dir.filePath(QStringLiteral("demo.sqlite"));
        config.createWithDemoData = true;
        config.user = QStringLiteral("ADM");
        database.open(config);
        LoginContext::SetBranch(QStringLiteral("01"));
        LoginContext::SetOperator(QStringLiteral("ADM"));
    }
    ~DemoSession()
    {
        if (dtmDBGeral == &database)
            dtmDBGeral = nullptr;
    }
    DemoSession(const DemoSession&) = delete;
    DemoSession& operator=(const DemoSession&) = delete;

    QTemporaryDir dir;
    TdtmDBGeral database;
};
