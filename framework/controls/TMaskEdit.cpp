#include "controls/TMaskEdit.h"

#include "base/Dispatcher.h"
#include "base/Mask.h"

#include <QApplication>
#include <QFocusEvent>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QValidator>

namespace {
// The window a control belongs to: its MDI child window, else its top-level window.
const QWidget* ownWindow(const QWidget* widget)
{
    for (const QWidget* w = widget; w; w = w->parentWidget())
        if (w->isWindow() || qobject_cast<const QMdiSubWindow*>(w))
            return w;
    return nullptr;
}

// Qt's mask takes any Unicode number for a digit position (a superscript two typed with
// AltGr+2, Arabic-Indic or full-width digits); only 0 to 9 are digits here. A change that
// brings in another number is refused whole, as Qt refuses what its mask refuses.
class AsciiDigitsOnly : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*pos*/) const override
    {
        for (const QChar c : input)
            if (c.isNumber() && (c < QLatin1Char('0') || c > QLatin1Char('9')))
                return Invalid;
        return Acceptable;
    }
};
} // namespace

TMaskEdit::TMaskEdit(QWidget* parent) : QLineEdit(parent) {}

void TMaskEdit::SetEditMask(const QString& classicMask)
{
    m_editMask = classicMask;
    setInputMask(Mask::toQtInputMask(classicMask));
    if (!classicMask.isEmpty() && !validator())
        setValidator(new AsciiDigitsOnly(this));
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

int TMaskEdit::FirstBlankPosition() const
{
    if (m_editMask.isEmpty())
        return -1;
    const Mask::EditMask mask = Mask::parse(m_editMask);
    const QString shown = displayText();
    for (int i = 0; i < mask.positions.size() && i < shown.size(); ++i)
        if (mask.positions.at(i).isInput() && shown.at(i) == mask.blank)
            return i;
    return -1;
}

void TMaskEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    // Entered by the keyboard, or sent back by a check that refused the text: typing
    // replaces the whole text.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason || reason == Qt::OtherFocusReason)
        selectAll();
}

void TMaskEdit::mousePressEvent(QMouseEvent* event)
{
    QLineEdit::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || hasSelectedText())
        return;
    const int blank = FirstBlankPosition();
    if (blank >= 0 && cursorPosition() > blank)
        setCursorPosition(blank);
}

void TMaskEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    // Only the user's move to another control of the same window leaves the control: not
    // another child window becoming active, a message box, a menu or a popup taking the
    // focus, nor the window closing; and focus moves made by a running handler do not
    // raise further exits. The new focus widget is already set when focus-out arrives.
    const QWidget* next = QApplication::focusWidget();
    if (!next || next == this || ownWindow(next) != ownWindow(this) || !isVisible() ||
        Dispatcher::handlerRunning())
        return;
    Dispatcher::run([this] {
        if (OnExit)
            OnExit(this);
    });
}
