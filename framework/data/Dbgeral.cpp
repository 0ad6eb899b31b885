#include "data/Dbgeral.h"

#include "core/Exceptions.h"
#include "data/dtmDBGeral.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace Dbgeral {

namespace {

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
    QSqlQuery query(openDatabase());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw EDatabaseError(
            QStringLiteral("Não foi possível ler %1: %2").arg(what, query.lastError().text()));
    query.bindValue(QStringLiteral(":VALOR"), value.trimmed());
    if (!query.exec())
        throw EDatabaseError(
            QStringLiteral("Não foi possível ler %1: %2").arg(what, query.lastError().text()));
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

QString codeList(const QStringList& codes)
{
    QStringList trimmed;
    for (const QString& code : codes) {
        const QString value = code.trimmed();
        Q_ASSERT(!value.contains(CodeSeparator));
        if (!value.isEmpty())
            trimmed << value;
    }
    return trimmed.join(CodeSeparator);
}

QStringList codesOf(const QString& list)
{
    QStringList codes;
    for (const QString& code : list.split(CodeSeparator, Qt::SkipEmptyParts)) {
        const QString value = code.trimmed();
        if (!value.isEmpty())
            codes << value;
    }
    return codes;
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
        codes << query.value(0).toString();
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
