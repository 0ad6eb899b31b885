#include "data/ReportIssueLog.h"

#include "base/Exceptions.h"
#include "data/FirebirdErrors.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

const QString sqliteTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");

[[noreturn]] void fail(const QString& what, const QSqlError& error)
{
    throw EDatabaseError(QStringLiteral("Não foi possível %1 no registro de emissões: %2")
                             .arg(what, FirebirdErrors::inPortuguese(error)));
}

QSqlQuery prepared(QSqlDatabase& db, const QString& sql, const QVariantList& values,
                   const QString& what)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(what, query.lastError());
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values.at(i));
    if (!query.exec())
        fail(what, query.lastError());
    return query;
}

// Runs the work in a transaction of its own, committed at the end or rolled back on failure.
template <class Work> auto inTransaction(QSqlDatabase& db, const QString& what, Work work)
{
    if (!db.transaction())
        fail(what, db.lastError());
    try {
        auto result = work();
        if (!db.commit())
            fail(what, db.lastError());
        return result;
    } catch (...) {
        db.rollback();
        throw;
    }
}

QVariant nullIfEmpty(const QString& text)
{
    return text.isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(text);
}

} // namespace

ReportIssueLog::ReportIssueLog(QSqlDatabase db) : m_db(std::move(db)) {}

bool ReportIssueLog::firebird() const
{
    return m_db.driverName() == QLatin1String("QIBASE");
}

int ReportIssueLog::begin(const Issue& issue)
{
    const QString what = QStringLiteral("registrar a emissão de '%1'").arg(issue.report);
    return inTransaction(m_db, what, [&] {
        if (firebird()) {
            QSqlQuery query =
                prepared(m_db, QStringLiteral("EXECUTE PROCEDURE KLX_EMISSAO_INICIA(?, ?, ?)"),
                         {issue.report, issue.criteria, issue.output}, what);
            if (!query.next())
                fail(what, query.lastError());
            return query.value(0).toInt();
        }
        QSqlQuery query = prepared(
            m_db,
            QStringLiteral("INSERT INTO KLX_EMISSAO (CDOPERADOR, DTHEMISSAO, NMRELATORIO, "
                           "DSCRITERIOS, IDSAIDA) VALUES (?, strftime('%Y-%m-%d %H:%M:%S', "
                           "'now', 'localtime'), ?, ?, ?)"),
            {issue.operatorCode, issue.report, issue.criteria, issue.output}, what);
        return query.lastInsertId().toInt();
    });
}

void ReportIssueLog::finish(int number, const Outcome& outcome)
{
    const QString what = QStringLiteral("concluir a emissão nº %1").arg(number);
    const QVariantList values{qlonglong(outcome.rows), outcome.pages, nullIfEmpty(outcome.totals),
                              nullIfEmpty(outcome.sha256.toLower())};
    inTransaction(m_db, what, [&] {
        if (firebird()) {
            prepared(m_db, QStringLiteral("EXECUTE PROCEDURE KLX_EMISSAO_CONCLUI(?, ?, ?, ?, ?)"),
                     QVariantList{number} + values, what);
            return 0;
        }
        QSqlQuery query = prepared(
            m_db,
            QStringLiteral("UPDATE KLX_EMISSAO SET QTLINHAS = ?, QTPAGINAS = ?, DSTOTAIS = ?, "
                           "DSSHA256 = ?, DTHCONCLUSAO = strftime('%Y-%m-%d %H:%M:%S', 'now', "
                           "'localtime') WHERE NREMISSAO = ?"),
            values + QVariantList{number}, what);
        if (query.numRowsAffected() != 1)
            throw EDatabaseError(
                QStringLiteral("Não foi possível %1 no registro de emissões: a emissão não existe.")
                    .arg(what));
        return 0;
    });
}

int ReportIssueLog::record(const Issue& issue, const Outcome& outcome)
{
    const int number = begin(issue);
    finish(number, outcome);
    return number;
}

QList<ReportIssueLog::Entry> ReportIssueLog::select(const QString& where,
                                                    const QVariantList& values)
{
    QSqlQuery query =
        prepared(m_db,
                 QStringLiteral("SELECT NREMISSAO, CDOPERADOR, DTHEMISSAO, NMRELATORIO, "
                                "DSCRITERIOS, IDSAIDA, QTLINHAS, QTPAGINAS, DSTOTAIS, DSSHA256, "
                                "DTHCONCLUSAO FROM KLX_EMISSAO %1 ORDER BY NREMISSAO")
                     .arg(where),
                 values, QStringLiteral("ler"));
    QList<Entry> entries;
    while (query.next()) {
        Entry entry;
        entry.number = query.value(0).toInt();
        entry.operatorCode = query.value(1).toString().trimmed();
        const QVariant issued = query.value(2);
        entry.issued = issued.metaType().id() == QMetaType::QDateTime
                           ? issued.toDateTime()
                           : QDateTime::fromString(issued.toString(), sqliteTime);
        entry.report = query.value(3).toString();
        entry.criteria = query.value(4).toString();
        entry.output = query.value(5).toString().trimmed();
        if (!query.value(10).isNull())
            entry.outcome = Outcome{query.value(6).toLongLong(), query.value(7).toInt(),
                                    query.value(8).toString(), query.value(9).toString().trimmed()};
        entries << entry;
    }
    if (query.lastError().isValid())
        fail(QStringLiteral("ler"), query.lastError());
    return entries;
}

QList<ReportIssueLog::Entry> ReportIssueLog::entries(const std::optional<QDate>& since,
                                                     const QString& operatorCode)
{
    QStringList conditions;
    QVariantList values;
    if (since) {
        conditions << QStringLiteral("DTHEMISSAO >= ?");
        values << (firebird() ? QVariant(QDateTime(*since, QTime(0, 0)))
                              : QVariant(since->toString(Qt::ISODate)));
    }
    if (!operatorCode.isEmpty()) {
        conditions << QStringLiteral("CDOPERADOR = ?");
        values << operatorCode.trimmed().toUpper();
    }
    return select(conditions.isEmpty()
                      ? QString()
                      : QStringLiteral("WHERE ") + conditions.join(QStringLiteral(" AND ")),
                  values);
}

std::optional<ReportIssueLog::Entry> ReportIssueLog::byDigest(const QString& sha256)
{
    const QList<Entry> found = select(
        QStringLiteral("WHERE DSSHA256 = ? AND DTHCONCLUSAO IS NOT NULL"), {sha256.toLower()});
    return found.isEmpty() ? std::nullopt : std::optional<Entry>(found.first());
}

std::optional<ReportIssueLog::Entry> ReportIssueLog::byNumber(int number)
{
    const QList<Entry> found = select(QStringLiteral("WHERE NREMISSAO = ?"), {number});
    return found.isEmpty() ? std::nullopt : std::optional<Entry>(found.first());
}

QString ReportIssueLog::digestOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(
            QStringLiteral("não foi possível ler '%1': %2").arg(path, file.errorString()));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&file))
        throw Exception(
            QStringLiteral("não foi possível ler '%1': %2").arg(path, file.errorString()));
    return QString::fromLatin1(hash.result().toHex());
}
