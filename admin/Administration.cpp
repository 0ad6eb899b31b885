#include "Administration.h"

#include "base/Exceptions.h"
#include "data/FirebirdAddress.h"
#include "data/FirebirdDatabaseFile.h"
#include "data/Schema.h"
#include "data/SqliteFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// A text inside a statement that takes no parameter (a password in CREATE USER).
QString quoted(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) +
           QLatin1Char('\'');
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
    if (const auto server = FirebirdAddress::serverOf(config.path); server && firebird())
        FirebirdAddress::requireReachable(*server, 10000);
    else if (!QFileInfo(config.path).isFile())
        throw EDatabaseError(QStringLiteral("o banco '%1' não existe").arg(config.path));
    m_db = QSqlDatabase::addDatabase(
        firebird() ? QStringLiteral("QIBASE") : QStringLiteral("QSQLITE"), m_connectionName);
    m_db.setDatabaseName(config.path);
    if (firebird()) {
        m_db.setUserName(config.user);
        m_db.setPassword(config.password);
    }
    if (!m_db.open()) {
        const QString text = m_db.lastError().databaseText();
        const QString message = QStringLiteral("Não foi possível abrir o banco de dados '%1': %2")
                                    .arg(config.path, m_db.lastError().text());
        if (text.contains(QLatin1String("user name and password are not defined")))
            throw ELoginRefused(message);
        throw EDatabaseError(message);
    }
    // The operator's view calls it; the owner reads as no operator.
    if (!firebird())
        registerSqliteFunctions(m_db, QString());
}

void Administration::exec(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(m_db);
    if (!query.prepare(sql))
        throw EDatabaseError(query.lastError().text() + QStringLiteral(" (em: ") +
                             sql.section(QLatin1Char(' '), 0, 2) + QLatin1Char(')'));
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw EDatabaseError(query.lastError().text() + QStringLiteral(" (em: ") +
                             sql.section(QLatin1Char(' '), 0, 2) + QLatin1Char(')'));
}

bool Administration::exists(const QString& sql, const QVariantList& values)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(sql);
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw EDatabaseError(query.lastError().text());
    return query.next();
}

template <class Work> void Administration::inTransaction(Work work)
{
    if (!m_db.transaction())
        throw EDatabaseError(m_db.lastError().text());
    try {
        work();
        if (!m_db.commit())
            throw EDatabaseError(m_db.lastError().text());
    } catch (...) {
        m_db.rollback();
        throw;
    }
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

QString Administration::create(bool demo)
{
    const DatabaseConfig& config = m_options.database;
    if (!m_onServer && QFileInfo::exists(config.path))
        throw Exception(QStringLiteral("o banco '%1' já existe").arg(config.path));
    if (firebird()) {
        TdtmDBGeral::prepareFirebirdEnvironment();
        if (const auto server = FirebirdAddress::serverOf(config.path))
            FirebirdAddress::requireReachable(*server, 10000);
        FirebirdDatabaseFile::create(config.path, config.user, config.password);
    } else {
        QFile file(config.path);
        if (!file.open(QIODevice::WriteOnly))
            throw Exception(QStringLiteral("não foi possível criar '%1': %2")
                                .arg(config.path, file.errorString()));
    }
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
    return QStringLiteral("banco atualizado da versão %1 para a %2 do esquema%3")
        .arg(before)
        .arg(Schema::currentVersion)
        .arg(rebuilt);
}

QStringList Administration::companiesOf(const QString& list)
{
    QStringList all;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT CDEMPRESA FROM EMPRESA ORDER BY CDEMPRESA")))
        throw EDatabaseError(query.lastError().text());
    // A CHAR column arrives blank-padded.
    while (query.next())
        all << query.value(0).toString().trimmed();
    if (list.trimmed() == QLatin1String("all"))
        return all;
    QStringList chosen;
    for (const QString& code : list.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString trimmed = code.trimmed();
        if (!all.contains(trimmed))
            throw Exception(QStringLiteral("--companies: a empresa '%1' não está cadastrada "
                                           "(empresas: %2)")
                                .arg(trimmed, all.join(QStringLiteral(", "))));
        if (!chosen.contains(trimmed))
            chosen << trimmed;
    }
    if (chosen.isEmpty())
        throw Exception(QStringLiteral("--companies: informe as empresas (01,02 ou all)"));
    return chosen;
}

bool Administration::serverUserExists(const QString& name)
{
    return exists(QStringLiteral("SELECT 1 FROM SEC$USERS WHERE SEC$USER_NAME = ?"), {name});
}

void Administration::grantRole(const QString& name)
{
    exec(QStringLiteral("GRANT %1 TO USER %2").arg(Schema::reportRole(), name));
}

void Administration::revokeRole(const QString& name)
{
    if (exists(QStringLiteral("SELECT 1 FROM RDB$USER_PRIVILEGES WHERE RDB$USER = ? "
                              "AND RDB$RELATION_NAME = ? AND RDB$PRIVILEGE = 'M'"),
               {name, Schema::reportRole()}))
        exec(QStringLiteral("REVOKE %1 FROM USER %2").arg(Schema::reportRole(), name));
}

QString Administration::addOperator(const QString& given, const QString& companyList,
                                    const QString& password, const QString& displayName)
{
    const QString name = operatorName(given);
    if (companyList.isEmpty())
        throw Exception(QStringLiteral("--companies: informe as empresas (01,02 ou all)"));
    open();
    if (Schema::version(m_db) < Schema::currentVersion)
        throw Exception(QStringLiteral("banco na versão %1; rode klx-admin upgrade antes")
                            .arg(Schema::version(m_db)));
    const QStringList companies = companiesOf(companyList);
    QStringList made;
    inTransaction([&] {
        if (m_onServer) {
            const bool existing = serverUserExists(name);
            if (!existing && password.isEmpty())
                throw Exception(QStringLiteral("o usuário %1 não existe no servidor: informe a "
                                               "senha com --password-file")
                                    .arg(name));
            if (!password.isEmpty()) {
                exec(QStringLiteral("CREATE OR ALTER USER %1 PASSWORD %2")
                         .arg(name, quoted(password)));
                made << (existing ? QStringLiteral("senha do usuário do servidor redefinida")
                                  : QStringLiteral("usuário do servidor criado"));
            }
        }
        if (!exists(QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"), {name})) {
            exec(QStringLiteral("INSERT INTO OPERADOR (CDOPERADOR, NMOPERADOR) VALUES (?, ?)"),
                 {name, displayName.isEmpty() ? name : displayName});
            made << QStringLiteral("operador cadastrado");
        } else if (!displayName.isEmpty()) {
            exec(QStringLiteral("UPDATE OPERADOR SET NMOPERADOR = ? WHERE CDOPERADOR = ?"),
                 {displayName, name});
        }
        exec(QStringLiteral("DELETE FROM OPEREMPR WHERE CDOPERADOR = ?"), {name});
        for (const QString& company : companies)
            exec(QStringLiteral("INSERT INTO OPEREMPR (CDOPERADOR, CDEMPRESA) VALUES (?, ?)"),
                 {name, company});
        made << QStringLiteral("empresas %1").arg(companies.join(QStringLiteral(", ")));
        if (firebird()) {
            revokeRole(name);
            grantRole(name);
            made << QStringLiteral("papel %1").arg(Schema::reportRole());
        }
    });
    return QStringLiteral("operador %1: %2").arg(name, made.join(QStringLiteral("; ")));
}

QString Administration::removeOperator(const QString& given)
{
    const QString name = operatorName(given);
    open();
    if (!exists(QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"), {name}))
        throw Exception(QStringLiteral("o operador %1 não está cadastrado").arg(name));
    inTransaction([&] {
        exec(QStringLiteral("DELETE FROM OPEREMPR WHERE CDOPERADOR = ?"), {name});
        exec(QStringLiteral("DELETE FROM OPERADOR WHERE CDOPERADOR = ?"), {name});
        if (firebird())
            revokeRole(name);
        if (m_onServer && serverUserExists(name))
            exec(QStringLiteral("DROP USER %1").arg(name));
    });
    return QStringLiteral("operador %1 retirado").arg(name);
}

QString Administration::renameOperator(const QString& given, const QString& givenNew,
                                       const QString& password)
{
    const QString name = operatorName(given);
    const QString newName = operatorName(givenNew);
    if (m_onServer && password.isEmpty())
        throw Exception(QStringLiteral("informe a senha de %1 com --password-file").arg(newName));
    open();
    if (!exists(QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"), {name}))
        throw Exception(QStringLiteral("o operador %1 não está cadastrado").arg(name));
    if (exists(QStringLiteral("SELECT 1 FROM OPERADOR WHERE CDOPERADOR = ?"), {newName}))
        throw Exception(QStringLiteral("o operador %1 já está cadastrado").arg(newName));
    inTransaction([&] {
        if (m_onServer) {
            if (serverUserExists(newName))
                throw Exception(QStringLiteral("o usuário %1 já existe no servidor").arg(newName));
            exec(QStringLiteral("CREATE USER %1 PASSWORD %2").arg(newName, quoted(password)));
        }
        exec(QStringLiteral("UPDATE OPERADOR SET CDOPERADOR = ? WHERE CDOPERADOR = ?"),
             {newName, name});
        exec(QStringLiteral("UPDATE OPEREMPR SET CDOPERADOR = ? WHERE CDOPERADOR = ?"),
             {newName, name});
        if (firebird()) {
            revokeRole(name);
            grantRole(newName);
        }
        if (m_onServer && serverUserExists(name))
            exec(QStringLiteral("DROP USER %1").arg(name));
    });
    return QStringLiteral("operador %1 agora é %2").arg(name, newName);
}

QString Administration::changePassword(const QString& given, const QString& password)
{
    const QString name = operatorName(given);
    if (!m_onServer)
        throw Exception(QStringLiteral("só um servidor Firebird guarda senhas; o banco '%1' é "
                                       "local")
                            .arg(m_options.database.path));
    if (password.isEmpty())
        throw Exception(QStringLiteral("informe a nova senha com --password-file"));
    open();
    inTransaction([&] {
        if (!serverUserExists(name))
            throw Exception(QStringLiteral("o usuário %1 não existe no servidor").arg(name));
        exec(QStringLiteral("ALTER USER %1 PASSWORD %2").arg(name, quoted(password)));
    });
    return QStringLiteral("senha do operador %1 trocada").arg(name);
}
