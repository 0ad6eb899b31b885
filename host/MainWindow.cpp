#include "MainWindow.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), m_mdiArea(new QMdiArea(this))
{
    setWindowTitle(tr("KLX - Sistema Financeiro"));
    setCentralWidget(m_mdiArea);
    resize(1024, 700);

    QMenu* file = menuBar()->addMenu(tr("&Arquivo"));
    file->addAction(tr("&Sair"), QKeySequence::Quit, this, &QWidget::close);

    QMenu* reports = menuBar()->addMenu(tr("&Relatórios"));
    QAction* cheques = reports->addAction(tr("Relação de &Cheques (KLX47306)"));
    cheques->setObjectName(QStringLiteral("actionKLX47306"));
    cheques->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(cheques, &QAction::triggered, this, [this] {
        if (m_openChequeScreen)
            m_openChequeScreen();
    });

    QMenu* window = menuBar()->addMenu(tr("&Janela"));
    window->addAction(tr("&Cascata"), m_mdiArea, &QMdiArea::cascadeSubWindows);
    window->addAction(tr("&Lado a lado"), m_mdiArea, &QMdiArea::tileSubWindows);
    window->addAction(tr("&Fechar todas"), m_mdiArea, &QMdiArea::closeAllSubWindows);

    QMenu* help = menuBar()->addMenu(tr("A&juda"));
    help->addAction(tr("&Sobre"), this, [this] {
        QMessageBox::about(this, tr("Sobre"),
                           tr("KLX - Sistema Financeiro\nRelatórios de cheques por empresa, conta, "
                              "período, número, situação e conciliação."));
    });
}

void MainWindow::setStatusText(const QString& text)
{
    statusBar()->showMessage(text);
}
