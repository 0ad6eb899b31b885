#pragma once

#include "data/dtmDBGeral.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportExport.h"
#include "report/engine/ReportFormat.h"

#include <QHash>
#include <QVariant>

class ReportProgress;

// Runs a report's query on a read-only connection of its own, cloned from an open one:
// the run may happen in a worker thread, and an edited definition cannot change data nor
// read past the operator's checks. SQLite opens the file read-only with query_only on, in
// the engine's sandbox (SqliteSandbox); Firebird runs as the operator under the report role,
// inside a transaction that is rolled back. Every wait is bounded: the server's answer by
// the connection timeout, the query by the time limit, and a cancel interrupts the engine
// within a second (QueryWatch).
class ReportQuery {
public:
    // The open connection to clone, by name, and the engine behind it; the clone connects as
    // the same user (on Firebird with the same role), and on SQLite its KLX_OPERADOR() is
    // the operator.
    struct Source {
        QString connectionName;
        DatabaseConfig::Engine engine = DatabaseConfig::Engine::Sqlite;
        QString operatorName{};
        // How long a server may take to answer the connection, and the query to run.
        int connectTimeoutSeconds = 10;
        int timeLimitSeconds = 1800;
    };

    // A data module's connection and operator; the shared data module's.
    static Source sourceOf(const TdtmDBGeral& module);
    KLX_REPORT_EXPORT static Source sharedSource();
    // The database file of the source (its name as the driver has it); from any thread.
    static QString databaseFile(const Source& source);

    // The fields the definition's layout reads (columns, exported columns, groups, {FIELD}
    // placeholders, company, state), with the format each is read in; a field that is no
    // column reads as text.
    KLX_REPORT_EXPORT static void usedFields(const ReportDefinition& definition,
                                             QStringList& fields,
                                             QList<ReportValueFormat>& formats);

    // Where the query hands what it reads: the fields of its rows (with the format each is
    // read in) once it runs, then the rows in batches.
    class Reader {
    public:
        virtual ~Reader() = default;
        // The fields of the rows, their formats, and the names of the companies the report
        // covers (the operator's, those picked when the criteria pick some), sorted, when the
        // definition heads its pages with company names.
        virtual void fields(const QStringList& fields, const QList<ReportValueFormat>& formats,
                            const QStringList& companies) = 0;
        // Returns false to stop reading.
        virtual bool rows(QVector<QVector<QVariant>>&& batch) = 0;
    };

    // Runs the definition's SQL for the source's engine with the values by parameter name
    // (a declared name without a value gets NULL), handing the rows to the reader. Raises an
    // Exception naming the file on a bad text or a database error (also one after some
    // rows; ELoginRefused when the server refuses the operator a read, EDatabaseUnavailable
    // when the connection is lost), ReportProgress::Cancelled when asked to stop.
    static void read(const ReportDefinition& definition, const QHash<QString, QVariant>& values,
                     const Source& source, ReportProgress& progress, Reader& reader);

    // Raises an Exception unless the text is one SELECT statement (WITH ... SELECT included)
    // that advances no sequence (GEN_ID, NEXT VALUE FOR: no rollback undoes that). String
    // literals and quoted names are skipped as the engine reads them (SqlLexer: Firebird's
    // q'X...X' literals, SQLite's `...` and [...] names). The engines' own rights are the
    // real control; this is a second line.
    static void checkSingleSelect(const QString& sql, const QString& sourceName,
                                  DatabaseConfig::Engine engine);
};
