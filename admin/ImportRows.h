#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <optional>

// What klx-admin import reads from a CSV file and how each line becomes a row: the table a
// file holds, told by the columns its first line names (the database's own names, CDEMPRESA,
// NRCHEQUE..., or the labels the program's CSV export writes, "Conta", "Cheque",
// "Emissão"...), and each line's values validated into the table's columns.
namespace ImportRows {

// In the order a set of files is imported: what a row refers to comes first.
enum class Kind { Companies, Banks, Branches, Accounts, Checks };

struct Layout {
    Kind kind;
    QHash<QString, int> fields; // the table's column -> the field that holds it
    QStringList ignored;        // the header's columns that are not the table's
};

// The layout a header names; raises an Exception naming what is wrong (no table recognised, a
// column named twice, a required column missing).
Layout layoutOf(const QStringList& header);

// The codes the rows refer to: those of the database, then those imported so far.
struct Known {
    QSet<QString> companies;
    QSet<QString> banks;
    QHash<QString, QString> accountCompany; // account -> its company
};

// The values of a line in the order of insertStatement's columns; raises an Exception whose
// message is the reason the line is refused.
QVariantList valuesOf(const Layout& layout, const QStringList& fields, const Known& known,
                      bool firebird);
// Records the row's codes once it is written, for the rows after it.
void remember(Kind kind, const QVariantList& values, Known& known);

QString insertStatement(Kind kind);
// The row's key as a user names it ("cheque 001/001101").
QString keyOf(Kind kind, const QVariantList& values);
// "3 empresas", "1 cheque".
QString counted(Kind kind, qint64 count);

} // namespace ImportRows
