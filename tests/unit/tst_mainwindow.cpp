// The host's main window around the screen: the session in the status bar for good, the
// "Relatório" menu while a report screen is active, help and "Sobre".
#include "DemoDatabase.h"
#include "MainWindow.h"
#include "Version.h"
#include "base/Dispatcher.h"
#include "base/ModuleLoader.h"
#include "form/ScreenDescription.h"
#include "form/TApplication.h"

#include <QAction>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void sessionStaysInTheStatusBar();
    void reportMenuFollowsTheActiveScreen();
    void f1ShowsTheActiveScreensHelp();
    void aboutNamesVersionAndDatabase();
    void everyMnemonicIsUnique();

private:
    DemoSession m_session;
    TApplication m_application;
    MainWindow m_window;
    ModuleLoader m_module{QStringLiteral(KLX_BINARY_DIR "/bin/PKG_KLX47306.so")};

    QMenu* reportMenu() { return m_window.findChild<QMenu*>(QStringLiteral("reportMenu")); }
    // As the user does: the screen's entry in "Relatórios".
    void openScreen()
    {
        m_window.findChild<QAction*>(QStringLiteral("actionKLX47306"))->trigger();
        QCoreApplication::processEvents();
    }
};

void TestMainWindow::initTestCase()
{
    m_application.SetMdiArea(m_window.mdiArea());
    m_window.setSession(QStringLiteral("01"), QStringLiteral("ADM"),
                        QStringLiteral("demo.sqlite (oracle)"));
    m_window.show();
    m_window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_window));
    m_module.load();
    // The entry is what the module's table says it is.
    const ScreenDescription screen = ScreenDescription::read(m_module);
    m_window.addScreenEntry(screen.title(), screen.screenCode(),
                            [this] { Dispatcher::run([this] { m_module.call("IniProc"); }); });
    const auto* entry = m_window.findChild<QAction*>(QStringLiteral("actionKLX47306"));
    QVERIFY(entry);
    QCOMPARE(entry->text(), QStringLiteral("Relação de &Cheques (KLX47306)"));
    QCOMPARE(entry->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_R));
}

void TestMainWindow::cleanupTestCase()
{
    qDeleteAll(m_window.mdiArea()->subWindowList());
    m_module.unload();
}

void TestMainWindow::sessionStaysInTheStatusBar()
{
    // A menu's status tips replace the temporary message; permanent widgets stay.
    m_window.statusBar()->showMessage(QStringLiteral("dica de menu"));
    m_window.statusBar()->clearMessage();
    for (const auto& [name, text] :
         {std::pair{"statusBranch", "Filial 01"}, std::pair{"statusOperator", "Operador ADM"},
          std::pair{"statusDatabase", "Banco demo.sqlite (oracle)"}}) {
        auto* label = m_window.statusBar()->findChild<QLabel*>(QLatin1String(name));
        QVERIFY(label);
        QVERIFY(label->isVisible());
        QCOMPARE(label->text(), QLatin1String(text));
    }
}

void TestMainWindow::reportMenuFollowsTheActiveScreen()
{
    QVERIFY(!reportMenu()->menuAction()->isVisible());
    openScreen();
    QVERIFY(reportMenu()->menuAction()->isVisible());
    QStringList shown;
    for (const QAction* action : reportMenu()->actions())
        shown << action->text() + QLatin1Char('=') + action->shortcut().toString();
    QCOMPARE(shown,
             (QStringList{QStringLiteral("&Imprimir=Ctrl+P"), QStringLiteral("&Visualizar=F5"),
                          QStringLiteral("&Salvar como...=Ctrl+S"),
                          QStringLiteral("&Editar relatório...=Ctrl+E"),
                          QStringLiteral("&Filtros=Ctrl+L")}));
    m_window.mdiArea()->currentSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QVERIFY(!reportMenu()->menuAction()->isVisible());
}

void TestMainWindow::f1ShowsTheActiveScreensHelp()
{
    QTest::keyClick(&m_window, Qt::Key_F1);
    auto* page = m_window.findChild<QTextBrowser*>(QStringLiteral("helpPage"));
    QVERIFY(page);
    QCOMPARE(page->documentTitle(), QStringLiteral("KLX - Sistema Financeiro"));
    page->window()->close();
    m_window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_window));
    openScreen();
    QTest::keyClick(m_window.mdiArea()->currentSubWindow()->widget(), Qt::Key_F1);
    QCOMPARE(page->documentTitle(), QStringLiteral("Relação de Cheques (KLX47306)"));
    const QString text = page->toPlainText();
    for (const char* part : {"Ctrl+P", "F5 ou Ctrl+Enter", "Ctrl+S", "Ctrl+E",
                             "somam somente os cheques emitidos", "Compensação"})
        QVERIFY2(text.contains(QString::fromUtf8(part)), part);
    m_window.mdiArea()->currentSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestMainWindow::aboutNamesVersionAndDatabase()
{
    const QString about = m_window.aboutText();
    QVERIFY(about.contains(QStringLiteral("Versão " KLX_VERSION)));
    QVERIFY(about.contains(QStringLiteral("demo.sqlite (oracle)")));
}

namespace {
// The letter after a single '&' of a menu text, lower case; none for a text without one.
QChar mnemonicOf(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return QChar();
}

// The mnemonics of the actions side by side in a menu bar or a menu, and of every menu
// below them, each level unique; what is wrong, in words.
QStringList mnemonicClashes(const QList<QAction*>& actions, const QString& where)
{
    QStringList clashes;
    QHash<QChar, QString> taken;
    for (const QAction* action : actions) {
        if (action->isSeparator())
            continue;
        const QChar letter = mnemonicOf(action->text());
        if (letter.isNull())
            clashes << QStringLiteral("%1: \"%2\" has no mnemonic").arg(where, action->text());
        else if (taken.contains(letter))
            clashes << QStringLiteral("%1: \"%2\" and \"%3\" share Alt+%4")
                           .arg(where, taken.value(letter), action->text(), letter.toUpper());
        taken.insert(letter, action->text());
        if (action->menu())
            clashes << mnemonicClashes(action->menu()->actions(),
                                       where + QStringLiteral(" > ") + action->text());
    }
    return clashes;
}
} // namespace

// Each menu's letters, the menu bar's among them, with a report screen open (its
// "Relatório" menu shown).
void TestMainWindow::everyMnemonicIsUnique()
{
    openScreen();
    QVERIFY(reportMenu()->menuAction()->isVisible());
    const QStringList clashes =
        mnemonicClashes(m_window.menuBar()->actions(), QStringLiteral("menu bar"));
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    m_window.mdiArea()->currentSubWindow()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
