#pragma once

#include "controls/WidgetsExport.h"

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QString>

class QAbstractButton;
class QAction;
class QWidget;

// Keyboard shortcuts for a window's command buttons. Each command becomes an action that
// presses its button, so the button's own handler runs (with whatever it checks first);
// the button's hint names the keys, and a host can show the actions in its menu. The keys
// reach the commands from any control of the window, also from edits that would take
// them for their own editing (Ctrl+E is "end of line" in a line edit on X11).
class KLX_WIDGETS_EXPORT CommandShortcuts : public QObject {
    Q_OBJECT
public:
    struct Command {
        QAbstractButton* button;
        QString text;             // the menu text, with its mnemonic
        QList<QKeySequence> keys; // the first is the one menus show
        QString keysShown;        // how the hint names the keys
    };

    CommandShortcuts(QWidget* window, const QList<Command>& commands);

    QList<QAction*> actions() const { return m_actions; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QAction*> m_actions;
};
