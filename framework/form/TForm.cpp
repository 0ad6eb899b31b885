#include "form/TForm.h"

#include "base/Dispatcher.h"
#include "base/Exceptions.h"
#include "form/EnterAsTab.h"
#include "form/FormLoader.h"
#include "form/TApplication.h"

#include <QCloseEvent>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>
#include <QStyle>

TForm::TForm(QWidget* parent) : QWidget(parent) {}

TForm::~TForm() = default;

void TForm::Initialize()
{
    HandlerTable handlers;
    publishHandlers(handlers);
    FormLoader loader(this, handlers);
    for (const QString& resource : descriptionResources())
        loader.apply(resource);
    bindComponents();
    EnterAsTab::watch(this);
    if (Application)
        Application->formBuilt(*this);
    if (OnCreate)
        OnCreate(this);
}

void TForm::publishHandlers(HandlerTable&) {}

void TForm::throwMissingComponent(const QString& name) const
{
    throw EFormDescriptionError(
        QStringLiteral("O componente '%1' não existe no formulário '%2'.").arg(name, objectName()));
}

QMdiSubWindow* TForm::ensureMdiWindow()
{
    if (m_mdiWindow || m_formStyle != TFormStyle::fsMDIChild || !Application ||
        !Application->MdiArea())
        return m_mdiWindow;
    Qt::WindowFlags flags = Qt::SubWindow | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                            Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;
    // The description gives the client area; a single border keeps it fixed.
    if (m_borderStyle == TFormBorderStyle::bsSingle)
        setFixedSize(size());
    else
        setMinimumSize(size());
    m_mdiWindow = Application->MdiArea()->addSubWindow(this, flags);
    // A click on the window's frame or on a speed button leaves the focused control alone.
    m_mdiWindow->setFocusPolicy(Qt::NoFocus);
    m_mdiWindow->setWindowIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    m_mdiWindow->adjustSize();
    m_mdiWindow->move(m_designPosition);
    if (m_borderStyle == TFormBorderStyle::bsSingle)
        m_mdiWindow->setFixedSize(m_mdiWindow->size());
    return m_mdiWindow;
}

void TForm::Show()
{
    if (QMdiSubWindow* window = ensureMdiWindow()) {
        window->show();
        window->raise();
        if (Application->MdiArea()->activeSubWindow() != window)
            Application->MdiArea()->setActiveSubWindow(window);
    } else {
        show();
        raise();
    }
}

void TForm::SetWindowState(TWindowState state)
{
    QWidget* window = m_mdiWindow ? static_cast<QWidget*>(m_mdiWindow.data()) : this;
    switch (state) {
    case TWindowState::wsNormal:
        window->showNormal();
        break;
    case TWindowState::wsMinimized:
        window->showMinimized();
        break;
    case TWindowState::wsMaximized:
        window->showMaximized();
        break;
    }
}

TWindowState TForm::WindowState() const
{
    const QWidget* window = m_mdiWindow ? static_cast<const QWidget*>(m_mdiWindow.data()) : this;
    if (window->isMinimized())
        return TWindowState::wsMinimized;
    if (window->isMaximized())
        return TWindowState::wsMaximized;
    return TWindowState::wsNormal;
}

void TForm::Refresh()
{
    repaint();
}

void TForm::Activate()
{
    // The control with the focus shows its frame from the start, not only once a key moved
    // the focus: the screens are used from the keyboard.
    window()->setAttribute(Qt::WA_KeyboardFocusChange);
    Dispatcher::run([this] {
        if (OnActivate)
            OnActivate(this);
    });
}

void TForm::closeEvent(QCloseEvent* event)
{
    TCloseAction action =
        m_formStyle == TFormStyle::fsMDIChild ? TCloseAction::caMinimize : TCloseAction::caHide;
    Dispatcher::run([&] {
        if (OnClose)
            OnClose(this, action);
    });
    switch (action) {
    case TCloseAction::caNone:
        event->ignore();
        break;
    case TCloseAction::caMinimize:
        event->ignore();
        SetWindowState(TWindowState::wsMinimized);
        break;
    case TCloseAction::caHide:
        event->accept();
        break;
    case TCloseAction::caFree:
        event->accept();
        if (m_mdiWindow)
            m_mdiWindow->deleteLater();
        else
            deleteLater();
        break;
    }
}

void TForm::StatusMessage(const QString& text) const
{
    constexpr int shownMs = 6000;
    if (auto* main = qobject_cast<QMainWindow*>(window()))
        main->statusBar()->showMessage(text, shownMs);
}
