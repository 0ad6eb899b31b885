#pragma once

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <optional>

class FaultInjection;

// The SQL dialect whose texts a query runs.
enum class SqlDialect { Oracle, MsSql, InterBase };

// Parses "oracle", "mssql" or "ib"; std::nullopt for anything else.
std::optional<SqlDialect> sqlDialectFromName(const QString& name);
QString sqlDialectName(SqlDialect dialect);

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
    QString user = QStringLiteral("SYSDBA");
    QString password = QStringLiteral("masterkey");
    // Firebird: the user report queries run as, when given: one that may only read
    // (db/firebird/report-user.sql grants it). Empty: the user above.
    QString reportUser;
    QString reportPassword;
    // Overrides the connection's own dialect (tests run every dialect on one database).
    std::optional<SqlDialect> dialect;
};

// The shared data module: the one database connection of the application.
class TdtmDBGeral : public QObject {
    Q_OBJECT
public:
    explicit TdtmDBGeral(QObject* parent = nullptr);
    ~TdtmDBGeral() override;

    // Opens the connection; raises EDatabaseError with a readable reason on failure and
    // then leaves the database as it found it.
    void open(const DatabaseConfig& config);
    void close();
    bool isOpen() const;

    QSqlDatabase database() const;
    const DatabaseConfig& config() const { return m_config; }
    // The dialect whose texts run: the override, or the connection's own.
    SqlDialect dialect() const;

    // The faults a test run arms (FaultInjection), owned by whoever hands them over; none by
    // default.
    void setFaults(FaultInjection* faults) { m_faults = faults; }
    // True once after a query fault was armed: the query about to open raises the error.
    bool takeQueryFault();

private:
    // Checks a local database file before it is opened; creates a missing demo database's
    // file (and folder). Returns true when it created the file.
    bool prepareLocalFile(const QString& path) const;
    // Raises EDatabaseError unless the database holds every table of the application.
    void requireApplicationTables(const QStringList& tables) const;
    // Loads the schema and demo data into a database that has no tables.
    void createSchema(QSqlDatabase& db);
    static void runScript(QSqlDatabase& db, const QString& resource);
    // The statements of a script: ';' ends one unless "SET TERM" (isql's convention
    // for PSQL bodies) names another terminator; comments are dropped.
    static QStringList splitSqlScript(const QString& script);

    DatabaseConfig m_config;
    QString m_connectionName;
    FaultInjection* m_faults = nullptr;
};

// The application's shared data module; created by the host.
extern TdtmDBGeral* dtmDBGeral;
