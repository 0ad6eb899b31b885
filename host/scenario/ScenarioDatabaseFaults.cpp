#include "scenario/ScenarioDatabaseFaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QJsonArray>
#include <QPluginLoader>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlDriverPlugin>
#include <QSqlError>
#include <QSqlIndex>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlResult>
#include <atomic>

namespace {

std::atomic<bool> queryFault{false};

// A statement that reads rows: a query that opens.
bool readsRows(const QString& sql)
{
    static const QRegularExpression select(QStringLiteral("^\\s*(SELECT|WITH)\\b"),
                                           QRegularExpression::CaseInsensitiveOption);
    return select.match(sql).hasMatch();
}

// A result made while a fault is armed. The first statement that reads rows fails, taking the
// fault; any other statement, and any once the fault is gone, runs on the real driver's result.
class FaultResult : public QSqlResult {
public:
    FaultResult(const QSqlDriver* real, QSqlResult* result) : QSqlResult(real), m_real(result) {}

protected:
    bool reset(const QString& sql) override { return prepare(sql) && exec(); }
    bool prepare(const QString& sql) override
    {
        m_sql = sql;
        return true;
    }
    bool exec() override;
    void setForwardOnly(bool forward) override
    {
        QSqlResult::setForwardOnly(forward);
        m_real.setForwardOnly(forward);
    }
    QVariant data(int i) override { return m_real.value(i); }
    bool isNull(int i) override { return m_real.isNull(i); }
    bool fetch(int i) override { return moved(m_real.seek(i)); }
    bool fetchNext() override { return moved(m_real.next()); }
    bool fetchFirst() override { return moved(m_real.first()); }
    bool fetchLast() override { return moved(m_real.last()); }
    int size() override { return m_real.size(); }
    int numRowsAffected() override { return m_real.numRowsAffected(); }
    QSqlRecord record() const override { return m_real.record(); }

private:
    bool moved(bool done)
    {
        setAt(m_real.at());
        return done;
    }

    QSqlQuery m_real;
    QString m_sql;
};

bool FaultResult::exec()
{
    if (readsRows(m_sql) && queryFault.exchange(false)) {
        const QString lost = QStringLiteral("conexão perdida");
        setLastError(QSqlError(lost, lost, QSqlError::ConnectionError));
        setActive(false);
        return false;
    }
    m_real.setNumericalPrecisionPolicy(numericalPrecisionPolicy());
    if (!m_real.prepare(m_sql)) {
        setLastError(m_real.lastError());
        return false;
    }
    const QVariantList values = boundValues();
    for (int i = 0; i < values.size(); ++i)
        m_real.bindValue(i, values.at(i));
    const bool done = m_real.exec();
    setLastError(m_real.lastError());
    setSelect(m_real.isSelect());
    setActive(done);
    return done;
}

// The real driver wrapped: everything goes to it; while a fault is armed its results are
// FaultResults.
class FaultDriver : public QSqlDriver {
public:
    explicit FaultDriver(QSqlDriver* real) : m_real(real) { m_real->setParent(this); }

    bool hasFeature(DriverFeature feature) const override { return m_real->hasFeature(feature); }
    bool open(const QString& db, const QString& user, const QString& password, const QString& host,
              int port, const QString& options) override
    {
        return follow(m_real->open(db, user, password, host, port, options));
    }
    void close() override
    {
        m_real->close();
        follow(true);
    }
    QSqlResult* createResult() const override
    {
        m_real->setNumericalPrecisionPolicy(numericalPrecisionPolicy());
        QSqlResult* result = m_real->createResult();
        return queryFault ? new FaultResult(m_real, result) : result;
    }
    bool isOpen() const override { return m_real->isOpen(); }
    bool beginTransaction() override { return follow(m_real->beginTransaction()); }
    bool commitTransaction() override { return follow(m_real->commitTransaction()); }
    bool rollbackTransaction() override { return follow(m_real->rollbackTransaction()); }
    QStringList tables(QSql::TableType type) const override { return m_real->tables(type); }
    QSqlIndex primaryIndex(const QString& table) const override
    {
        return m_real->primaryIndex(table);
    }
    QSqlRecord record(const QString& table) const override { return m_real->record(table); }
    QString formatValue(const QSqlField& field, bool trim) const override
    {
        return m_real->formatValue(field, trim);
    }
    QString escapeIdentifier(const QString& name, IdentifierType type) const override
    {
        return m_real->escapeIdentifier(name, type);
    }
    bool isIdentifierEscaped(const QString& name, IdentifierType type) const override
    {
        return m_real->isIdentifierEscaped(name, type);
    }
    QString stripDelimiters(const QString& name, IdentifierType type) const override
    {
        return m_real->stripDelimiters(name, type);
    }
    int maximumIdentifierLength(IdentifierType type) const override
    {
        return m_real->maximumIdentifierLength(type);
    }
    QVariant handle() const override { return m_real->handle(); }
    bool cancelQuery() override { return m_real->cancelQuery(); }

private:
    // Takes on the real driver's state, which Qt reads from this one.
    bool follow(bool done)
    {
        setOpen(m_real->isOpen());
        setOpenError(m_real->isOpenError());
        setLastError(m_real->lastError());
        return done;
    }

    QSqlDriver* m_real;
};

// The plugin of the driver of that name, as Qt would load it.
QSqlDriverPlugin* pluginFor(const QString& name)
{
    for (const QString& folder : QCoreApplication::libraryPaths()) {
        const QDir drivers(folder + QStringLiteral("/sqldrivers"));
        for (const QString& file : drivers.entryList(QDir::Files)) {
            QPluginLoader loader(drivers.filePath(file));
            const QJsonArray keys = loader.metaData()
                                        .value(QStringLiteral("MetaData"))
                                        .toObject()
                                        .value(QStringLiteral("Keys"))
                                        .toArray();
            if (keys.contains(name))
                return qobject_cast<QSqlDriverPlugin*>(loader.instance());
        }
    }
    return nullptr;
}

class FaultDriverCreator : public QSqlDriverCreatorBase {
public:
    FaultDriverCreator(QSqlDriverPlugin* plugin, const QString& name)
        : m_plugin(plugin), m_name(name)
    {
    }
    QSqlDriver* createObject() const override
    {
        QSqlDriver* real = m_plugin->create(m_name);
        return real ? new FaultDriver(real) : nullptr;
    }

private:
    QSqlDriverPlugin* m_plugin;
    QString m_name;
};

} // namespace

void ScenarioDatabaseFaults::install()
{
    for (const QString& name : {QStringLiteral("QSQLITE"), QStringLiteral("QIBASE")})
        if (QSqlDriverPlugin* plugin = pluginFor(name))
            QSqlDatabase::registerSqlDriver(name, new FaultDriverCreator(plugin, name));
}

void ScenarioDatabaseFaults::armQuery()
{
    queryFault = true;
}
