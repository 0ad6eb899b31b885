#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"
#include "form/HandlerTable.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <QMdiSubWindow>

enum class TFormStyle { fsNormal, fsMDIChild };
enum class TFormBorderStyle { bsSizeable, bsSingle };
enum class TWindowState { wsNormal, wsMinimized, wsMaximized };

// A form built from its stored description. Derived forms list their descriptions,
// base first, and publish their handlers by name; Initialize() builds the components,
// wires the handlers and raises the creation event.
class KLX_WIDGETS_EXPORT TForm : public QWidget {
    Q_OBJECT
public:
    explicit TForm(QWidget* parent = nullptr);
    ~TForm() override;

    // Builds the form from its descriptions and raises OnCreate.
    void Initialize();

    void Show();
    void SetWindowState(TWindowState state);
    TWindowState WindowState() const;
    // Repaints the form at once.
    void Refresh();
    // Raised by the application when the form becomes the active child window.
    void Activate();

    QString Caption() const { return windowTitle(); }
    void SetCaption(const QString& caption) { setWindowTitle(caption); }
    TFormStyle FormStyle() const { return m_formStyle; }
    void SetFormStyle(TFormStyle style) { m_formStyle = style; }
    TFormBorderStyle BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(TFormBorderStyle style) { m_borderStyle = style; }
    // The design position of the window inside the host's main window.
    QPoint DesignPosition() const { return m_designPosition; }
    void SetDesignPosition(const QPoint& position) { m_designPosition = position; }
    int HelpContext() const { return m_helpContext; }
    void SetHelpContext(int context) { m_helpContext = context; }

    // Confirms what a command did in the status bar of the main window the form is in, for a
    // few seconds; nothing outside a main window.
    void StatusMessage(const QString& text) const;

    // The MDI window holding the form, once shown as a child window.
    QMdiSubWindow* MdiWindow() const { return m_mdiWindow; }

    TNotifyEvent OnCreate;
    TNotifyEvent OnActivate;
    TCloseEvent OnClose;

protected:
    // Resource paths of the descriptions, base class first.
    virtual QStringList descriptionResources() const = 0;
    // Adds the class's handlers; a derived class calls its base first.
    virtual void publishHandlers(HandlerTable& table);
    // Binds the class's component pointers after the descriptions are applied.
    virtual void bindComponents() {}

    // The component of that name; raises an error when the description has none.
    template <class T> T* component(const QString& name) const
    {
        T* found = findChild<T*>(name);
        if (!found)
            throwMissingComponent(name);
        return found;
    }

    void closeEvent(QCloseEvent* event) override;

private:
    [[noreturn]] void throwMissingComponent(const QString& name) const;
    QMdiSubWindow* ensureMdiWindow();

    TFormStyle m_formStyle = TFormStyle::fsNormal;
    TFormBorderStyle m_borderStyle = TFormBorderStyle::bsSizeable;
    QPoint m_designPosition;
    int m_helpContext = 0;
    QPointer<QMdiSubWindow> m_mdiWindow;
};
