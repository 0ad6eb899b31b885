#pragma once

#include "data/dtmDBGeral.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// A report definition file: readable text of "key: value" lines, where a value may also be
// a block of indented lines below its key (the SQL texts). Lines starting with '#' are
// comments. Keys:
//   title, order, orientation          the report's title, place in the list, page direction
//   sql, sql.oracle, sql.mssql, sql.ib the query, generally and per dialect
// Other keys are kept for the engine, in the order written.
class ReportDefinition {
public:
    struct Entry {
        QString key;
        QString value;
    };

    // Reads a definition file; raises an Exception naming the file and line on bad input.
    static ReportDefinition load(const QString& path);
    static ReportDefinition parse(const QString& text, const QString& sourceName);
    // Writes the definition back in the same format.
    QString toText() const;

    QString filePath;
    QString title;
    int order = 0;
    QList<Entry> entries;

    // The first value of a key, or the fallback.
    QString value(const QString& key, const QString& fallback = QString()) const;
    void setValue(const QString& key, const QString& value);
    // Every value of a key, in the order written.
    QStringList values(const QString& key) const;
    // The SQL for a dialect: its own text, else the general one.
    QString sql(SqlDialect dialect) const;
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
} // namespace ReportCatalog
