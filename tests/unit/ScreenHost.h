#pragma once

// A minimal host for tests that drive the real screen module: application object, demo
// database in a temporary directory, MDI main window, and the module loaded from the build.
#include "base/Consiste.h"
#include "base/Dispatcher.h"
#include "base/ModuleLoader.h"
#include "data/LoginContext.h"
#include "data/dtmDBGeral.h"
#include "form/TApplication.h"
#include "form/TForm.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <memory>

class ScreenHost {
public:
    ScreenHost()
    {
        dtmDBGeral = &database;
        DatabaseConfig config;
        config.path = dir.filePath(QStringLiteral("demo.sqlite"));
        config.createWithDemoData = true;
        database.open(config);
        LoginContext::SetBranch(QStringLiteral("01"));
        LoginContext::SetOperator(QStringLiteral("ADM"));
        auto* area = new QMdiArea;
        window.setCentralWidget(area);
        application.SetMdiArea(area);
        window.show();
        Screen->cursorObserver = [this](TCursor c) {
            cursors << (c == crHourGlass ? QStringLiteral("hourglass") : QStringLiteral("default"));
        };
        Consiste::SetPresenter([this](const QString& text) { errors << text; });
        module =
            std::make_unique<ModuleLoader>(QStringLiteral(KLX_BINARY_DIR "/bin/PKG_KLX47306.so"));
        module->load();
    }

    ~ScreenHost()
    {
        qDeleteAll(window.findChildren<QMdiSubWindow*>());
        module.reset();
        Consiste::SetPresenter({});
        dtmDBGeral = nullptr;
    }

    // What the host's menu does: calls IniProc, showing any failure.
    void open()
    {
        Dispatcher::run([this] { module->call("IniProc"); });
        QCoreApplication::processEvents();
    }

    // The screen's form while it is open.
    TForm* form() const
    {
        const auto windows = application.MdiArea()->subWindowList();
        for (QMdiSubWindow* subWindow : windows)
            if (auto* f = qobject_cast<TForm*>(subWindow->widget()))
                return f;
        return nullptr;
    }

    template <class T> T& variable(const char* name)
    {
        return *static_cast<T*>(module->symbol(name));
    }

    QTemporaryDir dir;
    TApplication application;
    TdtmDBGeral database;
    QMainWindow window;
    std::unique_ptr<ModuleLoader> module;
    QStringList cursors;
    QStringList errors;
};
