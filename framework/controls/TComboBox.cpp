#include "controls/TComboBox.h"

#include "base/Dispatcher.h"

TComboBox::TComboBox(QWidget* parent) : QComboBox(parent)
{
    connect(this, &QComboBox::activated, this, [this] { raiseChange(); });
}

void TComboBox::SelectByUser(int index)
{
    setCurrentIndex(index);
    raiseChange();
}

void TComboBox::raiseChange()
{
    Dispatcher::run([this] {
        if (OnChange)
            OnChange(this);
    });
}
