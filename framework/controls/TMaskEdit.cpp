#include "controls/TMaskEdit.h"

#include "core/Dispatcher.h"
#include "core/Mask.h"

#include <QFocusEvent>

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& classicMask)
{
    m_editMask = classicMask;
    setInputMask(Mask::toQtInputMask(classicMask));
}

QString TMaskEdit::GetText() const
{
    if (m_editMask.isEmpty())
        return text();
    return Mask::textFromDisplay(m_editMask, displayText());
}

void TMaskEdit::SetText(const QString& text)
{
    setText(text);
}

void TMaskEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Leaving the window (a message box, a menu) or closing it is not leaving the control;
    // and focus moves made by a running handler do not raise further exits.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason || !isVisible() ||
        Dispatcher::handlerRunning())
        return;
    Dispatcher::run([this] {
        if (OnExit)
            OnExit(this);
    });
}
