#include "Administration.h"

#include "data/FirebirdAddress.h"
#include "data/FirebirdClient.h"
#include "data/FirebirdDatabaseFile.h"
#include "data/Schema.h"
#include "data/SqliteFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <unistd.h>

namespace {

// Where a Firebird server of this machine listens unless configured otherwise.
const FirebirdAddress::Server localServer{QStringLiteral("127.0.0.1"), 3050};

EDatabaseError statementFailure(const QSqlQuery& query, const QString& sql)
{
    return EDatabaseError(FirebirdErrors::inPortuguese(query.lastError()) +
                          QStringLiteral(" (em: ") + sql.section(QLatin1Char(' '), 0, 2) +
                          QLatin1Char(')'));
}

} // namespace

Administration::Administration(const AdminOptions& options)
    : m_options(options), m_onServer(options.onServer()),
      m_connectionName(QStringLiteral("klx-admin"))
{
}

Administration::~Administration()
{
    if (m_db.isOpen())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Administration::firebird() const
{
    return m_options.database.engine == DatabaseConfig::Engine::Firebird;
}

void Administration::open()
{
    if (m_db.isOpen())
        return;
    const DatabaseConfig& config = m_options.database;
    if (firebird())
        TdtmDBGeral::prepareFirebirdEnvironment();
    if (const auto server = FirebirdAddress::serverOf(config.path); server && firebird()) {
        FirebirdAddress::requireReachable(*server, config.connectTimeoutSeconds * 1000);
        // A server that accepts the connection and never answers is named in time.
        FirebirdClient::requireAnswer(config.path, config.user, config.password, QString(),
                                      config.connectTimeoutSeconds);
    } else if (!QFileInfo(config.path).isFile()) {
        throw EDatabaseError(QStringLiteral("o banco '%1' não existe").arg(config.path));
    }
    m_db = QSqlDatabase::addDatabase(
        firebird() ? QStringLiteral("QIBASE") : QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(config.path);
    if (firebird()) {
        m_db.setUserName(config.user);
        m_db.setPassword(config.password);
    }
    if (!m_db.open()) {
        const QString message =
            QStringLiteral("Não foi possível abrir o banco de dados '%1': %2")
                .arg(config.path, FirebirdErrors::inPortuguese(m_db.lastError()));
        if (m_db.lastError().databaseText().contains(
                QLatin1String("user name and password are not defined")))
            throw ELoginRefused(message);
        throw EDatabaseError(message);
    }
    // The operator's view calls it; the owner reads as no operator.
    if (!firebird())
        registerSqliteFunctions(m_db, QString());
}

void Administration::requireCurrentVersion()
{
    open();
    if (const int version = Schema::version(m_db); version < Schema::currentVersion)
        throw Exception(
            QStringLiteral("banco na versão %1 do esquema; rode klx-admin upgrade antes")
                .arg(version));
}

void Administration::exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(m_db);
    if (!query.prepare(sql))
        throw statementFailure(query, sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    if (!query.exec())
        throw statementFailure(query, sql);
}

void Administration::define(const QString& sql)
{
    QSqlQuery query(m_db);
    if (!query.exec(sql))
        throw statementFailure(query, sql);
}

QStringList Administration::column(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw statementFailure(query, sql);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    if (!query.exec())
        throw statementFailure(query, sql);
    QStringList found;
    while (query.next())
        found << query.value(0).toString().trimmed();
    return found;
}

bool Administration::exists(const QString& sql, const QVariantList& values)
{
    return !column(sql, values).isEmpty();
}

Administration::Login Administration::login(const QString& name)
{
    if (!m_onServer)
        return Login::Missing;
    const QStringList active =
        column(QStringLiteral("SELECT CASE WHEN SEC$ACTIVE THEN 'S' ELSE 'N' END FROM SEC$USERS "
                              "WHERE SEC$USER_NAME = ?"),
               {name});
    if (active.isEmpty())
        return Login::Missing;
    return active.contains(QStringLiteral("S")) ? Login::Active : Login::Inactive;
}

QStringList Administration::companies()
{
    return column(QStringLiteral("SELECT CDEMPRESA FROM EMPRESA ORDER BY CDEMPRESA"));
}

QString Administration::operatorName(const QString& name)
{
    static const QRegularExpression valid(QStringLiteral("^[A-Z][A-Z0-9_]{0,9}$"));
    const QString upper = name.trimmed().toUpper();
    if (!valid.match(upper).hasMatch())
        throw Exception(QStringLiteral("nome de operador inválido '%1': de 1 a 10 letras, "
                                       "algarismos ou '_', começando por uma letra")
                            .arg(name));
    if (upper == QLatin1String("SYSDBA"))
        throw Exception(QStringLiteral("SYSDBA administra o banco e não pode ser operador"));
    return upper;
}

void Administration::requireServerPathForServer() const
{
    if (!firebird() || m_onServer || m_options.embedded)
        return;
    bool served = true;
    try {
        FirebirdAddress::requireReachable(localServer, 500);
    } catch (const EDatabaseUnavailable&) {
        served = false;
    }
    if (!served && geteuid() != 0)
        return;
    const QString path = QFileInfo(m_options.database.path).absoluteFilePath();
    throw Exception(
        QStringLiteral("'%1' é um arquivo local: o motor embutido o criaria como arquivo de %2, "
                       "que %3. Para o servidor desta máquina, use --database localhost:%1 (o "
                       "servidor cria o arquivo como seu); para um arquivo só do motor "
                       "embutido, acrescente --embedded")
            .arg(path, served ? QStringLiteral("quem roda o klx-admin") : QStringLiteral("root"),
                 served ? QStringLiteral("o servidor Firebird desta máquina não abre")
                        : QStringLiteral("nem o servidor Firebird nem os operadores abrem")));
}

QString Administration::create(bool demo)
{
    const DatabaseConfig& config = m_options.database;
    if (!m_onServer && QFileInfo::exists(config.path))
        throw Exception(QStringLiteral("o banco '%1' já existe").arg(config.path));
    requireServerPathForServer();
    if (firebird()) {
        TdtmDBGeral::prepareFirebirdEnvironment();
        if (const auto server = FirebirdAddress::serverOf(config.path)) {
            FirebirdAddress::requireReachable(*server, config.connectTimeoutSeconds * 1000);
            FirebirdClient::requireAnswer(config.path, config.user, config.password, QString(),
                                          config.connectTimeoutSeconds);
        }
        FirebirdDatabaseFile::create(config.path, config.user, config.password);
    } else {
        QFile file(config.path);
        if (!file.open(QIODevice::WriteOnly))
            throw Exception(QStringLiteral("não foi possível criar '%1': %2")
                                .arg(config.path, file.errorString()));
    }
    // The database is its owner's and its group's, never everyone's.
    if (!m_onServer)
        QFile::setPermissions(config.path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                               QFile::WriteGroup);
    try {
        open();
        Schema::create(m_db, demo);
    } catch (...) {
        if (!m_onServer) {
            m_db.close();
            QFile::remove(config.path);
        }
        throw;
    }
    return QStringLiteral("banco '%1' criado na versão %2 do esquema%3")
        .arg(config.path)
        .arg(Schema::currentVersion)
        .arg(demo ? QStringLiteral(", com os dados de demonstração") : QString());
}

QString Administration::upgrade()
{
    open();
    const int before = Schema::upgrade(m_db);
    const QStringList indexes = Schema::refreshIndexes(m_db);
    const QString rebuilt =
        indexes.isEmpty()
            ? QString()
            : QStringLiteral("; índices refeitos: %1").arg(indexes.join(QStringLiteral(", ")));
    if (before >= Schema::currentVersion)
        return QStringLiteral("o banco já está na versão %1 do esquema%2").arg(before).arg(rebuilt);
    QString done = QStringLiteral("banco atualizado da versão %1 para a %2 do esquema%3")
                       .arg(before)
                       .arg(Schema::currentVersion)
                       .arg(rebuilt);
    // Before version 3 "all companies" was the list of the day: whoever holds every company
    // now may have been meant to follow new ones.
    if (before < 3) {
        const QStringList everyCompany =
            column(QStringLiteral("SELECT O.CDOPERADOR FROM OPERADOR O WHERE NOT EXISTS "
                                  "(SELECT 1 FROM EMPRESA E WHERE NOT EXISTS (SELECT 1 FROM "
                                  "OPEREMPR X WHERE X.CDOPERADOR = O.CDOPERADOR AND "
                                  "X.CDEMPRESA = E.CDEMPRESA)) ORDER BY 1"));
        if (!everyCompany.isEmpty())
            done += QStringLiteral("\nveem hoje todas as empresas: %1; para que vejam também as "
                                   "empresas novas: klx-admin operator add NOME --companies all")
                        .arg(everyCompany.join(QStringLiteral(", ")));
    }
    return done;
}
