#include "report/engine/ReportQuery.h"

#include "base/Exceptions.h"
#include "data/DatabaseFaults.h"
#include "data/Dbgeral.h"
#include "data/FirebirdAddress.h"
#include "data/FirebirdClient.h"
#include "data/FirebirdErrors.h"
#include "data/QueryWatch.h"
#include "data/Schema.h"
#include "data/SqlLexer.h"
#include "data/SqliteFunctions.h"
#include "data/SqliteSandbox.h"
#include "report/engine/ReportFilledText.h"
#include "report/engine/ReportProgress.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <sqlite3.h>
#include <utility>

namespace {

QString nextConnectionName()
{
    static std::atomic_int counter{0};
    return QStringLiteral("klx-report-%1").arg(++counter);
}

// SQLite asks this every few thousand steps; non-zero stops the statement.
int sqliteProgress(void* context)
{
    return static_cast<QueryWatch*>(context)->mustStop() ? 1 : 0;
}

QString fileNameOf(const ReportDefinition& definition)
{
    return definition.filePath.isEmpty() ? definition.title
                                         : QFileInfo(definition.filePath).fileName();
}

// A cloned connection, closed and removed when the run ends, however it ends; the engine's
// sandbox and the watch over its waits live as long as it does.
class WorkerConnection {
public:
    WorkerConnection(const ReportQuery::Source& source, ReportProgress& progress)
        : m_name(nextConnectionName())
    {
        try {
            open(source, progress);
        } catch (...) {
            close();
            throw;
        }
    }
    ~WorkerConnection() { close(); }
    WorkerConnection(const WorkerConnection&) = delete;
    WorkerConnection& operator=(const WorkerConnection&) = delete;

    QSqlDatabase& db() { return m_db; }
    QueryWatch& watch() { return *m_watch; }
    // The SQLite sandbox; nullptr on Firebird.
    SqliteSandbox* sandbox() { return m_sandbox.get(); }

private:
    void open(const ReportQuery::Source& source, ReportProgress& progress)
    {
        const bool sqlite = source.engine == DatabaseConfig::Engine::Sqlite;
        m_db = QSqlDatabase::cloneDatabase(source.connectionName, m_name);
        if (sqlite) {
            m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        } else if (const auto server = FirebirdAddress::serverOf(m_db.databaseName())) {
            // A server that stopped since the screen opened, or that no longer answers, is
            // named at once.
            FirebirdAddress::requireReachable(*server, source.connectTimeoutSeconds * 1000);
            FirebirdClient::requireAnswer(m_db.databaseName(), m_db.userName(), m_db.password(),
                                          Schema::reportRole(), source.connectTimeoutSeconds);
        }
        if (!m_db.open())
            throw EDatabaseError(QStringLiteral("Não foi possível abrir o banco de dados para o "
                                                "relatório: %1")
                                     .arg(m_db.lastError().text()));
        const std::chrono::seconds limit(source.timeLimitSeconds);
        const auto cancelled = [&progress] { return progress.isCancelled(); };
        if (sqlite) {
            registerSqliteFunctions(m_db, source.operatorName);
            QSqlQuery(m_db).exec(QStringLiteral("PRAGMA query_only = ON"));
            sqlite3* handle = sqliteHandle(m_db);
            m_sandbox = std::make_unique<SqliteSandbox>(handle);
            m_watch = std::make_unique<QueryWatch>(
                cancelled, limit,
                QueryWatch::Engine{[handle] { sqlite3_interrupt(handle); }, {}, {}});
            sqlite3_progress_handler(handle, 4000, sqliteProgress, m_watch.get());
        } else {
            const quint64 attachment = FirebirdClient::attachmentOf(m_db);
            std::function<bool()> answers;
            if (const auto server = FirebirdAddress::serverOf(m_db.databaseName()))
                answers = [server = *server, path = m_db.databaseName(), user = m_db.userName(),
                           password = m_db.password(),
                           timeout = source.connectTimeoutSeconds]() -> bool {
                    try {
                        FirebirdAddress::requireReachable(server, timeout * 1000);
                        FirebirdClient::requireAnswer(path, user, password, Schema::reportRole(),
                                                      timeout);
                        return true;
                    } catch (const EDatabaseUnavailable&) {
                        return false;
                    }
                };
            m_watch = std::make_unique<QueryWatch>(
                cancelled, limit,
                QueryWatch::Engine{
                    [attachment] { FirebirdClient::cancelOperation(attachment, false); },
                    [attachment] { FirebirdClient::cancelOperation(attachment, true); },
                    std::move(answers)});
            if (!m_db.transaction())
                throw EDatabaseError(m_db.lastError().text());
        }
    }
    void close()
    {
        // Nothing interrupts the connection once the watch is gone.
        if (sqlite3* handle = sqliteHandle(m_db))
            sqlite3_progress_handler(handle, 0, nullptr, nullptr);
        m_watch.reset();
        m_sandbox.reset();
        if (m_db.isOpen()) {
            // Whatever the statement did is undone.
            if (m_db.driverName() != QLatin1String("QSQLITE"))
                m_db.rollback();
            m_db.close();
        }
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_name);
    }

    QString m_name;
    QSqlDatabase m_db;
    std::unique_ptr<SqliteSandbox> m_sandbox;
    std::unique_ptr<QueryWatch> m_watch;
};

// A company code as stored, without the padding a fixed-width column adds.
QString companyKey(const QVariant& value)
{
    QString code = value.toString();
    while (code.endsWith(QLatin1Char(' ')))
        code.chop(1);
    return code;
}

// The companies the operator may see (OPEREMPR), read on the report's own connection.
QSet<QString> operatorCompanies(QSqlDatabase& db, const QVariant& operatorCode,
                                const std::function<void(const QSqlError&)>& fail)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT CDEMPRESA FROM OPEREMPR "
                                      "WHERE CDOPERADOR = CAST(:OPERADOR AS VARCHAR(255))")))
        fail(query.lastError());
    query.bindValue(QStringLiteral(":OPERADOR"), operatorCode.toString());
    if (!query.exec())
        fail(query.lastError());
    QSet<QString> companies;
    while (query.next())
        companies.insert(companyKey(query.value(0)));
    return companies;
}

// The names of the companies the report covers: the operator's, and of them only those the
// criteria pick when they pick some.
QStringList coveredCompanies(QSqlDatabase& db, const QHash<QString, QVariant>& values,
                             const std::function<void(const QSqlError&)>& fail)
{
    const QSet<QString> allowed =
        operatorCompanies(db, values.value(QStringLiteral("P_CDOPERADOR")), fail);
    // As the queries read it: "T" or no value is every company, anything else the list.
    const QVariant all = values.value(QStringLiteral("P_TCDEMPRESA"));
    const bool picked = !all.isNull() && all.toString() != QLatin1String("T");
    const QStringList pickedCodes =
        Dbgeral::codesOf(values.value(QStringLiteral("P_CDEMPRESA")).toString());
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT CDEMPRESA, NMEMPRESA FROM EMPRESA")))
        fail(query.lastError());
    QStringList names;
    while (query.next()) {
        const QString code = companyKey(query.value(0));
        if (allowed.contains(code) && (!picked || pickedCodes.contains(query.value(0).toString())))
            names << companyKey(query.value(1));
    }
    names.sort(Qt::CaseInsensitive);
    return names;
}

// One run of a report's query on a connection of its own: the statement, what each row is
// read as, and the errors a failure means, named by the definition's file.
class QueryRun {
public:
    QueryRun(const ReportDefinition& definition, const QHash<QString, QVariant>& values,
             const ReportQuery::Source& source, ReportProgress& progress)
        : m_definition(definition), m_values(values), m_source(source), m_progress(progress),
          m_fileName(fileNameOf(definition)), m_connection(source, progress),
          m_query(m_connection.db())
    {
        ReportQuery::usedFields(definition, m_fields, m_formats);
        m_query.setForwardOnly(true);
        m_query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    }

    // Prepares the text, binds each parameter it declares to its value (NULL when it has
    // none) and runs it.
    void execute(const QString& sql)
    {
        if (m_connection.sandbox() && !m_connection.sandbox()->admits(sql))
            fail(QSqlError());
        if (!m_query.prepare(sql))
            fail(m_query.lastError());
        for (const QString& name : ReportDefinition::declaredParameters(sql))
            m_query.bindValue(QLatin1Char(':') + name, m_values.value(name.toUpper()));
        if (!m_query.exec())
            fail(m_query.lastError());
        m_connection.watch().heard();
    }

    // Finds the fields the layout reads among the result's, and hands them to the reader with
    // the companies the report covers.
    void handFields(ReportQuery::Reader& reader)
    {
        const QSqlRecord record = m_query.record();
        // Whatever its text says, a report whose rows carry a company shows only the
        // operator's companies: a row of any other company stops the run. A row without one
        // (an account missing from CONTCORR, say) belongs to no other company and passes.
        m_companyPosition = record.indexOf(QStringLiteral("CDEMPRESA"));
        if (m_companyPosition >= 0)
            m_allowed = operatorCompanies(m_connection.db(), operatorCode(), failure());
        m_rowName = ReportFilledText(m_definition.rowName, m_fields);
        locateFields(record);
        reader.fields(m_fields, m_formats,
                      m_definition.companyField.isEmpty()
                          ? QStringList()
                          : coveredCompanies(m_connection.db(), m_values, failure()));
    }

    // Hands the rows on in batches small enough to keep memory flat, large enough to cost
    // little, until the reader asks to stop.
    void handRows(ReportQuery::Reader& reader)
    {
        constexpr int batchSize = 256;
        QVector<QVector<QVariant>> batch;
        batch.reserve(batchSize);
        int read = 0;
        while (m_query.next()) {
            checkCompany();
            batch.append(currentRow(read + batch.size() + 1));
            if (batch.size() == batchSize) {
                m_connection.watch().heard();
                read += batchSize;
                m_progress.report(ReportProgress::Stage::Query, read);
                m_progress.checkCancel();
                if (!reader.rows(std::move(batch)))
                    return;
                batch = {};
                batch.reserve(batchSize);
            }
        }
        if (m_query.lastError().isValid())
            fail(m_query.lastError());
        m_progress.checkCancel();
        read += static_cast<int>(batch.size());
        if (!batch.isEmpty())
            reader.rows(std::move(batch));
        m_progress.report(ReportProgress::Stage::Query, read);
    }

private:
    QString operatorCode() const
    {
        return m_values.value(QStringLiteral("P_CDOPERADOR")).toString();
    }

    std::function<void(const QSqlError&)> failure()
    {
        return [this](const QSqlError& error) { fail(error); };
    }

    // Where each field stands in the result; without columns, every field of the result
    // prints as text.
    void locateFields(const QSqlRecord& record)
    {
        for (const QString& field : std::as_const(m_fields)) {
            m_positions << record.indexOf(field);
            if (m_positions.last() < 0)
                throw Exception(QStringLiteral("%1: o campo %2 não está no resultado da consulta.")
                                    .arg(m_fileName, field));
        }
        if (!m_definition.columns.isEmpty())
            return;
        for (int i = 0; i < record.count(); ++i) {
            if (m_fields.contains(record.fieldName(i), Qt::CaseInsensitive))
                continue;
            m_fields << record.fieldName(i).toUpper();
            m_formats << ReportValueFormat::Text;
            m_positions << i;
        }
    }

    // Stops the run at a row of a company the operator may not see.
    void checkCompany() const
    {
        if (m_companyPosition < 0)
            return;
        const QVariant company = m_query.value(m_companyPosition);
        if (!company.isNull() && !m_allowed.contains(companyKey(company)))
            throw Exception(
                QStringLiteral("%1: a consulta trouxe cheques da empresa %2, que o operador %3 "
                               "não pode ver; o relatório foi interrompido. A consulta deve "
                               "restringir as empresas às do operador (OPEREMPR, "
                               ":P_CDOPERADOR).")
                    .arg(m_fileName, companyKey(company), operatorCode()));
    }

    // The current row's fields, each in its format; a value out of the range the report sums
    // stops the run, naming the row (its number from 1 when the definition names no row).
    QVector<QVariant> currentRow(qsizetype number) const
    {
        QVector<QVariant> row(m_positions.size());
        std::optional<std::pair<qsizetype, QString>> outOfRange;
        for (qsizetype i = 0; i < m_positions.size(); ++i) {
            try {
                row[i] = ReportFormat::normalize(m_query.value(m_positions.at(i)), m_formats.at(i));
            } catch (const ReportFormat::OutOfRange& failed) {
                if (!outOfRange)
                    outOfRange.emplace(i, failed.value);
            }
        }
        if (!outOfRange)
            return row;
        const QString name = m_rowName.isEmpty() ? QStringLiteral("linha %1").arg(number)
                                                 : m_rowName(m_formats, row);
        throw Exception(
            QStringLiteral("%1: %2 tem em %3 o valor %4, fora do limite que o "
                           "relatório soma; o relatório foi interrompido.")
                .arg(m_fileName, name, m_fields.at(outOfRange->first), outOfRange->second));
    }

    // Raises the error a database failure means, with the file's name.
    [[noreturn]] void fail(const QSqlError& error)
    {
        m_progress.checkCancel();
        failWhenWatchStopped();
        failWhenSandboxRefused();
        const QString reason = DatabaseFaults::reason(error, m_connection.db());
        if (const QString object = FirebirdErrors::readRefused(error); !object.isEmpty())
            throw ELoginRefused(
                QStringLiteral("%1: o servidor recusou a leitura de %2 ao operador %3: um "
                               "relatório lê os cheques por CHEQUE_OPERADOR.")
                    .arg(m_fileName, object, m_source.operatorName));
        if (DatabaseFaults::connectionLost(error, m_connection.db()))
            throw EDatabaseUnavailable(
                QStringLiteral("%1: durante o relatório, %2").arg(m_fileName, reason));
        throw EDatabaseError(
            QStringLiteral("%1: erro na consulta do relatório: %2").arg(m_fileName, reason));
    }

    // The watch stopped the query: the server fell silent, or the time allowed ran out.
    void failWhenWatchStopped()
    {
        QueryWatch& watch = m_connection.watch();
        if (watch.serverSilent()) {
            const auto server = FirebirdAddress::serverOf(m_connection.db().databaseName());
            throw EDatabaseUnavailable(
                QStringLiteral("%1: durante o relatório, o servidor Firebird %2, porta %3, "
                               "parou de responder (nenhuma resposta em %4 s); o relatório foi "
                               "interrompido.")
                    .arg(m_fileName, server ? server->host : QString())
                    .arg(server ? server->port : 0)
                    .arg(m_source.connectTimeoutSeconds));
        }
        if (watch.timedOut())
            throw EDatabaseError(
                QStringLiteral("%1: a consulta do relatório passou do tempo permitido (%2 s) e "
                               "foi interrompida.")
                    .arg(m_fileName)
                    .arg(watch.timeLimit().count()));
    }

    // SQLite's sandbox refused what the text asked for: a read refused is the operator's.
    void failWhenSandboxRefused()
    {
        const SqliteSandbox* sandbox = m_connection.sandbox();
        if (!sandbox || sandbox->refused().isEmpty())
            return;
        const QString refusal =
            QStringLiteral("%1: a consulta do relatório não pode usar %2: um relatório lê só "
                           "as tabelas do KLX (os cheques pela visão CHEQUE_OPERADOR) com as "
                           "funções permitidas.")
                .arg(m_fileName, sandbox->refused());
        if (sandbox->refusedRead())
            throw ELoginRefused(refusal);
        throw EDatabaseError(refusal);
    }

    const ReportDefinition& m_definition;
    const QHash<QString, QVariant>& m_values;
    const ReportQuery::Source& m_source;
    ReportProgress& m_progress;
    const QString m_fileName;
    QStringList m_fields;
    QList<ReportValueFormat> m_formats;
    WorkerConnection m_connection;
    QSqlQuery m_query;
    // Where each field stands in the result's record.
    QVector<int> m_positions;
    int m_companyPosition = -1;
    QSet<QString> m_allowed;
    ReportFilledText m_rowName;
};

} // namespace

ReportQuery::Source ReportQuery::sourceOf(const TdtmDBGeral& module)
{
    return {module.database().connectionName(), module.config().engine, module.operatorName(),
            module.config().connectTimeoutSeconds, module.config().reportTimeLimitSeconds};
}

ReportQuery::Source ReportQuery::sharedSource()
{
    if (!dtmDBGeral || !dtmDBGeral->isOpen())
        throw EDatabaseError(QStringLiteral("O banco de dados não está aberto."));
    return sourceOf(*dtmDBGeral);
}

QString ReportQuery::databaseFile(const Source& source)
{
    // A clone by name may be made in any thread; its settings are those of the original.
    const QString name = nextConnectionName();
    QString file = QSqlDatabase::cloneDatabase(source.connectionName, name).databaseName();
    QSqlDatabase::removeDatabase(name);
    return file;
}

void ReportQuery::usedFields(const ReportDefinition& definition, QStringList& fields,
                             QList<ReportValueFormat>& formats)
{
    fields.clear();
    formats.clear();
    const auto add = [&](const QString& field, ReportValueFormat format = ReportValueFormat::Text) {
        if (field.isEmpty() || fields.contains(field, Qt::CaseInsensitive))
            return;
        const ReportDefinition::Column* column = definition.column(field);
        fields << field.toUpper();
        formats << (column ? column->format : format);
    };
    for (const ReportDefinition::Column& column : definition.columns)
        add(column.field);
    for (const ReportDefinition::Column& column : definition.exportColumns)
        add(column.field, column.format);
    for (const ReportDefinition::Group& group : definition.groups) {
        add(group.field);
        for (const QString& text : {group.heading, group.footer})
            for (const ReportDefinition::Placeholder& placeholder :
                 ReportDefinition::placeholders(text))
                add(placeholder.field);
    }
    for (const ReportDefinition::Placeholder& placeholder :
         ReportDefinition::placeholders(definition.rowName))
        add(placeholder.field);
    add(definition.companyField);
    add(definition.stateField);
    add(definition.inconsistencyField);
    add(definition.crosstab.rowField);
    add(definition.crosstab.columnField);
}

void ReportQuery::checkSingleSelect(const QString& sql, const QString& sourceName,
                                    DatabaseConfig::Engine engine)
{
    // Literals and quoted names, as the engine reads them, cannot hide a second statement nor
    // a sequence.
    const auto reading = engine == DatabaseConfig::Engine::Firebird ? SqlLexer::Reading::Firebird
                                                                    : SqlLexer::Reading::Sqlite;
    QString bare = SqlLexer::codeOf(sql, reading).trimmed();
    while (bare.endsWith(QLatin1Char(';')))
        bare = bare.chopped(1).trimmed();
    static const QRegularExpression first(QStringLiteral("^\\(*\\s*(\\w+)"));
    const QString keyword = first.match(bare).captured(1).toUpper();
    if (bare.contains(QLatin1Char(';')) ||
        (keyword != QLatin1String("SELECT") && keyword != QLatin1String("WITH")))
        throw Exception(QStringLiteral("%1: a consulta do relatório deve ser um único SELECT.")
                            .arg(sourceName));
    // A sequence advanced by a SELECT stays advanced whatever the transaction does.
    static const QRegularExpression sequence(
        QStringLiteral("\\bGEN_ID\\s*\\(|\\bNEXT\\s+VALUE\\s+FOR\\b"),
        QRegularExpression::CaseInsensitiveOption);
    if (bare.contains(sequence))
        throw Exception(QStringLiteral("%1: a consulta do relatório não pode avançar sequências "
                                       "(GEN_ID, NEXT VALUE FOR): um relatório só lê dados.")
                            .arg(sourceName));
}

void ReportQuery::read(const ReportDefinition& definition, const QHash<QString, QVariant>& values,
                       const Source& source, ReportProgress& progress, Reader& reader)
{
    const QString fileName = fileNameOf(definition);
    const QString sql = definition.sqlFor(source.engine);
    if (sql.trimmed().isEmpty())
        throw Exception(QStringLiteral("%1: falta a consulta (sql).").arg(fileName));
    checkSingleSelect(sql, fileName, source.engine);

    progress.report(ReportProgress::Stage::Query, 0);
    QueryRun run(definition, values, source, progress);
    run.execute(sql);
    run.handFields(reader);
    run.handRows(reader);
}
