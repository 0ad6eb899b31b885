#pragma once

#include "AdminOptions.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

// The commands of klx-admin on one database, through a connection of its owner. Everything a
// command changes goes in one transaction, server users included (Firebird makes them in the
// transaction of the statement), so a failure leaves nothing half-made. Each command returns
// what it did, in a sentence, and raises an Exception on failure.
class Administration {
public:
    explicit Administration(const AdminOptions& options);
    ~Administration();
    Administration(const Administration&) = delete;
    Administration& operator=(const Administration&) = delete;

    QString create(bool demo);
    QString upgrade();
    QString addOperator(const QString& name, const QString& companies, const QString& password,
                        const QString& displayName);
    QString removeOperator(const QString& name);
    QString renameOperator(const QString& name, const QString& newName, const QString& password);
    QString changePassword(const QString& name, const QString& password);

    // Opens the owner's connection (once); the commands above open it themselves.
    void open();
    QSqlDatabase& database() { return m_db; }
    bool onServer() const { return m_onServer; }
    // An operator's name as the server keeps users: upper case; raises an Exception unless it
    // is 1 to 10 letters, digits or '_' starting with a letter.
    static QString operatorName(const QString& name);

private:
    bool firebird() const;
    // Runs a statement; raises an Exception with the statement's first words on failure.
    void exec(const QString& sql, const QVariantList& values = {});
    bool exists(const QString& sql, const QVariantList& values = {});
    // Runs the work in one transaction.
    template <class Work> void inTransaction(Work work);
    QStringList companiesOf(const QString& list);
    bool serverUserExists(const QString& name);
    void grantRole(const QString& name);
    void revokeRole(const QString& name);

    AdminOptions m_options;
    bool m_onServer;
    QString m_connectionName;
    QSqlDatabase m_db;
};
