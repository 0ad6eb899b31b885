#include "data/dtmDBGeral.h"

#include "base/Exceptions.h"
#include "data/DatabaseFaults.h"
#include "data/FirebirdAddress.h"
#include "data/FirebirdClient.h"
#include "data/FirebirdDatabaseFile.h"
#include "data/FirebirdErrors.h"
#include "data/FirebirdLockDirectory.h"
#include "data/Schema.h"
#include "data/SqlParameters.h"
#include "data/SqliteFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

TdtmDBGeral* dtmDBGeral = nullptr;

namespace {

const QString sqliteDriver = QStringLiteral("QSQLITE");
const QString firebirdDriver = QStringLiteral("QIBASE");

QString nextConnectionName()
{
    static int counter = 0;
    return QStringLiteral("dtmDBGeral-%1").arg(++counter);
}

// The tables every database of the application holds.
const QStringList applicationTables{QStringLiteral("BANCO"),    QStringLiteral("CHEQUE"),
                                    QStringLiteral("CONTCORR"), QStringLiteral("EMPRESA"),
                                    QStringLiteral("FILIAL"),   QStringLiteral("OPERADOR"),
                                    QStringLiteral("OPEREMPR")};

QString openFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("Não foi possível abrir o banco de dados '%1': %2").arg(path, reason);
}

// Raises the error an SQLite failure to open means: a lock held by another process may go
// away.
[[noreturn]] void raiseSqliteFailure(const QString& path, const QSqlError& error,
                                     const QSqlDatabase& db)
{
    const int code = error.nativeErrorCode().toInt() & 0xff;
    const QString message = openFailure(path, DatabaseFaults::reason(error, db));
    if (code == SQLITE_BUSY || code == SQLITE_LOCKED)
        throw EDatabaseUnavailable(message);
    throw EDatabaseError(message);
}

// The tables of an open database. SQLite's are read with a query of our own, since
// QSqlDatabase::tables() answers a locked or damaged file with an empty list.
QStringList tablesOf(const QSqlDatabase& db, const QString& path)
{
    if (db.driverName() != sqliteDriver)
        return db.tables(QSql::Tables);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
        raiseSqliteFailure(path, query.lastError(), db);
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    if (query.lastError().isValid())
        raiseSqliteFailure(path, query.lastError(), db);
    return tables;
}

// Raises what a Firebird server's or engine's refusal to open a database means.
[[noreturn]] void raiseFirebirdFailure(const QString& path, const QString& user,
                                       const QSqlError& error)
{
    const QString text = error.databaseText();
    if (text.contains(QLatin1String("user name and password are not defined")))
        throw ELoginRefused(openFailure(
            path, QStringLiteral("usuário ou senha inválidos para o operador %1.").arg(user)));
    if (FirebirdErrors::connectionLost(error) ||
        text.contains(QLatin1String("shutdown"), Qt::CaseInsensitive) ||
        text.contains(QLatin1String("lock"), Qt::CaseInsensitive))
        throw EDatabaseUnavailable(openFailure(path, FirebirdErrors::inPortuguese(error)));
    throw EDatabaseError(openFailure(path, FirebirdErrors::inPortuguese(error)));
}

// Firebird's embedded engine creates a database as this user; it owns the file's database.
const QString embeddedOwner = QStringLiteral("SYSDBA");

} // namespace

void TdtmDBGeral::prepareFirebirdEnvironment()
{
    if (!qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        return;
    const QString lockDir = FirebirdLockDirectory::defaultPath();
    FirebirdLockDirectory::prepare(lockDir);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(lockDir));
}

namespace {

// A local .fdb file opens through Firebird's embedded engine, a plugin of its own package
// (firebird3.0-server-core, which the package only recommends). Without it the client library
// tries a server on this machine instead and names nothing that is missing.
void requireEmbeddedEngine(const QString& databasePath)
{
    const QString root = qEnvironmentVariableIsEmpty("FIREBIRD") ? QStringLiteral(KLX_FIREBIRD_ROOT)
                                                                 : qEnvironmentVariable("FIREBIRD");
    if (!QFileInfo::exists(root + QStringLiteral("/plugins/libEngine12.so")))
        throw EDatabaseError(openFailure(
            databasePath,
            QStringLiteral(
                "o motor embutido do Firebird não está instalado (pacote "
                "firebird3.0-server-core), e um arquivo .fdb local só abre com ele: "
                "instale-o, ou use o banco num servidor Firebird (servidor:/caminho).")));
}

} // namespace

std::optional<SqlDialect> sqlDialectFromName(const QString& name)
{
    const QString key = name.trimmed().toLower();
    if (key == QLatin1String("oracle"))
        return SqlDialect::Oracle;
    if (key == QLatin1String("mssql"))
        return SqlDialect::MsSql;
    if (key == QLatin1String("ib"))
        return SqlDialect::InterBase;
    return std::nullopt;
}

QString sqlDialectName(SqlDialect dialect)
{
    switch (dialect) {
    case SqlDialect::Oracle:
        return QStringLiteral("oracle");
    case SqlDialect::MsSql:
        return QStringLiteral("mssql");
    case SqlDialect::InterBase:
        return QStringLiteral("ib");
    }
    return QString();
}

TdtmDBGeral::TdtmDBGeral(QObject* parent) : QObject(parent) {}

TdtmDBGeral::~TdtmDBGeral()
{
    close();
}

void TdtmDBGeral::open(const DatabaseConfig& config)
{
    close();
    m_config = config;
    const bool sqlite = config.engine == DatabaseConfig::Engine::Sqlite;
    const QString driver = sqlite ? sqliteDriver : firebirdDriver;
    if (config.path.trimmed().isEmpty())
        throw EDatabaseError(QStringLiteral("Nenhum banco de dados foi informado."));
    if (!sqlite && !config.administrator && config.user.trimmed().isEmpty())
        throw ELoginRefused(openFailure(config.path, QStringLiteral("nenhum operador informado.")));

    // The lock directory must be in the environment before the client library loads.
    if (!sqlite)
        prepareFirebirdEnvironment();
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw EDatabaseError(openFailure(
            config.path, QStringLiteral("o driver %1 do Qt não está instalado").arg(driver)));

    const bool localFile = sqlite || FirebirdAddress::isLocal(config.path);
    const QString path = localFile ? QFileInfo(config.path).absoluteFilePath() : config.path;
    bool created = false;
    if (localFile) {
        if (!sqlite)
            requireEmbeddedEngine(config.path);
        created = prepareLocalFile(path);
    } else if (const auto server = FirebirdAddress::serverOf(path)) {
        FirebirdAddress::requireReachable(*server, config.connectTimeoutSeconds * 1000);
    }

    m_connectionName = nextConnectionName();
    try {
        // An operator's Firebird connection cannot make the schema: an owner's does first.
        if (!sqlite && !config.administrator && config.createWithDemoData) {
            const QString ownerName = m_connectionName + QStringLiteral("-dono");
            {
                QSqlDatabase owner = connect(ownerName, path, true);
                prepareDemoSchema(owner);
                owner.close();
            }
            QSqlDatabase::removeDatabase(ownerName);
        }
        QSqlDatabase db = connect(m_connectionName, path, config.administrator);
        if (sqlite)
            registerSqliteFunctions(db, config.user);
        const QStringList tables = (sqlite || config.administrator) && config.createWithDemoData
                                       ? prepareDemoSchema(db)
                                       : tablesOf(db, config.path);
        requireApplicationTables(tables);
        // An operator reads the version table through the report role: a user without it is
        // named as such, not by the table it may not read.
        if (!sqlite && !config.administrator)
            requireOperator(db);
        requireCurrentVersion(db);
    } catch (...) {
        close();
        if (created)
            QFile::remove(path);
        throw;
    }
}

QSqlDatabase TdtmDBGeral::connect(const QString& name, const QString& path,
                                  bool administrator) const
{
    const bool sqlite = m_config.engine == DatabaseConfig::Engine::Sqlite;
    QSqlDatabase db = QSqlDatabase::addDatabase(sqlite ? sqliteDriver : firebirdDriver, name);
    db.setDatabaseName(path);
    QString user = m_config.user;
    if (!sqlite) {
        if (administrator && (user.isEmpty() || m_config.createWithDemoData))
            user = embeddedOwner;
        db.setUserName(user);
        if (!(administrator && m_config.createWithDemoData))
            db.setPassword(m_config.password);
        if (!administrator)
            db.setConnectOptions(
                QStringLiteral("ISC_DPB_SQL_ROLE_NAME=%1").arg(Schema::reportRole()));
        // A server that accepts the connection and never answers is named in time.
        FirebirdClient::requireAnswer(path, user, db.password(),
                                      administrator ? QString() : Schema::reportRole(),
                                      m_config.connectTimeoutSeconds);
    }
    if (!db.open()) {
        if (sqlite)
            raiseSqliteFailure(m_config.path, db.lastError(), db);
        raiseFirebirdFailure(m_config.path, user, db.lastError());
    }
    return db;
}

QStringList TdtmDBGeral::prepareDemoSchema(QSqlDatabase& db)
{
    const QStringList tables = tablesOf(db, m_config.path);
    try {
        if (tables.isEmpty()) {
            Schema::create(db, true);
        } else {
            // Both leave a database that is already current as it is.
            const bool older = Schema::upgrade(db) < Schema::currentVersion;
            if (Schema::refreshIndexes(db).isEmpty() && !older)
                return tables;
        }
    } catch (const EDatabaseError& error) {
        throw EDatabaseError(
            QStringLiteral("Não foi possível criar as tabelas do banco de dados '%1': %2")
                .arg(m_config.path, error.Message()));
    }
    return tablesOf(db, m_config.path);
}

bool TdtmDBGeral::prepareLocalFile(const QString& path) const
{
    const bool sqlite = m_config.engine == DatabaseConfig::Engine::Sqlite;
    const auto refuse = [&](const QString& reason) {
        return EDatabaseError(openFailure(m_config.path, reason));
    };
    const QFileInfo file(path);
    if (!file.exists()) {
        if (!m_config.createWithDemoData)
            throw refuse(QStringLiteral("o arquivo não existe (só o banco de demonstração é "
                                        "criado automaticamente)."));
        if (!QDir().mkpath(file.absolutePath()))
            throw refuse(QStringLiteral("não foi possível criar a pasta '%1'.")
                             .arg(QDir::toNativeSeparators(file.absolutePath())));
        if (!sqlite)
            FirebirdDatabaseFile::create(path, embeddedOwner, QString());
        return true;
    }
    // A directory, a device or a pipe is no database; opening a pipe would wait forever.
    if (!file.isFile())
        throw refuse(QStringLiteral("não é um arquivo de banco de dados."));
    if (!file.isReadable())
        throw refuse(QStringLiteral("sem permissão de leitura."));
    if (file.size() == 0 && !(sqlite && m_config.createWithDemoData))
        throw refuse(QStringLiteral("o arquivo está vazio; não é um banco de dados do KLX."));
    return false;
}

void TdtmDBGeral::requireApplicationTables(const QStringList& tables) const
{
    QStringList missing;
    for (const QString& table : applicationTables)
        if (!tables.contains(table, Qt::CaseInsensitive))
            missing << table;
    if (!missing.isEmpty())
        throw EDatabaseError(openFailure(
            m_config.path, QStringLiteral("não é um banco de dados do KLX (faltam as tabelas %1).")
                               .arg(missing.join(QStringLiteral(", ")))));
    // Administration opens older databases to upgrade them.
    if (m_config.administrator)
        return;
    // Version 1 has no version table (nor, on Firebird, the report role): named before the
    // operator's rights are looked at.
    if (!tables.contains(QStringLiteral("KLX_VERSAO"), Qt::CaseInsensitive))
        throw EDatabaseError(openFailure(
            m_config.path, QStringLiteral("banco na versão 1; rode klx-admin upgrade.")));
}

void TdtmDBGeral::requireCurrentVersion(const QSqlDatabase& db) const
{
    if (m_config.administrator)
        return;
    int version = 0;
    try {
        version = Schema::version(db);
    } catch (const EDatabaseError& error) {
        throw EDatabaseError(openFailure(m_config.path, error.Message()));
    }
    if (version < Schema::currentVersion)
        throw EDatabaseError(openFailure(
            m_config.path,
            QStringLiteral("banco na versão %1; rode klx-admin upgrade.").arg(version)));
}

void TdtmDBGeral::requireOperator(const QSqlDatabase& db) const
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT TRIM(CURRENT_USER), TRIM(CURRENT_ROLE), "
                                   "TRIM(MON$OWNER) FROM MON$DATABASE")) ||
        !query.next())
        throw EDatabaseError(openFailure(m_config.path, query.lastError().text()));
    const QString user = query.value(0).toString();
    const QString role = query.value(1).toString();
    const QString owner = query.value(2).toString();
    if (user.compare(embeddedOwner, Qt::CaseInsensitive) == 0 ||
        user.compare(owner, Qt::CaseInsensitive) == 0)
        throw ELoginRefused(openFailure(
            m_config.path, QStringLiteral("%1 é o administrador do banco e não pode ser operador: "
                                          "entre com um operador cadastrado.")
                               .arg(user)));
    if (role.compare(Schema::reportRole(), Qt::CaseInsensitive) != 0)
        throw ELoginRefused(openFailure(
            m_config.path,
            QStringLiteral("o operador %1 não tem o papel %2 neste banco (rode klx-admin "
                           "operator add %1).")
                .arg(user, Schema::reportRole())));
}

void TdtmDBGeral::close()
{
    if (m_connectionName.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
    m_connectionName.clear();
}

bool TdtmDBGeral::isOpen() const
{
    return !m_connectionName.isEmpty() && database().isOpen();
}

QSqlDatabase TdtmDBGeral::database() const
{
    // An empty name would give Qt's default connection, not ours.
    if (m_connectionName.isEmpty())
        return QSqlDatabase();
    return QSqlDatabase::database(m_connectionName, false);
}

SqlDialect TdtmDBGeral::dialect() const
{
    if (m_config.dialect)
        return *m_config.dialect;
    return m_config.engine == DatabaseConfig::Engine::Firebird ? SqlDialect::InterBase
                                                               : SqlDialect::Oracle;
}
