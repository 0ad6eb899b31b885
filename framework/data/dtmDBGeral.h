#pragma once

#include "base/CoreExport.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

// The SQL dialect whose texts a query runs.
enum class SqlDialect { Oracle, MsSql, InterBase };

// Parses "oracle", "mssql" or "ib"; std::nullopt for anything else.
KLX_CORE_EXPORT std::optional<SqlDialect> sqlDialectFromName(const QString& name);
KLX_CORE_EXPORT QString sqlDialectName(SqlDialect dialect);

// Where the shared connection goes.
struct DatabaseConfig {
    enum class Engine { Sqlite, Firebird };
    Engine engine = Engine::Sqlite;
    // SQLite: the database file. Firebird: a local .fdb path (embedded engine) or
    // "host:/path", "host/port:/path" (server).
    QString path;
    // The path is the demo database: created with the schema and demo data when missing
    // (or left empty by an interrupted first run). Any other database must exist and hold
    // the application's tables; it is refused, untouched, when it does not.
    bool createWithDemoData = false;
    // Who connects: the operator. On Firebird the server user of that name with its password,
    // under the report role (Schema::reportRole()), so that CURRENT_USER names the operator and
    // the role's grants are all it may do; the embedded engine takes the name without a
    // password and applies the same rights. On SQLite the operator KLX_OPERADOR() returns on
    // every connection (none: the view shows no check). SYSDBA and the database's owner are
    // refused as operators.
    QString user;
    QString password;
    // Connects as the database's owner instead, without the role and with no operator
    // checks: administration (klx-admin) and test data only. On the embedded engine the user
    // defaults to SYSDBA.
    bool administrator = false;
    // Overrides the connection's own dialect (tests run every dialect on one database).
    std::optional<SqlDialect> dialect;
    // How long a Firebird server may take to answer a connection, in seconds.
    int connectTimeoutSeconds = 10;
    // How long a report's query may run, in seconds; 0: no limit.
    int reportTimeLimitSeconds = 1800;
};

// The shared data module: the one database connection of the application.
class KLX_CORE_EXPORT TdtmDBGeral : public QObject {
    Q_OBJECT
public:
    explicit TdtmDBGeral(QObject* parent = nullptr);
    ~TdtmDBGeral() override;

    // Opens the connection; raises EDatabaseError with a readable reason on failure and
    // then leaves the database as it found it: EDatabaseUnavailable when it cannot be reached
    // now (no server, a lock), ELoginRefused when it refuses the user or the operator.
    void open(const DatabaseConfig& config);
    // The embedded engine reads its lock directory from the environment: unless it names one
    // already, the user's own. Before the client library loads.
    static void prepareFirebirdEnvironment();
    // The operator the connection was opened for (DatabaseConfig::user).
    QString operatorName() const { return m_config.user; }
    void close();
    bool isOpen() const;

    QSqlDatabase database() const;
    const DatabaseConfig& config() const { return m_config; }
    // The dialect whose texts run: the override, or the connection's own.
    SqlDialect dialect() const;

private:
    // Checks a local database file before it is opened; creates a missing demo database's
    // file (and folder). Returns true when it created the file.
    bool prepareLocalFile(const QString& path) const;
    // Opens a connection of the driver to the path as the user (with the report role unless
    // administrator); raises EDatabaseError on failure.
    QSqlDatabase connect(const QString& name, const QString& path, bool administrator) const;
    // On an owner's connection: the demo database's schema made when the file has no tables,
    // or brought to the current version. Returns the tables it has.
    QStringList prepareDemoSchema(QSqlDatabase& db);
    // Raises EDatabaseError unless the database holds every table of the application and,
    // for an operator, the version table.
    void requireApplicationTables(const QStringList& tables) const;
    // For an operator: raises EDatabaseError unless the schema is at the current version.
    void requireCurrentVersion(const QSqlDatabase& db) const;
    // Firebird: raises ELoginRefused unless the connection's user may be an operator: not
    // SYSDBA nor the database's owner, and holding the report role.
    void requireOperator(const QSqlDatabase& db) const;

    DatabaseConfig m_config;
    QString m_connectionName;
};

// The application's shared data module; created by the host.
extern KLX_CORE_EXPORT TdtmDBGeral* dtmDBGeral;
