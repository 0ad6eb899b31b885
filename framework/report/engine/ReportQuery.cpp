#include "report/engine/ReportQuery.h"

#include "base/Exceptions.h"
#include "data/DatabaseFaults.h"
#include "data/Dbgeral.h"
#include "data/FirebirdAddress.h"
#include "data/FirebirdClient.h"
#include "data/FirebirdErrors.h"
#include "data/QueryWatch.h"
#include "data/Schema.h"
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

// The text as Firebird's lexer reads it, every string literal and quoted name replaced by ''
// and every comment by a space: what is left is code. Literals: '...' ('' inside), q'X...X'
// where X is any character and (, [, {, < close with ), ], }, >; quoted names "..."; an
// unclosed one runs to the end.
QString codeOf(const QString& sql)
{
    QString code;
    code.reserve(sql.size());
    const qsizetype size = sql.size();
    const auto at = [&](qsizetype i) { return i < size ? sql.at(i) : QChar(); };
    const auto isWordChar = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; };
    qsizetype i = 0;
    while (i < size) {
        const QChar c = sql.at(i);
        const bool wordStart = i == 0 || !isWordChar(sql.at(i - 1));
        if ((c == u'q' || c == u'Q') && wordStart && at(i + 1) == u'\'' && i + 2 < size) {
            const QChar open = sql.at(i + 2);
            const QChar close = open == u'('   ? QChar(u')')
                                : open == u'[' ? QChar(u']')
                                : open == u'{' ? QChar(u'}')
                                : open == u'<' ? QChar(u'>')
                                               : open;
            qsizetype end = i + 3;
            while (end < size && !(sql.at(end) == close && at(end + 1) == u'\''))
                ++end;
            i = end < size ? end + 2 : size;
            code += QStringLiteral("''");
        } else if (c == u'\'' || c == u'"') {
            qsizetype end = i + 1;
            for (;;) {
                end = sql.indexOf(c, end);
                if (end < 0 || at(end + 1) != c)
                    break;
                end += 2;
            }
            i = end < 0 ? size : end + 1;
            code += QStringLiteral("''");
        } else if (c == u'-' && at(i + 1) == u'-') {
            const qsizetype end = sql.indexOf(u'\n', i);
            i = end < 0 ? size : end;
            code += QLatin1Char(' ');
        } else if (c == u'/' && at(i + 1) == u'*') {
            const qsizetype end = sql.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? size : end + 2;
            code += QLatin1Char(' ');
        } else {
            code += c;
            ++i;
        }
    }
    return code;
}

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

void ReportQuery::checkSingleSelect(const QString& sql, const QString& sourceName)
{
    // Literals and quoted names cannot hide a second statement nor a sequence.
    QString bare = codeOf(sql).trimmed();
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
    checkSingleSelect(sql, fileName);

    QStringList fields;
    QList<ReportValueFormat> formats;
    usedFields(definition, fields, formats);

    progress.report(ReportProgress::Stage::Query, 0);
    WorkerConnection connection(source, progress);
    QSqlQuery query(connection.db());
    query.setForwardOnly(true);
    query.setNumericalPrecisionPolicy(QSql::HighPrecision);
    // Raises the error a database failure means, with the file's name.
    const auto fail = [&](const QSqlError& error) {
        progress.checkCancel();
        if (connection.watch().serverSilent()) {
            const auto server = FirebirdAddress::serverOf(connection.db().databaseName());
            throw EDatabaseUnavailable(
                QStringLiteral("%1: durante o relatório, o servidor Firebird %2, porta %3, "
                               "parou de responder (nenhuma resposta em %4 s); o relatório foi "
                               "interrompido.")
                    .arg(fileName, server ? server->host : QString())
                    .arg(server ? server->port : 0)
                    .arg(source.connectTimeoutSeconds));
        }
        if (connection.watch().timedOut())
            throw EDatabaseError(
                QStringLiteral("%1: a consulta do relatório passou do tempo permitido (%2 s) e "
                               "foi interrompida.")
                    .arg(fileName)
                    .arg(connection.watch().timeLimit().count()));
        if (const SqliteSandbox* sandbox = connection.sandbox();
            sandbox && !sandbox->refused().isEmpty()) {
            const QString refusal =
                QStringLiteral("%1: a consulta do relatório não pode usar %2: um relatório lê só "
                               "as tabelas do KLX (os cheques pela visão CHEQUE_OPERADOR) com as "
                               "funções permitidas.")
                    .arg(fileName, sandbox->refused());
            if (sandbox->refusedRead())
                throw ELoginRefused(refusal);
            throw EDatabaseError(refusal);
        }
        const QString reason = DatabaseFaults::reason(error, connection.db());
        if (const QString object = FirebirdErrors::readRefused(error); !object.isEmpty())
            throw ELoginRefused(
                QStringLiteral("%1: o servidor recusou a leitura de %2 ao operador %3: um "
                               "relatório lê os cheques por CHEQUE_OPERADOR.")
                    .arg(fileName, object, source.operatorName));
        if (DatabaseFaults::connectionLost(error, connection.db()))
            throw EDatabaseUnavailable(
                QStringLiteral("%1: durante o relatório, %2").arg(fileName, reason));
        throw EDatabaseError(
            QStringLiteral("%1: erro na consulta do relatório: %2").arg(fileName, reason));
    };
    if (connection.sandbox() && !connection.sandbox()->admits(sql))
        fail(QSqlError());
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const QString& name : ReportDefinition::declaredParameters(sql))
        query.bindValue(QLatin1Char(':') + name, values.value(name.toUpper()));
    if (!query.exec())
        fail(query.lastError());
    connection.watch().heard();

    const QSqlRecord record = query.record();
    // Whatever its text says, a report whose rows carry a company shows only the operator's
    // companies: a row of any other company stops the run. A row without one (an account
    // missing from CONTCORR, say) belongs to no other company and passes.
    const int companyPosition = record.indexOf(QStringLiteral("CDEMPRESA"));
    const QString operatorCode = values.value(QStringLiteral("P_CDOPERADOR")).toString();
    QSet<QString> allowed;
    if (companyPosition >= 0)
        allowed = operatorCompanies(connection.db(), operatorCode, fail);
    const qsizetype count = fields.size();
    const ReportFilledText rowName(definition.rowName, fields);
    QVector<int> positions(count);
    for (qsizetype i = 0; i < count; ++i) {
        positions[i] = record.indexOf(fields.at(i));
        if (positions[i] < 0)
            throw Exception(QStringLiteral("%1: o campo %2 não está no resultado da consulta.")
                                .arg(fileName, fields.at(i)));
    }
    if (definition.columns.isEmpty()) {
        // Without columns every field prints as text.
        for (int i = 0; i < record.count(); ++i) {
            if (fields.contains(record.fieldName(i), Qt::CaseInsensitive))
                continue;
            fields << record.fieldName(i).toUpper();
            formats << ReportValueFormat::Text;
            positions << i;
        }
    }
    reader.fields(fields, formats,
                  definition.companyField.isEmpty()
                      ? QStringList()
                      : coveredCompanies(connection.db(), values, fail));

    // Rows go on in batches small enough to keep memory flat, large enough to cost little.
    constexpr int batchSize = 256;
    QVector<QVector<QVariant>> batch;
    batch.reserve(batchSize);
    int read = 0;
    while (query.next()) {
        if (companyPosition >= 0) {
            const QVariant company = query.value(companyPosition);
            if (!company.isNull() && !allowed.contains(companyKey(company)))
                throw Exception(
                    QStringLiteral("%1: a consulta trouxe cheques da empresa %2, que o operador "
                                   "%3 não pode ver; o relatório foi interrompido. A consulta "
                                   "deve restringir as empresas às do operador (OPEREMPR, "
                                   ":P_CDOPERADOR).")
                        .arg(fileName, companyKey(company), operatorCode));
        }
        QVector<QVariant> row(positions.size());
        std::optional<std::pair<qsizetype, QString>> outOfRange;
        for (qsizetype i = 0; i < positions.size(); ++i) {
            try {
                row[i] = ReportFormat::normalize(query.value(positions.at(i)), formats.at(i));
            } catch (const ReportFormat::OutOfRange& failed) {
                if (!outOfRange)
                    outOfRange.emplace(i, failed.value);
            }
        }
        if (outOfRange) {
            const QString name = rowName.isEmpty()
                                     ? QStringLiteral("linha %1").arg(read + batch.size() + 1)
                                     : rowName(formats, row);
            throw Exception(
                QStringLiteral("%1: %2 tem em %3 o valor %4, fora do limite que o "
                               "relatório soma; o relatório foi interrompido.")
                    .arg(fileName, name, fields.at(outOfRange->first), outOfRange->second));
        }
        batch.append(std::move(row));
        if (batch.size() == batchSize) {
            connection.watch().heard();
            read += batchSize;
            progress.report(ReportProgress::Stage::Query, read);
            progress.checkCancel();
            if (!reader.rows(std::move(batch)))
                return;
            batch = {};
            batch.reserve(batchSize);
        }
    }
    if (query.lastError().isValid())
        fail(query.lastError());
    progress.checkCancel();
    read += static_cast<int>(batch.size());
    if (!batch.isEmpty())
        reader.rows(std::move(batch));
    progress.report(ReportProgress::Stage::Query, read);
}
