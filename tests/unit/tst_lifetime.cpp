// The screen module's lifetime in a real MDI host: loading and unloading counted by the
// module, one form for repeated opens, and a failing creation that leaves no trace.
#include "controls/TCheckBox.h"
#include "core/Consiste.h"
#include "core/Dispatcher.h"
#include "core/LoginContext.h"
#include "core/ModuleLoader.h"
#include "core/TApplication.h"
#include "data/dtmDBGeral.h"
#include "form/ComponentRegistry.h"
#include "form/TForm.h"

#include <QApplication>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>

class TestLifetime : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void repeatedOpensShowOneForm();
    void openAfterCloseCreatesANewForm();
    void failingCreationLeavesNoForm();
    void clickingTheScreenActivatesItWithoutMovingFocus();
    void loadAndUnloadAreCounted();

private:
    bool variable(const char* name) { return *static_cast<bool*>(m_module->symbol(name)); }
    QString text(const char* name) { return *static_cast<QString*>(m_module->symbol(name)); }
    void open();
    TForm* screenForm() const;

    QTemporaryDir m_dir;
    std::unique_ptr<TApplication> m_application;
    std::unique_ptr<TdtmDBGeral> m_database;
    std::unique_ptr<QMainWindow> m_window;
    std::unique_ptr<ModuleLoader> m_module;
    QStringList m_cursors;
    QStringList m_errors;
};

void TestLifetime::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

void TestLifetime::init()
{
    m_application = std::make_unique<TApplication>();
    m_database = std::make_unique<TdtmDBGeral>();
    dtmDBGeral = m_database.get();
    DatabaseConfig config;
    config.path = m_dir.filePath(QStringLiteral("demo.sqlite"));
    m_database->open(config);
    LoginContext::SetBranch(QStringLiteral("01"));
    LoginContext::SetOperator(QStringLiteral("ADM"));
    m_window = std::make_unique<QMainWindow>();
    auto* area = new QMdiArea;
    m_window->setCentralWidget(area);
    m_application->SetMdiArea(area);
    m_window->show();
    m_cursors.clear();
    m_errors.clear();
    Screen->cursorObserver = [this](TCursor c) {
        m_cursors << (c == crHourGlass ? QStringLiteral("hourglass") : QStringLiteral("default"));
    };
    Consiste::SetPresenter([this](const QString& text) { m_errors << text; });
    m_module = std::make_unique<ModuleLoader>(QStringLiteral(KLX_BINARY_DIR "/bin/PKG_KLX47306.so"));
    m_module->load();
}

void TestLifetime::cleanup()
{
    qDeleteAll(m_window->findChildren<QMdiSubWindow*>());
    m_module.reset();
    m_window.reset();
    m_database.reset();
    dtmDBGeral = nullptr;
    m_application.reset();
    Consiste::SetPresenter({});
}

void TestLifetime::open()
{
    Dispatcher::run([this] { m_module->call("IniProc"); });
    QCoreApplication::processEvents();
}

TForm* TestLifetime::screenForm() const
{
    const auto windows = m_application->MdiArea()->subWindowList();
    for (QMdiSubWindow* window : windows)
        if (auto* form = qobject_cast<TForm*>(window->widget()))
            return form;
    return nullptr;
}

void TestLifetime::repeatedOpensShowOneForm()
{
    open();
    TForm* form = screenForm();
    QVERIFY(form);
    QVERIFY(variable("boStCriado"));
    QVERIFY(!variable("boPrimVez")); // activated on showing
    form->SetWindowState(TWindowState::wsMinimized);
    open();
    QCOMPARE(m_application->FormsCreated(), 1);
    QCOMPARE(screenForm(), form);
    QCOMPARE(form->WindowState(), TWindowState::wsNormal);
    QCOMPARE(m_cursors, (QStringList{QStringLiteral("hourglass"), QStringLiteral("default"),
                                     QStringLiteral("hourglass"), QStringLiteral("default")}));
    QVERIFY(m_errors.isEmpty());
}

void TestLifetime::openAfterCloseCreatesANewForm()
{
    open();
    *static_cast<QString*>(m_module->symbol("stListaEmpresa")) = QStringLiteral("01,03");
    screenForm()->MdiWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!screenForm());
    QVERIFY(!variable("boStCriado"));
    open();
    QCOMPARE(m_application->FormsCreated(), 2);
    QVERIFY(screenForm());
    QVERIFY(!variable("boPrimVez"));
    QCOMPARE(text("stStatusChq"), QStringLiteral("_0_1_2"));
    QCOMPARE(text("stListaEmpresa"), QStringLiteral("01,03")); // picks outlive the form
}

void TestLifetime::failingCreationLeavesNoForm()
{
    // A description naming a class the framework cannot make fails the creation.
    ComponentRegistry::registerClass(QStringLiteral("TCheckBox"), [](QObject*) { return nullptr; });
    open();
    ComponentRegistry::registerClass(QStringLiteral("TCheckBox"), [](QObject* parent) -> QObject* {
        return new TCheckBox(qobject_cast<QWidget*>(parent));
    });
    QVERIFY(!variable("boStCriado"));
    QVERIFY(!screenForm());
    QCOMPARE(m_application->FormsCreated(), 0);
    QCOMPARE(m_errors.size(), 1);
    QVERIFY2(m_errors.first().contains(QStringLiteral("TCheckBox")), qPrintable(m_errors.first()));
    QCOMPARE(m_cursors, (QStringList{QStringLiteral("hourglass"), QStringLiteral("default")}));
    open(); // the next open works
    QVERIFY(variable("boStCriado"));
}

void TestLifetime::clickingTheScreenActivatesItWithoutMovingFocus()
{
    open();
    TForm* form = screenForm();
    QMdiArea* area = m_application->MdiArea();
    QApplication::setActiveWindow(m_window.get());
    auto* edit = form->findChild<QWidget*>(QStringLiteral("medChequeIni"));
    edit->setFocus();
    QMdiSubWindow* other = area->addSubWindow(new QWidget);
    other->show();
    area->setActiveSubWindow(other);
    QCOMPARE(area->activeSubWindow(), other);
    auto* label = form->findChild<QWidget*>(QStringLiteral("lblCodTela"));
    QTest::mouseClick(label, Qt::LeftButton);
    QCOMPARE(area->activeSubWindow(), form->MdiWindow());
    QCOMPARE(QApplication::focusWidget(), edit);
    // A speed button leaves the focused control where it is.
    QTest::mouseClick(form->findChild<QWidget*>(QStringLiteral("sbtLista")), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), edit);
}

void TestLifetime::loadAndUnloadAreCounted()
{
    ModuleLoader second(QStringLiteral(KLX_BINARY_DIR "/bin/PKG_KLX47306.so"));
    second.load();
    auto* list = static_cast<QString*>(m_module->symbol("stListaConta"));
    *list = QStringLiteral("001");
    *static_cast<bool*>(m_module->symbol("boStCriado")) = true;
    second.unload(); // not the last unload: nothing is released
    QCOMPARE(*list, QStringLiteral("001"));
    m_module->call("Initialize"); // a repeated load does not reset the flag
    QVERIFY(variable("boStCriado"));
    m_module->call("Finalize");
    *static_cast<bool*>(m_module->symbol("boStCriado")) = false;
    m_module->call("Finalize"); // the last unload releases the lists
    QCOMPARE(*list, QString());
    m_module->call("Initialize");
}

QTEST_MAIN(TestLifetime)
#include "tst_lifetime.moc"
