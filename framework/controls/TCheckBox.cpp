#include "controls/TCheckBox.h"

#include "base/Dispatcher.h"

TCheckBox::TCheckBox(QWidget* parent) : QCheckBox(parent)
{
    connect(this, &QAbstractButton::toggled, this, [this] {
        if (m_settingFromCode)
            return;
        Dispatcher::run([this] {
            if (OnClick)
                OnClick(this);
        });
    });
}

void TCheckBox::SetChecked(bool checked)
{
    if (checked == isChecked())
        return;
    m_settingFromCode = true;
    setChecked(checked);
    m_settingFromCode = false;
    if (OnClick)
        OnClick(this);
}
