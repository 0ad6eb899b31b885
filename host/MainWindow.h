#pragma once

#include <QMainWindow>
#include <functional>

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class TForm;

// The host's main window: the MDI area the screens open in, with menus to open them, the
// "Relatório" menu of the active report screen, help and the session in the status bar.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return m_mdiArea; }
    // The "Relatórios" menu's entry of the screen module: its title ('&' marks the key), its
    // code, and what choosing it does.
    void addScreenEntry(const QString& title, const QString& code, std::function<void()> open);
    // The branch, operator and database shown for good in the status bar and in "Sobre".
    void setSession(const QString& branch, const QString& operatorCode, const QString& database);
    // The help page of the active screen (its help context), else the host's own.
    void showHelp();
    void showAbout();
    // What "Sobre" says: the version of the build and the database in use.
    QString aboutText() const;

private:
    // The screen in the active child window, if any.
    TForm* activeForm() const;
    // Shows the active report screen's commands in the "Relatório" menu, or hides the menu.
    void followActiveWindow();

    QMdiArea* m_mdiArea;
    QMenu* m_reportMenu;
    QLabel* m_branch;
    QLabel* m_operator;
    QLabel* m_database;
    QMenu* m_screensMenu;
    QString m_databaseDescription;
};
