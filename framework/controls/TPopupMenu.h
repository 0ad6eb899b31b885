#pragma once

#include "base/Events.h"
#include "controls/WidgetsExport.h"

#include <QMenu>

// A popup menu whose items raise named handlers.
class KLX_WIDGETS_EXPORT TPopupMenu : public QMenu {
    Q_OBJECT
public:
    explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}

    // Adds an item; choosing it raises the handler.
    QAction* AddItem(const QString& caption, TNotifyEvent onClick);
};
