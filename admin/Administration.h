#pragma once

#include "AdminOptions.h"
#include "base/Exceptions.h"
#include "data/FirebirdErrors.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

// One database as its owner administers it: the connection, bounded by the connect timeout,
// and the statements of every command on it; create and upgrade. Everything a command changes
// goes in one transaction, server users included (Firebird makes them in the transaction of
// the statement), so a failure leaves nothing half-made. Commands return what they did, in a
// sentence, and raise an Exception on failure.
class Administration {
public:
    // A server login as the server's security database holds it.
    enum class Login { Missing, Inactive, Active };

    explicit Administration(const AdminOptions& options);
    ~Administration();
    Administration(const Administration&) = delete;
    Administration& operator=(const Administration&) = delete;

    QString create(bool demo);
    // Brings the schema to the current version; repair afterwards when asked.
    QString upgrade();

    // Opens the owner's connection (once); the commands open it themselves.
    void open();
    QSqlDatabase& database() { return m_db; }
    const AdminOptions& options() const { return m_options; }
    bool onServer() const { return m_onServer; }
    bool firebird() const;
    // Raises an Exception naming the upgrade unless the schema is at the current version.
    void requireCurrentVersion();

    // Runs a statement; raises an Exception with the statement's first words on failure.
    void exec(const QString& sql, const QVariantList& values = {});
    // Runs a definition as it stands: a routine's ":NAME" is its own variable, no parameter.
    void define(const QString& sql);
    bool exists(const QString& sql, const QVariantList& values = {});
    // The first column of a query's rows, trimmed (CHAR columns arrive blank-padded).
    QStringList column(const QString& sql, const QVariantList& values = {});
    // Runs the work in one transaction, committed at its end, rolled back on failure.
    template <class Work> void inTransaction(Work work);

    // The server login of that name; Missing on a local file, which has no logins.
    Login login(const QString& name);
    // The company codes EMPRESA holds, in order.
    QStringList companies();

    // An operator's name as the server keeps users: upper case; raises an Exception unless it
    // is 1 to 10 letters, digits or '_' starting with a letter, and not SYSDBA.
    static QString operatorName(const QString& name);

private:
    // Refuses to make a local Firebird file where a server would be the one to make it.
    void requireServerPathForServer() const;

    AdminOptions m_options;
    bool m_onServer;
    QString m_connectionName;
    QSqlDatabase m_db;
};

template <class Work> void Administration::inTransaction(Work work)
{
    if (!m_db.transaction())
        throw EDatabaseError(QStringLiteral("não foi possível iniciar a transação: %1")
                                 .arg(FirebirdErrors::inPortuguese(m_db.lastError())));
    try {
        work();
        if (!m_db.commit())
            throw EDatabaseError(QStringLiteral("não foi possível confirmar a transação: %1")
                                     .arg(FirebirdErrors::inPortuguese(m_db.lastError())));
    } catch (...) {
        m_db.rollback();
        throw;
    }
}
