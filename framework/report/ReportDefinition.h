#pragma once

#include "data/dtmDBGeral.h"
#include "report/ReportFormat.h"

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
//                                      (default 10), left|center|right (default left),
//                                      text|date|money|integer (default text). Without
//                                      columns every field is printed as text
//   group: FIELD | heading | footer    a grouping, outermost first: a new group starts
//                                      when FIELD changes; heading and footer are texts
//                                      with {FIELD} placeholders (defaults "{FIELD}" and
//                                      "Subtotal"); the footer line carries the sums and
//                                      the count of the group. "-" leaves a line out. A
//                                      placeholder shows its field as its column does
//   sum: FIELD FIELD ...               money or integer columns totalled in each group
//                                      footer and in the grand total
//   count: singular | plural           what the counted rows are ("cheque | cheques");
//                                      "-" prints no count
//   company: FIELD                     the field with the company name; the names found
//                                      in the rows head every page
// The engine binds these parameters itself when the query declares them and the screen
// left them unassigned:
//   P_DTPROC                           the branch's processing date ("YYYY-MM-DD")
// Other keys are kept for the engine, in the order written.
class ReportDefinition {
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
    // A grouping level.
    struct Group {
        QString field;
        QString heading; // empty: no heading line
        QString footer;  // empty: no subtotal line
        int line = 0;
    };
    enum class Orientation { Portrait, Landscape };

    // Reads a definition file; raises an Exception naming the file and line on bad input.
    static ReportDefinition load(const QString& path);
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
};

// The report definitions of a report code, found as "<code>*.rpt" in a directory.
namespace ReportCatalog {
// The directory of the definitions; by default "reports" beside the executable.
QString directory();
void setDirectory(const QString& directory);
// The definitions of the code, in list order (order, then title). Unreadable files are skipped.
QList<ReportDefinition> load(const QString& reportCode);
// Saves a definition text as a new report of the code with the title, in the next free
// place of the list; returns the new file's path. Raises an Exception naming the line of a
// bad text, or the file when it cannot be written.
QString saveAsNew(const QString& reportCode, const QString& text, const QString& title);
} // namespace ReportCatalog
