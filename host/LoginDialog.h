#pragma once

#include <QDialog>
#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

// The program's login: "Operador", "Senha" (on a Firebird server only: SQLite and the
// embedded engine take the operator's name alone), "Filial" and "Entrar". The last operator
// and branch that logged in are remembered in the program's state (ProgramState), never the
// password. A refused login is said in the dialog, which stays open for another try; after
// repeated refusals each try waits longer before "Entrar" takes it again. Enter presses
// "Entrar", Escape cancels.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    struct Login {
        QString operatorCode;
        QString password;
        QString branch;
    };
    // Tries a login; raises an Exception whose message says why it was refused.
    using Attempt = std::function<void(const Login&)>;

    // database: what the login opens, as the dialog names it ("Banco: servidor:/dados/klx.fdb").
    LoginDialog(const QString& database, bool askPassword, Attempt attempt,
                QWidget* parent = nullptr);

    // Fills the fields: the given operator and branch, else the remembered ones; the focus
    // goes to the first field left to type.
    void fill(const QString& operatorCode, const QString& branch);
    // Refusals in a row so far.
    int refusals() const { return m_refusals; }
    // How long "Entrar" waits after that many refusals in a row, in seconds: none for the
    // first two, then 2, 4, 8... up to 30.
    static int delayAfter(int refusals);

private:
    void enter();
    // While "Entrar" waits after repeated refusals, neither it nor the fields take anything.
    void setWaiting(bool waiting);
    // The wait is over: "Entrar" and the fields again, the refusal without "Tente de novo".
    void endWait();

    Attempt m_attempt;
    bool m_asksPassword;
    QLineEdit* m_operator;
    QLineEdit* m_password;
    QLineEdit* m_branch;
    QLabel* m_message;
    QPushButton* m_enter;
    // Gives "Entrar" back once the wait after repeated refusals is over.
    QTimer* m_wait;
    int m_refusals = 0;
    QString m_refusal; // why the last try was refused
};
