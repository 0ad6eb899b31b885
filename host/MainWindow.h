#pragma once

#include <QMainWindow>
#include <functional>

class QMdiArea;

// The host's main window: the MDI area the screens open in, with menus to open them.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    QMdiArea* mdiArea() const { return m_mdiArea; }
    // What the menu entry of the check report screen does.
    void setOpenChequeScreen(std::function<void()> open) { m_openChequeScreen = std::move(open); }
    void setStatusText(const QString& text);

private:
    QMdiArea* m_mdiArea;
    std::function<void()> m_openChequeScreen;
};
