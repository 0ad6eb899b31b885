#include "DatabaseWaitBar.h"

#include "data/DatabaseWait.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

DatabaseWaitBar::DatabaseWaitBar(QStatusBar* statusBar)
    : QObject(statusBar), m_bar(new QWidget(statusBar))
{
    m_bar->setObjectName(QStringLiteral("databaseWait"));
    auto* text = new QLabel(tr("aguardando o banco de dados…"), m_bar);
    text->setToolTip(tr("Outro processo está usando o banco de dados."));
    auto* cancel = new QPushButton(tr("Cancelar"), m_bar);
    cancel->setObjectName(QStringLiteral("databaseWaitCancel"));
    cancel->setToolTip(tr("Desiste de esperar (Esc)"));
    m_cancel = cancel;
    connect(cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    auto* layout = new QHBoxLayout(m_bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text);
    layout->addWidget(cancel);
    statusBar->addWidget(m_bar);
    m_bar->hide();
    DatabaseWait::setPresenter({[this] { begin(); }, [this] { return poll(); }, [this] { end(); }});
}

DatabaseWaitBar::~DatabaseWaitBar()
{
    end();
    DatabaseWait::setPresenter({});
}

void DatabaseWaitBar::begin()
{
    m_cancelled = false;
    m_shown = true;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    m_bar->show();
    qApp->installEventFilter(this);
}

bool DatabaseWaitBar::poll()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return m_cancelled;
}

void DatabaseWaitBar::end()
{
    if (!m_shown)
        return;
    m_shown = false;
    qApp->removeEventFilter(this);
    m_bar->hide();
    QApplication::restoreOverrideCursor();
}

bool DatabaseWaitBar::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            m_cancelled = true;
        return true;
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Wheel:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
        // Only "Cancelar" takes the mouse while the statement waits.
        return watched != m_cancel;
    default:
        return QObject::eventFilter(watched, event);
    }
}
