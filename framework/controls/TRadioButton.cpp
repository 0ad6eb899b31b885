#include "controls/TRadioButton.h"

#include "base/Dispatcher.h"
#include "controls/KeyEvents.h"

TRadioButton::TRadioButton(QWidget* parent) : QRadioButton(parent)
{
    connect(this, &QAbstractButton::clicked, this, [this] {
        Dispatcher::run([this] {
            if (OnClick)
                OnClick(this);
        });
    });
}

void TRadioButton::SetChecked(bool checked)
{
    setChecked(checked);
    if (checked && OnClick)
        OnClick(this);
}

void TRadioButton::keyPressEvent(QKeyEvent* event)
{
    if (!KeyEvents::raiseKeyDown(this, OnKeyDown, event))
        QRadioButton::keyPressEvent(event);
}
