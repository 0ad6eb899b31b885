#include "form/TApplication.h"

#include "form/TForm.h"

#include <QApplication>
#include <QCursor>
#include <QFont>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

void TScreen::SetCursor(TCursor cursor)
{
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (m_cursor != crDefault)
            QApplication::restoreOverrideCursor();
        if (cursor == crHourGlass)
            QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    m_cursor = cursor;
    emit CursorChanged(cursor);
}

TApplication::TApplication()
{
    Application = this;
    // The descriptions name the classic dialog font; draw it with a metric-alike that the
    // system has, rather than whatever fontconfig picks.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    // Outside a desktop session no icon theme is set; the buttons' glyphs come from one.
    if (!QIcon::hasThemeIcon(QStringLiteral("document-print")))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    if (!Screen)
        Screen = new TScreen;
}

TApplication::~TApplication()
{
    for (const QPointer<TForm>& form : std::as_const(m_forms))
        delete form.data();
    if (Application == this)
        Application = nullptr;
    delete Screen;
    Screen = nullptr;
}

void TApplication::formBuilt(TForm& form) const
{
    if (m_formObserver)
        m_formObserver(form);
}

void TApplication::SetMdiArea(QMdiArea* area)
{
    m_mdiArea = area;
    connect(area, &QMdiArea::subWindowActivated, this,
            [this](QMdiSubWindow* window) { activateSubWindow(window); });
    QCoreApplication::instance()->installEventFilter(this);
}

bool TApplication::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonPress && m_mdiArea && watched->isWidgetType()) {
        for (auto* widget = static_cast<QWidget*>(watched); widget;
             widget = widget->parentWidget()) {
            if (auto* window = qobject_cast<QMdiSubWindow*>(widget)) {
                if (window->mdiArea() == m_mdiArea && m_mdiArea->activeSubWindow() != window)
                    m_mdiArea->setActiveSubWindow(window);
                break;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

void TApplication::adopt(TForm* form)
{
    m_forms.removeAll(nullptr);
    m_forms.append(form);
    emit formCreated(form);
}

void TApplication::activateSubWindow(QObject* subWindow)
{
    auto* window = qobject_cast<QMdiSubWindow*>(subWindow);
    if (!window)
        return;
    if (auto* form = qobject_cast<TForm*>(window->widget()))
        form->Activate();
}
