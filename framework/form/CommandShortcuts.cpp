#include "form/CommandShortcuts.h"

#include <QAbstractButton>
#include <QAction>
#include <QKeyEvent>
#include <QWidget>

CommandShortcuts::CommandShortcuts(QWidget* window, const QList<Command>& commands)
    : QObject(window)
{
    for (const Command& command : commands) {
        auto* action = new QAction(command.text, window);
        action->setObjectName(command.button->objectName() + QStringLiteral("Action"));
        action->setShortcuts(command.keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        QAbstractButton* button = command.button;
        connect(action, &QAction::triggered, button, [button] { button->click(); });
        button->setToolTip(QStringLiteral("%1 (%2)").arg(button->toolTip(), command.keysShown));
        window->addAction(action);
        m_actions << action;
    }
    const auto controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls)
        control->installEventFilter(this);
}

bool CommandShortcuts::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride)
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const QKeySequence pressed(key->keyCombination());
    const QKeySequence plain(
        QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, static_cast<Qt::Key>(key->key())));
    for (const QAction* action : std::as_const(m_actions)) {
        const QList<QKeySequence> keys = action->shortcuts();
        if (keys.contains(pressed) || keys.contains(plain)) {
            // Not the control's key: the shortcut runs the command.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
