#include "controls/TPopupMenu.h"

#include "base/Dispatcher.h"

QAction* TPopupMenu::AddItem(const QString& caption, TNotifyEvent onClick)
{
    QAction* item = addAction(caption);
    connect(item, &QAction::triggered, this, [this, onClick] {
        Dispatcher::run([this, &onClick] {
            if (onClick)
                onClick(this);
        });
    });
    return item;
}
