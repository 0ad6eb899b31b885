// The screen module's lifetime in a real MDI host: loading and unloading counted by the
// module, one form for repeated opens, and a failing creation that leaves no trace.
#include "ScreenHost.h"
#include "base/Exceptions.h"
#include "controls/TCheckBox.h"
#include "form/ComponentRegistry.h"

#include <QApplication>
#include <QFile>
#include <QTest>
#include <dlfcn.h>

class TestLifetime : public QObject {
    Q_OBJECT

private slots:
    void init() { m_host = std::make_unique<ScreenHost>(); }
    void cleanup() { m_host.reset(); }
    void repeatedOpensShowOneForm();
    void openAfterCloseCreatesANewForm();
    void failingCreationLeavesNoForm_data();
    void failingCreationLeavesNoForm();
    void clickingTheScreenActivatesItWithoutMovingFocus();
    void loadAndUnloadAreCounted();
    void loaderCountsItsRequestsAndTheLastUnloadFinalizes();

private:
    bool variable(const char* name) { return m_host->variable<bool>(name); }
    QString text(const char* name) { return m_host->variable<QString>(name); }
    void open() { m_host->open(); }
    TForm* screenForm() const { return m_host->form(); }

    std::unique_ptr<ScreenHost> m_host;
};

void TestLifetime::repeatedOpensShowOneForm()
{
    open();
    TForm* form = screenForm();
    QVERIFY(form);
    QVERIFY(variable("boStCriado"));
    QVERIFY(!variable("boPrimVez")); // activated on showing
    form->SetWindowState(TWindowState::wsMinimized);
    open();
    QCOMPARE(m_host->formsCreated, 1);
    QCOMPARE(screenForm(), form);
    QCOMPARE(form->WindowState(), TWindowState::wsNormal);
    QCOMPARE(m_host->cursors,
             (QStringList{QStringLiteral("hourglass"), QStringLiteral("default"),
                          QStringLiteral("hourglass"), QStringLiteral("default")}));
    QVERIFY(m_host->errors.isEmpty());
}

void TestLifetime::openAfterCloseCreatesANewForm()
{
    open();
    m_host->variable<QString>("stListaEmpresa") = QStringLiteral("01,03");
    screenForm()->MdiWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!screenForm());
    QVERIFY(!variable("boStCriado"));
    open();
    QCOMPARE(m_host->formsCreated, 2);
    QVERIFY(screenForm());
    QVERIFY(!variable("boPrimVez"));
    QCOMPARE(text("stStatusChq"), QStringLiteral("_0_1_2"));
    QCOMPARE(text("stListaEmpresa"), QStringLiteral("01,03")); // picks outlive the form
}

void TestLifetime::failingCreationLeavesNoForm_data()
{
    QTest::addColumn<bool>("observerRaises");
    QTest::addColumn<QString>("error");
    // A description naming a class the framework cannot make fails the creation.
    QTest::newRow("a class the framework cannot make") << false << "TCheckBox";
    // So does the application's observer, before the form's creation event.
    QTest::newRow("the application's observer") << true << "Recusado: frmCheque";
}

void TestLifetime::failingCreationLeavesNoForm()
{
    QFETCH(bool, observerRaises);
    QFETCH(QString, error);
    if (observerRaises)
        m_host->application.setFormObserver([](TForm& form) {
            throw Exception(QStringLiteral("Recusado: %1").arg(form.objectName()));
        });
    else
        ComponentRegistry::registerClass(QStringLiteral("TCheckBox"),
                                         [](QObject*) { return nullptr; });
    open();
    m_host->application.setFormObserver({});
    ComponentRegistry::registerClass(QStringLiteral("TCheckBox"), [](QObject* parent) -> QObject* {
        return new TCheckBox(qobject_cast<QWidget*>(parent));
    });
    QVERIFY(!variable("boStCriado"));
    QVERIFY(!variable("boPrimVez")); // no creation event ran
    QVERIFY(!screenForm());
    QCOMPARE(m_host->formsCreated, 0);
    QCOMPARE(m_host->errors.size(), 1);
    QVERIFY2(m_host->errors.first().contains(error), qPrintable(m_host->errors.first()));
    QCOMPARE(m_host->cursors,
             (QStringList{QStringLiteral("hourglass"), QStringLiteral("default")}));
    open(); // the next open works
    QVERIFY(variable("boStCriado"));
    QCOMPARE(m_host->formsCreated, 1);
}

void TestLifetime::clickingTheScreenActivatesItWithoutMovingFocus()
{
    open();
    TForm* form = screenForm();
    QMdiArea* area = m_host->application.MdiArea();
    QApplication::setActiveWindow(&m_host->window);
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
    QString* list = &m_host->variable<QString>("stListaConta");
    *list = QStringLiteral("001");
    m_host->variable<bool>("boStCriado") = true;
    second.unload(); // not the last unload: nothing is released
    QCOMPARE(*list, QStringLiteral("001"));
    m_host->module->call("Initialize"); // a repeated load does not reset the flag
    QVERIFY(variable("boStCriado"));
    m_host->module->call("Finalize");
    m_host->variable<bool>("boStCriado") = false;
    m_host->module->call("Finalize"); // the last unload releases the lists
    QCOMPARE(*list, QString());
    m_host->module->call("Initialize");
}

void TestLifetime::loaderCountsItsRequestsAndTheLastUnloadFinalizes()
{
    ModuleLoader& loader = *m_host->module;
    loader.load(); // a second request on the same loader
    QCOMPARE(loader.loadRequests(), 2);
    QString* list = &m_host->variable<QString>("stListaEmpresa");
    *list = QStringLiteral("01");
    loader.unload();
    QVERIFY(loader.isLoaded());
    QCOMPARE(*list, QStringLiteral("01"));
    m_host->variable<int>("inNumMarcado") = 2;
    {
        // A reference of the test's own keeps the file mapped, calling nothing in the module.
        void* hold = dlopen(QFile::encodeName(loader.path()).constData(), RTLD_NOW | RTLD_NOLOAD);
        QVERIFY(hold);
        loader.unload(); // the last request: the finalisation runs
        QVERIFY(!loader.isLoaded());
        QVERIFY_THROWS_EXCEPTION(Exception, loader.symbol("stListaEmpresa"));
        QCOMPARE(*static_cast<QString*>(dlsym(hold, "stListaEmpresa")), QString());
        QCOMPARE(*static_cast<int*>(dlsym(hold, "inNumMarcado")), 2);
        dlclose(hold);
    }
    loader.load(); // mapped afresh: every variable at its load value
    QCOMPARE(m_host->variable<int>("inNumMarcado"), 0);
}

QTEST_MAIN(TestLifetime)
#include "tst_lifetime.moc"
