#pragma once

// A minimal host for tests that drive the real screen module: the demo session, application
// object, MDI main window, and the module loaded from the build.
#include "DemoDatabase.h"
#include "base/Consiste.h"
#include "base/Dispatcher.h"
#include "base/ModuleLoader.h"
#include "form/TApplication.h"
#include "form/TForm.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>

class ScreenHost : public DemoSession {
public:
    ScreenHost()
    {
        auto* area = new QMdiArea;
        window.setCentralWidget(area);
        application.SetMdiArea(area);
        window.show();
        QObject::connect(Screen, &TScreen::CursorChanged, &application, [this](TCursor c) {
            cursors << (c == crHourGlass ? QStringLiteral("hourglass") : QStringLiteral("default"));
        });
        QObject::connect(&application, &TApplication::formCreated, &application,
                         [this] { ++formsCreated; });
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

    TApplication application;
    QMainWindow window;
    std::unique_ptr<ModuleLoader> module;
    QStringList cursors;
    QStringList errors;
    int formsCreated = 0;
};
