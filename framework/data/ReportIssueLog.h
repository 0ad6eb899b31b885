#pragma once

#include "base/CoreExport.h"

#include <QDateTime>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <optional>

// The record of the reports issued (KLX_EMISSAO): each report written, printed or previewed
// gets a number when it starts, which its pages carry, and is completed once when it is
// whole, with its rows, totals, pages and, for a file, the file's SHA-256. On Firebird an
// operator reaches the record only through the procedures KLX_EMISSAO_INICIA and
// KLX_EMISSAO_CONCLUI, which take the operator (the server user) and the time from the
// server; on SQLite through the rows' own triggers, with the operator given here. Each call
// runs in a transaction of its own on the connection, so none may be open on it. Failures
// raise EDatabaseError.
class KLX_CORE_EXPORT ReportIssueLog {
public:
    // What is known when a report starts.
    struct Issue {
        QString operatorCode; // SQLite only: Firebird records the server user
        QString report;       // the report's title
        QString criteria;     // every criterion in full, one per line
        QString output;       // pdf, csv, xlsx, impressora, visualizacao
    };
    // What is known when it is whole.
    struct Outcome {
        qint64 rows = 0;
        int pages = 0;
        QString totals;
        QString sha256; // hexadecimal, lower case; empty for a printer or a preview
    };
    // A row of the record, as klx-admin lists it.
    struct Entry {
        int number = 0;
        QString operatorCode;
        QDateTime issued;
        QString report;
        QString criteria;
        QString output;
        std::optional<Outcome> outcome; // none for a run that did not finish
    };

    explicit ReportIssueLog(QSqlDatabase db);

    // Records that a report starts; returns its number.
    int begin(const Issue& issue);
    // Completes the record of a report that started on this connection's operator; raises
    // EDatabaseError for a number that is not such a report's, or one already completed.
    void finish(int number, const Outcome& outcome);
    // Both at once, for a report whose number is needed only once it is whole.
    int record(const Issue& issue, const Outcome& outcome);

    // The issues from the day given on (every one without it), of one operator when named,
    // in their order; the owner's connection only.
    QList<Entry> entries(const std::optional<QDate>& since, const QString& operatorCode);
    // The completed issue whose file has this digest; the owner's connection only.
    std::optional<Entry> byDigest(const QString& sha256);
    std::optional<Entry> byNumber(int number);

    // The SHA-256 of a file, hexadecimal; raises an Exception when it cannot be read.
    static QString digestOf(const QString& path);

private:
    bool firebird() const;
    QList<Entry> select(const QString& where, const QVariantList& values);

    QSqlDatabase m_db;
};
