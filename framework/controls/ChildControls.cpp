#include "controls/ChildControls.h"

#include <QWidget>

void Consiste::SetChildEnabled(QWidget* container, bool enabled)
{
    const auto children = container->findChildren<QWidget*>();
    for (QWidget* child : children)
        child->setEnabled(enabled);
}
