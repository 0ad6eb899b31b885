#include "PickedNames.h"

#include "data/CharColumn.h"
#include "data/dtmDBGeral.h"

#include <QSet>
#include <QSqlQuery>

namespace {
// CONTCORR.CDEMPRESA is a CHAR(2).
constexpr int companyCodeWidth = 2;

// Each row of the statement whose first column is one of the codes, which are of one width,
// that of their CHAR column.
template <class Take> void readRows(const QString& sql, const QStringList& codes, Take take)
{
    if (codes.isEmpty() || !dtmDBGeral || !dtmDBGeral->isOpen())
        return;
    const QSet<QString> wanted(codes.cbegin(), codes.cend());
    QSqlQuery query(dtmDBGeral->database());
    query.setForwardOnly(true);
    if (!query.exec(sql))
        return;
    while (query.next()) {
        const QString code = charColumnValue(query.value(0).toString(), codes.first().size());
        if (wanted.contains(code))
            take(code, query);
    }
}
} // namespace

QHash<QString, QString> PickedNames::companies(const QStringList& codes)
{
    QHash<QString, QString> names;
    readRows(QStringLiteral("SELECT CDEMPRESA, NMEMPRESA FROM EMPRESA"), codes,
             [&](const QString& code, const QSqlQuery& row) {
                 names.insert(code, row.value(1).toString().trimmed());
             });
    return names;
}

QHash<QString, PickedNames::Account> PickedNames::accounts(const QStringList& codes)
{
    QHash<QString, Account> accounts;
    readRows(QStringLiteral("SELECT CDREDUCONT, DSCONTCORR, CDEMPRESA FROM CONTCORR"), codes,
             [&](const QString& code, const QSqlQuery& row) {
                 accounts.insert(code,
                                 {row.value(1).toString().trimmed(),
                                  charColumnValue(row.value(2).toString(), companyCodeWidth)});
             });
    return accounts;
}
