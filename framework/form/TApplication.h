#pragma once

#include "controls/WidgetsExport.h"

#include <QList>
#include <QMdiArea>
#include <QObject>
#include <QPointer>
#include <functional>

class TForm;

// Screen cursors, numbered as the screens know them.
enum TCursor : int { crDefault = 0, crHourGlass = -11 };

// The screen: the cursor the whole application shows.
class KLX_WIDGETS_EXPORT TScreen : public QObject {
    Q_OBJECT
public:
    void SetCursor(TCursor cursor);
    TCursor Cursor() const { return m_cursor; }

signals:
    // Every cursor set, the same one again included.
    void CursorChanged(TCursor cursor);

private:
    TCursor m_cursor = crDefault;
};

// The application object: owns the forms it creates and knows the MDI area they live in.
class KLX_WIDGETS_EXPORT TApplication : public QObject {
    Q_OBJECT
public:
    TApplication();
    ~TApplication() override;

    void SetMdiArea(QMdiArea* area);
    QMdiArea* MdiArea() const { return m_mdiArea; }

    // Creates a form of class T owned by the application and stores it in reference.
    // When creation fails, reference stays untouched and the error propagates.
    template <class T> void CreateForm(T*& reference)
    {
        auto* form = new T(nullptr);
        try {
            form->Initialize();
        } catch (...) {
            delete form;
            throw;
        }
        adopt(form);
        reference = form;
    }

    // Watches the creation of every form: called once the form's components are built, before
    // its creation event; an exception it raises fails that creation as one of the form's own
    // would. An empty function removes it.
    using FormObserver = std::function<void(TForm& form)>;
    void setFormObserver(FormObserver observer) { m_formObserver = std::move(observer); }

signals:
    // A form was created and belongs to the application from now on.
    void formCreated(TForm* form);

protected:
    // Activates a child window pressed with the mouse: the windows take no click focus, so
    // that a click on a frame or a speed button leaves the focused control alone.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TForm;
    // Tells the observer that the form's components are built.
    void formBuilt(TForm& form) const;
    void adopt(TForm* form);
    void activateSubWindow(QObject* subWindow);

    QPointer<QMdiArea> m_mdiArea;
    QList<QPointer<TForm>> m_forms;
    FormObserver m_formObserver;
};

extern KLX_WIDGETS_EXPORT TApplication* Application;
extern KLX_WIDGETS_EXPORT TScreen* Screen;
