#include "MainWindow.h"

#include "DatabaseWaitBar.h"
#include "Version.h"
#include "base/ProgramState.h"
#include "form/EnterAsTab.h"
#include "form/TForm.h"
#include "report/ui/TfrmDadosGerRel.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {
QLabel* permanentLabel(QStatusBar* bar, const char* name)
{
    auto* label = new QLabel(bar);
    label->setObjectName(QLatin1String(name));
    bar->addPermanentWidget(label);
    return label;
}
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), m_mdiArea(new QMdiArea(this)),
      m_reportMenu(new QMenu(tr("Re&latório"), this))
{
    setWindowTitle(tr("KLX - Sistema Financeiro"));
    setCentralWidget(m_mdiArea);
    resize(1024, 700);

    QMenu* file = menuBar()->addMenu(tr("&Arquivo"));
    // Off by default; the user's choice is kept in the program's state.
    QAction* enterAsTab = file->addAction(tr("&Enter passa ao próximo campo"));
    enterAsTab->setObjectName(QStringLiteral("actionEnterAsTab"));
    enterAsTab->setCheckable(true);
    enterAsTab->setChecked(
        ProgramState::Settings().value(QStringLiteral("tela/enter-passa-campo")).toBool());
    EnterAsTab::setEnabled(enterAsTab->isChecked());
    connect(enterAsTab, &QAction::toggled, this, [](bool on) {
        EnterAsTab::setEnabled(on);
        ProgramState::Settings().setValue(QStringLiteral("tela/enter-passa-campo"), on);
    });
    file->addSeparator();
    file->addAction(tr("&Sair"), QKeySequence::Quit, this, &QWidget::close);

    m_screensMenu = menuBar()->addMenu(tr("&Relatórios"));

    m_reportMenu->setObjectName(QStringLiteral("reportMenu"));
    menuBar()->addMenu(m_reportMenu);
    m_reportMenu->menuAction()->setVisible(false);
    connect(m_mdiArea, &QMdiArea::subWindowActivated, this, &MainWindow::followActiveWindow);

    QMenu* window = menuBar()->addMenu(tr("&Janela"));
    QAction* close = window->addAction(tr("F&echar"), this, [this] {
        if (QMdiSubWindow* current = m_mdiArea->currentSubWindow())
            current->close();
    });
    close->setObjectName(QStringLiteral("actionCloseWindow"));
    close->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F4));
    window->addAction(tr("&Cascata"), m_mdiArea, &QMdiArea::cascadeSubWindows);
    window->addAction(tr("&Lado a lado"), m_mdiArea, &QMdiArea::tileSubWindows);
    window->addAction(tr("&Fechar todas"), m_mdiArea, &QMdiArea::closeAllSubWindows);

    QMenu* help = menuBar()->addMenu(tr("Aj&uda"));
    QAction* helpPage = help->addAction(tr("&Ajuda desta tela"), this, &MainWindow::showHelp);
    helpPage->setObjectName(QStringLiteral("actionHelp"));
    helpPage->setShortcut(QKeySequence(Qt::Key_F1));
    help->addAction(tr("&Sobre"), this, &MainWindow::showAbout);

    m_branch = permanentLabel(statusBar(), "statusBranch");
    m_operator = permanentLabel(statusBar(), "statusOperator");
    m_database = permanentLabel(statusBar(), "statusDatabase");
    new DatabaseWaitBar(statusBar());
}

void MainWindow::addScreenEntry(const QString& title, const QString& code,
                                std::function<void()> open)
{
    QAction* entry = m_screensMenu->addAction(QStringLiteral("%1 (%2)").arg(title, code));
    entry->setObjectName(QStringLiteral("action") + code);
    // The first screen opens with Ctrl+R.
    if (m_screensMenu->actions().size() == 1)
        entry->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(entry, &QAction::triggered, this, std::move(open));
}

void MainWindow::setSession(const QString& branch, const QString& operatorCode,
                            const QString& database)
{
    m_branch->setText(tr("Filial %1").arg(branch));
    m_operator->setText(tr("Operador %1").arg(operatorCode));
    m_databaseDescription = database;
    m_database->setText(tr("Banco %1").arg(database));
}

TForm* MainWindow::activeForm() const
{
    QMdiSubWindow* current = m_mdiArea->currentSubWindow();
    return current ? qobject_cast<TForm*>(current->widget()) : nullptr;
}

void MainWindow::followActiveWindow()
{
    // A child window's own system menu claims Ctrl+F4 on some platforms and not on others;
    // the key belongs to "Fechar" alone, or it would be ambiguous and do nothing.
    if (QMdiSubWindow* current = m_mdiArea->currentSubWindow(); current && current->systemMenu()) {
        const QKeySequence closeKey(Qt::CTRL | Qt::Key_F4);
        const auto systemActions = current->systemMenu()->actions();
        for (QAction* action : systemActions) {
            QList<QKeySequence> keys = action->shortcuts();
            if (keys.removeAll(closeKey) > 0)
                action->setShortcuts(keys);
        }
    }
    m_reportMenu->clear();
    auto* report = qobject_cast<TfrmDadosGerRel*>(activeForm());
    if (report)
        m_reportMenu->addActions(report->CommandActions());
    m_reportMenu->menuAction()->setVisible(report != nullptr);
}

void MainWindow::showHelp()
{
    QString page = QStringLiteral(":/help/klx.html");
    if (const TForm* form = activeForm()) {
        const QString own = QStringLiteral(":/help/%1.html").arg(form->HelpContext());
        if (QFile::exists(own))
            page = own;
    }
    auto* window = findChild<QDialog*>(QStringLiteral("helpWindow"));
    if (!window) {
        window = new QDialog(this);
        window->setObjectName(QStringLiteral("helpWindow"));
        window->resize(560, 520);
        auto* browser = new QTextBrowser(window);
        browser->setObjectName(QStringLiteral("helpPage"));
        browser->setOpenExternalLinks(false);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, window);
        connect(buttons, &QDialogButtonBox::rejected, window, &QDialog::close);
        auto* layout = new QVBoxLayout(window);
        layout->addWidget(browser);
        layout->addWidget(buttons);
    }
    auto* browser = window->findChild<QTextBrowser*>(QStringLiteral("helpPage"));
    browser->setSource(QUrl(QStringLiteral("qrc") + page));
    window->setWindowTitle(tr("Ajuda - %1").arg(browser->documentTitle()));
    window->show();
    window->raise();
    window->activateWindow();
}

QString MainWindow::aboutText() const
{
    return tr("KLX - Sistema Financeiro\nVersão %1\n\nBanco de dados em uso: %2\n\n"
              "Relatórios de cheques por empresa, conta, período, número, situação e conciliação.")
        .arg(QStringLiteral(KLX_VERSION), m_databaseDescription);
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, tr("Sobre"), aboutText());
}
