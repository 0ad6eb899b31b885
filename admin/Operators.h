#pragma once

#include <QString>
#include <QStringList>

class Administration;

// The operators of one database: a row in OPERADOR, the companies in OPEREMPR and, on
// Firebird, the report role. On a server each operator logs in as the server login of its
// name; logins belong to the whole server, every database on it included, so what is done
// here to one database leaves the login alone unless asked: a new login is made when there
// is none, an existing one keeps its password, and removing an operator keeps its login.
class Operators {
public:
    explicit Operators(Administration& administration);

    // Adds the operator or completes what it lacks, with these companies ("01,02", or "all":
    // every company, new ones included). A login that exists keeps its password unless
    // resetPassword; a new one takes the password of the file, or one typed twice.
    QString add(const QString& name, const QString& companies, const QString& passwordFile,
                const QString& displayName, bool resetPassword);
    // Takes the operator out of this database; the login goes too only with dropLogin.
    QString remove(const QString& name, bool dropLogin);
    // Moves the operator to a new name (the server does not rename logins: the new one is
    // made, or an existing one taken as it is); the old login goes only with dropLogin.
    QString rename(const QString& name, const QString& newName, const QString& passwordFile,
                   bool dropLogin);
    // Sets the login's password (server-wide) and makes it active.
    QString changePassword(const QString& name, const QString& passwordFile);
    // One line per operator: name, companies, the login (exists, active) and the role.
    QStringList list();

private:
    // The companies a list names ("all": every one), each checked against EMPRESA.
    QStringList companiesOf(const QString& list);
    void setCompanies(const QString& name, const QStringList& companies, bool all);
    // What is to be done to an operator's server login, decided (and a new password read)
    // before the transaction; applied in it, saying what was done.
    struct LoginPlan {
        enum class Action { None, Keep, Create, Reset } action = Action::None;
        QString password;
        bool inactive = false;
    };
    LoginPlan planLogin(const QString& name, const QString& passwordFile, bool resetPassword);
    QString applyLogin(const QString& name, const LoginPlan& plan);
    void grantRole(const QString& name);
    void revokeRole(const QString& name);
    bool registered(const QString& name);

    Administration& m_administration;
};
