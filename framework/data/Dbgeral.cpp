#include "data/Dbgeral.h"

#include "base/Exceptions.h"
#include "data/CharColumn.h"
#include "data/DatabaseFaults.h"
#include "data/dtmDBGeral.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>

namespace Dbgeral {

namespace {

// OPEREMPR.CDEMPRESA is a CHAR(2).
constexpr int companyCodeWidth = 2;

QSqlDatabase openDatabase()
{
    if (!dtmDBGeral || !dtmDBGeral->isOpen())
        throw EDatabaseError(QStringLiteral("O banco de dados não está aberto."));
    return dtmDBGeral->database();
}

// Runs a query with one text parameter. The parameter is cast because Firebird
// would otherwise give it the column's width and refuse a longer value.
QSqlQuery runLookup(const QString& sql, const QString& value, const QString& what)
{
    const auto failure = [&what](const QString& reason) {
        return EDatabaseError(QStringLiteral("Não foi possível ler %1: %2").arg(what, reason));
    };
    const QSqlDatabase db = openDatabase();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw failure(DatabaseFaults::reason(query.lastError(), db));
    query.bindValue(QStringLiteral(":VALOR"), value.trimmed());
    if (!query.exec())
        throw failure(DatabaseFaults::reason(query.lastError(), db));
    return query;
}

// DATE arrives as a QDate from Firebird and as 'YYYY-MM-DD' text from SQLite.
QDate dateOf(const QVariant& value)
{
    if (value.isNull())
        return QDate();
    switch (value.metaType().id()) {
    case QMetaType::QDate:
        return value.toDate();
    case QMetaType::QDateTime:
        return value.toDateTime().date();
    default:
        return QDate::fromString(value.toString().trimmed().left(10), Qt::ISODate);
    }
}

} // namespace

QStringView codeSeparators()
{
    return u",;|/#";
}

QString codeList(const QStringList& codes)
{
    const QStringView separators = codeSeparators();
    QStringList kept = codes;
    kept.removeAll(QString());
    if (kept.isEmpty())
        return QString();
    const QChar comma = separators.front();
    for (const QChar separator : separators) {
        const bool taken =
            std::any_of(kept.cbegin(), kept.cend(),
                        [separator](const QString& code) { return code.contains(separator); });
        if (taken)
            continue;
        QString list = kept.join(separator);
        // Unmarked, a list is read as comma-separated; a list that would start with a
        // separator is marked too, so that the mark is never mistaken for a code.
        if (separator != comma || separators.contains(list.front()))
            list.prepend(separator);
        return list;
    }
    QStringList culprits;
    for (const QString& code : std::as_const(kept))
        if (std::any_of(code.cbegin(), code.cend(),
                        [separators](QChar c) { return separators.contains(c); }))
            culprits << QLatin1Char('"') + code + QLatin1Char('"');
    throw Exception(QStringLiteral("Não é possível montar a lista de códigos: os códigos %1 "
                                   "contêm todos os separadores possíveis (%2).")
                        .arg(culprits.join(QStringLiteral(", ")), separators.toString()));
}

QStringList codesOf(const QString& list)
{
    const QStringView separators = codeSeparators();
    if (list.isEmpty())
        return {};
    QChar separator = separators.front();
    QStringView codes = list;
    if (separators.contains(list.front())) {
        separator = list.front();
        codes = codes.mid(1);
    }
    QStringList result;
    for (const QStringView code : codes.split(separator, Qt::SkipEmptyParts))
        result << code.toString();
    return result;
}

void ListaEmpresaOper(const QString& operador, QString& lista)
{
    QSqlQuery query =
        runLookup(QStringLiteral("SELECT CDEMPRESA FROM OPEREMPR "
                                 "WHERE CDOPERADOR = CAST(:VALOR AS VARCHAR(255)) "
                                 "ORDER BY CDEMPRESA"),
                  operador, QStringLiteral("as empresas do operador '%1'").arg(operador));
    QStringList codes;
    while (query.next())
        codes << charColumnValue(query.value(0).toString(), companyCodeWidth);
    lista = codeList(codes);
}

TDateTime DataProcFilial(const QString& filial)
{
    QSqlQuery query =
        runLookup(QStringLiteral("SELECT DTPROC FROM FILIAL "
                                 "WHERE CDFILIAL = CAST(:VALOR AS VARCHAR(255))"),
                  filial, QStringLiteral("a data de processamento da filial '%1'").arg(filial));
    return query.next() ? DateTime::fromDate(dateOf(query.value(0))) : 0.0;
}

bool OperadorCadastrado(const QString& operador)
{
    return runLookup(QStringLiteral("SELECT 1 FROM OPERADOR "
                                    "WHERE CDOPERADOR = CAST(:VALOR AS VARCHAR(255))"),
                     operador, QStringLiteral("o operador '%1'").arg(operador))
        .next();
}

bool FilialCadastrada(const QString& filial)
{
    return runLookup(QStringLiteral("SELECT 1 FROM FILIAL "
                                    "WHERE CDFILIAL = CAST(:VALOR AS VARCHAR(255))"),
                     filial, QStringLiteral("a filial '%1'").arg(filial))
        .next();
}

} // namespace Dbgeral
