#include "data/ReadOnlyAccess.h"

#include <QSqlDriver>
#include <QSqlQuery>

ReadOnlyAccess::ReadOnlyAccess(QSqlDatabase database)
    : m_database(std::move(database)), m_sqlite(m_database.driverName() == QLatin1String("QSQLITE"))
{
    if (m_sqlite)
        QSqlQuery(m_database).exec(QStringLiteral("PRAGMA query_only = ON"));
    else
        m_transaction = m_database.transaction();
}

ReadOnlyAccess::~ReadOnlyAccess()
{
    if (m_sqlite)
        QSqlQuery(m_database).exec(QStringLiteral("PRAGMA query_only = OFF"));
    else if (m_transaction)
        m_database.rollback();
}
