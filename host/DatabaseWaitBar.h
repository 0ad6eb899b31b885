#pragma once

#include <QObject>

class QStatusBar;
class QWidget;

// Shows a statement's wait for the database in the main window (DatabaseWait's presenter):
// the busy cursor and, in the status bar, "aguardando o banco de dados…" with "Cancelar"
// (or Escape). While it shows, the rest of the program takes no input.
class DatabaseWaitBar : public QObject {
    Q_OBJECT
public:
    // Installs itself as the presenter of the waits; uninstalls when destroyed.
    explicit DatabaseWaitBar(QStatusBar* statusBar);
    ~DatabaseWaitBar() override;

    void begin();
    // Turns the event loop; true once the user cancelled.
    bool poll();
    void end();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* m_bar;
    QWidget* m_cancel;
    bool m_cancelled = false;
    bool m_shown = false;
};
