#include "form/EnterAsTab.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>

namespace {
bool& option()
{
    static bool on = false;
    return on;
}

bool isField(const QObject* object)
{
    return qobject_cast<const QLineEdit*>(object) || qobject_cast<const QComboBox*>(object) ||
           qobject_cast<const QRadioButton*>(object) || qobject_cast<const QCheckBox*>(object);
}
} // namespace

void EnterAsTab::setEnabled(bool enabled)
{
    option() = enabled;
}

bool EnterAsTab::enabled()
{
    return option();
}

void EnterAsTab::watch(QWidget* window)
{
    auto* filter = new EnterAsTab(window);
    const auto children = window->findChildren<QWidget*>();
    for (QWidget* child : children)
        if (isField(child))
            child->installEventFilter(filter);
}

bool EnterAsTab::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !option())
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    const auto* list = qobject_cast<const QComboBox*>(watched);
    if (!enter || !plain || (list && list->view()->isVisible()))
        return QObject::eventFilter(watched, event);
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(watched, &tab);
    return true;
}
