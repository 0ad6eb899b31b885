#pragma once

#include <QSqlDatabase>

// While it lives, statements on the connection cannot change data: SQLite refuses writes
// (query_only), and on Firebird everything runs in a transaction that is rolled back.
class ReadOnlyAccess {
public:
    explicit ReadOnlyAccess(QSqlDatabase database);
    ~ReadOnlyAccess();
    ReadOnlyAccess(const ReadOnlyAccess&) = delete;
    ReadOnlyAccess& operator=(const ReadOnlyAccess&) = delete;

private:
    QSqlDatabase m_database;
    bool m_sqlite = false;
    bool m_transaction = false;
};
