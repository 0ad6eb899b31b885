#pragma once

#include "data/dtmDBGeral.h"
#include "report/engine/ReportExport.h"
#include "report/engine/ReportFormat.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A report definition file: readable text of "key: value" lines, where a value may also be
// a block of indented lines below its key (the SQL texts). Lines starting with '#' are
// comments. Keys:
//   title, order, orientation          the report's title, place in the list, and page
//                                      direction: portrait (default) or landscape
//   sql, sql.ib                        the query: SQLite runs
//                                      "sql", Firebird "sql.ib" when given, else "sql".
//                                      Named parameters are ":NAME"; comments ("--",
//                                      "/* */") are dropped before the text runs
//   column: FIELD | label | width | align | format
//                                      a printed column, in order: the query field, its
//                                      heading, its width relative to the other columns
//                                      (default 10; above 0, at most 100: the page),
//                                      left|center|right (default left),
//                                      text|date|money|integer (default text). Without
//                                      columns every field is printed as text
//   group: FIELD | heading | footer | many
//                                      a grouping, outermost first: a new group starts
//                                      when FIELD changes; heading and footer are texts
//                                      with {FIELD} placeholders (defaults "{FIELD}" and
//                                      "Subtotal"); the footer line carries the sums and
//                                      the count of the group. "-" leaves a line out. A
//                                      placeholder shows its field as its column does.
//                                      "many": the footer only under a group of more than
//                                      one row (a single row is its own total)
//   sum: FIELD FIELD ...               money or integer columns totalled in each group
//                                      footer and in the grand total
//   count: singular | plural           what the counted rows are ("cheque | cheques");
//                                      "-" prints no count
//   company: FIELD                     the field with the company name; the names found
//                                      in the rows head every page
//   state: FIELD | code | label | role one line per state of the rows, all naming the
//                                      same field, in the order the closing lines list
//                                      them. role: total (the state's amounts add into
//                                      the sums), amount (counted, its amount shown
//                                      apart) or count (only counted). With states, the
//                                      sums add only rows of a "total" state, and every
//                                      group footer and the grand total are followed by
//                                      each state present with its count and amount
//                                      ("Emitidos: 5 — 44.923,66; Disponíveis: 2"); a
//                                      code no line declares counts as "Status X". A group
//                                      of a single state has no such line (its rows say
//                                      it), and no sums when none of its rows adds
//   export: FIELD | label | format     a column only the CSV carries, after the printed
//                                      ones (what the page shows as a group heading)
//   subtitle: text                     a line under the title on every page
//   row: text                          how messages and the inconsistencies name a row,
//                                      with {FIELD} placeholders ("Conta {CDREDUCONT},
//                                      cheque {NRCHEQUE}"); default "linha N"
//   inconsistency: FIELD               a text field that, when not empty, says what is
//                                      wrong with the row: such rows are listed, named, in
//                                      a closing section "Inconsistências"
//   total: label                       the grand total's label (default "Total geral")
//   carry: FIELD                       a summed column whose running total is carried from
//                                      page to page: "A transportar" at the foot of a page,
//                                      "Transporte" at the head of the next
//   signature: label                   a line to sign at the end ("Conferido por: ____")
//   crosstab: ROW | COLUMN | FIELD | title
//                                      a closing table of the summed money FIELD over the
//                                      rows whose state adds: one line per value of ROW
//                                      (in order), one column per value of COLUMN (in the
//                                      order the rows bring them), a total of each
//   kind: reconciliation               what the report is, for screens that treat a kind
//                                      of report apart; copies keep it
// The engine binds these parameters itself when the query declares them:
//   P_DTPROC                           the branch's processing date ("YYYY-MM-DD"), when
//                                      the screen left it unassigned
//   P_CDOPERADOR                       the logged-in operator, always: the queries join
//                                      OPEREMPR so that a report shows only the
//                                      operator's companies
// Any other key, and a second line of a key of one value (a second "sql:"), is an error with
// its file and line. A definition file is untrusted input: only a regular file of at most
// 1 MiB is read.
class KLX_REPORT_EXPORT ReportDefinition {
public:
    struct Entry {
        QString key;
        QString value;
        int line = 0; // where the key stands in its file, from 1
    };
    // A printed column.
    struct Column {
        QString field;
        QString label;
        double width = 10;
        Qt::Alignment alignment = Qt::AlignLeft;
        ReportValueFormat format = ReportValueFormat::Text;
        int line = 0;
    };
    // How the rows of a state count in the totals.
    enum class StateRole { Total, Amount, Count };
    struct State {
        QString code;
        QString label;
        StateRole role = StateRole::Total;
        int line = 0;
    };
    // A report groups its rows at most this deep: each level heads and closes its groups, and
    // a page must hold them all around a row.
    static constexpr int groupLevelsAtMost = 8;
    // A grouping level.
    struct Group {
        QString field;
        QString heading; // empty: no heading line
        QString footer;  // empty: no subtotal line
        // The footer only under a group of more than one row.
        bool footerWhenMany = false;
        int line = 0;
    };
    enum class Orientation { Portrait, Landscape };

    // How much of a file is read: all of it, or its header, the lines before the first SQL
    // block (title, order, kind, the layout): what a list of reports needs.
    enum class Extent { Whole, Header };
    // A definition file is at most this large.
    static constexpr qint64 largestFile = 1 << 20;
    // A column's width is its share of the page, at most all of it.
    static constexpr int widestColumn = 100;

    // The text of a definition file; raises an Exception naming the file when it is no
    // regular file (a device, a pipe, a folder), is larger than largestFile, or cannot be read.
    static QString readFile(const QString& path, Extent extent = Extent::Whole);
    // Reads a definition file; raises an Exception naming the file and line on bad input.
    static ReportDefinition load(const QString& path, Extent extent = Extent::Whole);
    static ReportDefinition parse(const QString& text, const QString& sourceName);
    // Writes the definition back in the same format.
    QString toText() const;

    QString filePath;
    QString title;
    int order = 0;
    QList<Entry> entries;
    Orientation orientation = Orientation::Portrait;
    QList<Column> columns;
    QList<Group> groups;
    QStringList sums;
    QString countSingular = QStringLiteral("registro"); // both empty: no count
    QString countPlural = QStringLiteral("registros");
    QString companyField;
    QString stateField; // empty: no states
    QList<State> states;
    QList<Column> exportColumns;
    QString subtitle;
    QString kind;
    QString rowName;
    QString inconsistencyField;
    QString grandTotalLabel = QStringLiteral("Total geral");
    QString carryField;
    QString signature;
    // The closing table; empty fields: none.
    struct Crosstab {
        QString rowField;
        QString columnField;
        QString valueField;
        QString title;
    };
    Crosstab crosstab;

    // The kind of the report that filters by reconciliation instead of check state.
    static inline const QString reconciliationKind = QStringLiteral("reconciliation");

    // The first value of a key, or the fallback.
    QString value(const QString& key, const QString& fallback = QString()) const;
    void setValue(const QString& key, const QString& value);
    // Every value of a key, in the order written.
    QStringList values(const QString& key) const;
    // The SQL the engine runs on a database engine, without comments.
    QString sqlFor(DatabaseConfig::Engine engine) const;
    // The column of a field, or nullptr.
    const Column* column(const QString& field) const;
    // The named parameters (":NAME") the SQL declares, in order of first use.
    static QStringList declaredParameters(const QString& sql);
    // Where each {FIELD} placeholder of a group's heading or footer stands, in order: its
    // start and end in the text and the field it names.
    struct Placeholder {
        qsizetype start = 0;
        qsizetype end = 0;
        QString field;
    };
    static QList<Placeholder> placeholders(const QString& text);
};
