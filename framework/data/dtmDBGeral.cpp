#include "data/dtmDBGeral.h"

#include "base/Exceptions.h"
#include "base/FaultInjection.h"
#include "data/DatabaseFaults.h"
#include "data/FirebirdAddress.h"
#include "data/FirebirdLockDirectory.h"
#include "data/SqlParameters.h"
#include "data/SqliteFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <sqlite3.h>

#if __has_include(<ibase.h>)
#include <ibase.h>
#define KLX_HAVE_FBCLIENT 1
#endif

TdtmDBGeral* dtmDBGeral = nullptr;

namespace {

const QString sqliteDriver = QStringLiteral("QSQLITE");
const QString firebirdDriver = QStringLiteral("QIBASE");

QString nextConnectionName()
{
    static int counter = 0;
    return QStringLiteral("dtmDBGeral-%1").arg(++counter);
}

// How long opening a server database waits for the server to answer at all.
constexpr int firebirdConnectTimeoutMs = 10000;

// The tables every database of the application holds.
const QStringList applicationTables{QStringLiteral("BANCO"),    QStringLiteral("CHEQUE"),
                                    QStringLiteral("CONTCORR"), QStringLiteral("EMPRESA"),
                                    QStringLiteral("FILIAL"),   QStringLiteral("OPERADOR"),
                                    QStringLiteral("OPEREMPR")};

QString openFailure(const QString& path, const QString& reason)
{
    return QStringLiteral("Não foi possível abrir o banco de dados '%1': %2").arg(path, reason);
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
        throw EDatabaseError(openFailure(path, DatabaseFaults::reason(query.lastError(), db)));
    QStringList tables;
    while (query.next())
        tables << query.value(0).toString();
    if (query.lastError().isValid())
        throw EDatabaseError(openFailure(path, DatabaseFaults::reason(query.lastError(), db)));
    return tables;
}

QString readResource(const QString& name)
{
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EDatabaseError(QStringLiteral("Script de banco de dados ausente: %1").arg(name));
    return QString::fromUtf8(file.readAll());
}

// The embedded engine reads its lock directory from the environment: unless it names one
// already, the user's own.
void prepareFirebirdEnvironment()
{
    if (!qEnvironmentVariableIsEmpty("FIREBIRD_LOCK"))
        return;
    const QString lockDir = FirebirdLockDirectory::defaultPath();
    FirebirdLockDirectory::prepare(lockDir);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(lockDir));
}

QString quotedSqlText(const QString& text)
{
    return QString(text).replace(QLatin1Char('\''), QStringLiteral("''"));
}

// Creates an empty UTF8 database file. The Qt driver can only attach to an existing
// database, so this goes through the client library, resolved at run time: an
// installation without Firebird still runs on SQLite.
void createFirebirdDatabase(const QString& path, const DatabaseConfig& config)
{
    const auto failure = [&](const QString& reason) {
        return EDatabaseError(QStringLiteral("Não foi possível criar o banco de dados Firebird "
                                             "'%1': %2")
                                  .arg(path, reason));
    };
#ifdef KLX_HAVE_FBCLIENT
    QLibrary client(QStringLiteral("fbclient"), 2);
    if (!client.load())
        throw failure(client.errorString());
    const auto executeImmediate = reinterpret_cast<decltype(&isc_dsql_execute_immediate)>(
        client.resolve("isc_dsql_execute_immediate"));
    const auto detach =
        reinterpret_cast<decltype(&isc_detach_database)>(client.resolve("isc_detach_database"));
    const auto interpret =
        reinterpret_cast<decltype(&fb_interpret)>(client.resolve("fb_interpret"));
    if (!executeImmediate || !detach || !interpret)
        throw failure(QStringLiteral("biblioteca cliente do Firebird incompatível"));

    // The file name goes in the file system's encoding, the rest is ASCII.
    const QByteArray statement = "CREATE DATABASE '" + QFile::encodeName(path).replace('\'', "''") +
                                 "' USER '" + quotedSqlText(config.user).toUtf8() + "' PASSWORD '" +
                                 quotedSqlText(config.password).toUtf8() +
                                 "' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8";
    ISC_STATUS_ARRAY status{};
    isc_db_handle database = 0;
    isc_tr_handle transaction = 0;
    if (executeImmediate(status, &database, &transaction, 0, statement.constData(), SQL_DIALECT_V6,
                         nullptr)) {
        QStringList reasons;
        const ISC_STATUS* vector = status;
        char buffer[512];
        while (interpret(buffer, sizeof buffer, &vector))
            reasons << QString::fromLocal8Bit(buffer);
        throw failure(reasons.join(QStringLiteral("; ")));
    }
    detach(status, &database);
#else
    Q_UNUSED(config);
    throw failure(QStringLiteral("suporte ao Firebird não incluído nesta compilação"));
#endif
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
        created = prepareLocalFile(path);
    } else if (const auto server = FirebirdAddress::serverOf(path)) {
        FirebirdAddress::requireReachable(*server, firebirdConnectTimeoutMs);
    }

    m_connectionName = nextConnectionName();
    try {
        QSqlDatabase db = QSqlDatabase::addDatabase(driver, m_connectionName);
        db.setDatabaseName(path);
        if (!sqlite) {
            db.setUserName(config.user);
            db.setPassword(config.password);
        }
        if (!db.open())
            throw EDatabaseError(openFailure(config.path, db.lastError().text()));
        if (sqlite)
            registerSqliteFunctions(db);
        const QStringList tables = tablesOf(db, config.path);
        // A new demo database, or one left empty by an interrupted first run.
        if (tables.isEmpty() && config.createWithDemoData)
            createSchema(db);
        else
            requireApplicationTables(tables);
    } catch (...) {
        close();
        if (created)
            QFile::remove(path);
        throw;
    }
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
            createFirebirdDatabase(path, m_config);
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
}

void TdtmDBGeral::createSchema(QSqlDatabase& db)
{
    const bool sqlite = m_config.engine == DatabaseConfig::Engine::Sqlite;
    // SQLite takes the definitions and the data in one transaction. Firebird commits
    // each definition before the data can use it, then loads the data in one.
    if (sqlite)
        db.transaction();
    try {
        runScript(db, sqlite ? QStringLiteral(":/db/sqlite/schema.sql")
                             : QStringLiteral(":/db/firebird/schema.sql"));
        if (!sqlite)
            db.transaction();
        runScript(db, QStringLiteral(":/db/demo.sql"));
        if (!db.commit())
            throw EDatabaseError(db.lastError().text());
    } catch (const EDatabaseError& error) {
        db.rollback();
        throw EDatabaseError(
            QStringLiteral("Não foi possível criar as tabelas do banco de dados '%1': %2")
                .arg(m_config.path, error.Message()));
    }
}

void TdtmDBGeral::runScript(QSqlDatabase& db, const QString& resource)
{
    for (const QString& statement : splitSqlScript(readResource(resource))) {
        QSqlQuery query(db);
        if (!query.exec(statement))
            throw EDatabaseError(QStringLiteral("%1 (em %2: %3)")
                                     .arg(query.lastError().text(), resource,
                                          statement.section(QLatin1Char('\n'), 0, 0)));
    }
}

QStringList TdtmDBGeral::splitSqlScript(const QString& script)
{
    static const QRegularExpression setTerm(QStringLiteral("^SET\\s+TERM\\s+(\\S+)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    QStringList statements;
    QString terminator = QStringLiteral(";");
    QString current;
    const auto finishStatement = [&] {
        const QString statement = current.trimmed();
        current.clear();
        if (statement.isEmpty())
            return;
        const auto match = setTerm.match(statement);
        if (match.hasMatch())
            terminator = match.captured(1);
        else
            statements << statement;
    };

    // Comments go first: Qt would read ":name" in them as placeholders.
    const QString text = SqlParameters::withoutComments(script);
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text runs to the next quote; a doubled quote reopens it.
            qsizetype end = text.indexOf(c, i + 1);
            end = end < 0 ? size : end + 1;
            current += text.mid(i, end - i);
            i = end;
        } else if (QStringView(text).mid(i).startsWith(terminator)) {
            finishStatement();
            i += terminator.size();
        } else {
            current += c;
            ++i;
        }
    }
    finishStatement();
    return statements;
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

bool TdtmDBGeral::takeQueryFault()
{
    return m_faults && m_faults->takeQuery();
}
