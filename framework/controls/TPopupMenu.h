#pragma once

#include "base/Events.h"

#include <QMenu>

// A popup menu whose items raise named handlers.
class TPopupMenu : public QMenu {
    Q_OBJECT
public:
    explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}

    // Adds an item; choosing it raises the handler.
    QAction* AddItem(const QString& caption, TNotifyEvent onClick);
};
