#pragma once

#include "report/engine/ReportExport.h"

#include <QList>
#include <QStringList>
#include <QVector>

// One line of a report's body as the layout hands it on, with what it shows.
struct ReportPiece {
    enum class Kind : quint8 {
        GroupHeading,
        Detail,
        Subtotal,
        StateSummary,
        GrandTotal,
        Empty,
        // A line of text after the totals: an inconsistency.
        Note,
        // The line to sign at the end of the pages.
        Signature,
        // The closing table: its column labels, a line of it, its total line.
        TableHeading,
        TableRow,
        TableTotal,
        // Laid out by the pages, not the layout: the running total at the foot of a page that
        // goes on ("A transportar") and at the head of the next ("Transporte").
        CarriedOut,
        CarriedIn
    };
    Kind kind = Kind::Detail;
    float height = 0;
    // GroupHeading: the heading; StateSummary, Note, Signature: the text; Subtotal, GrandTotal: the
    // label.
    QString text;
    // Detail: one cell per printed then exported column; Subtotal, GrandTotal: one per
    // printed column, empty where nothing is summed; TableHeading, TableRow, TableTotal: the
    // closing table's cells, its row label first.
    QStringList cells;
    // Subtotal, GrandTotal: the count and amount of each state present.
    QString states;
    // Detail: the running total carried from page to page, through this row.
    qint64 carried = 0;
    // Detail: the row is of a state counted apart (a cancelled check), marked on the page.
    bool cancelled = false;
};

// Where the layout sends the body of a report, in reading order: lines placed together (with
// the room that must stay free below them on their page), and the groups whose headings
// repeat on the pages they continue on.
class KLX_REPORT_EXPORT ReportBodySink {
public:
    virtual ~ReportBodySink() = default;
    virtual void place(const QVector<ReportPiece>& pieces, double room) = 0;
    virtual void openHeading(const QString& heading) = 0;
    virtual void closeHeading() = 0;
};

// Hands the body on to several sinks.
class ReportBodySinks : public ReportBodySink {
public:
    explicit ReportBodySinks(QList<ReportBodySink*> sinks) : m_sinks(std::move(sinks)) {}
    void place(const QVector<ReportPiece>& pieces, double room) override
    {
        for (ReportBodySink* sink : std::as_const(m_sinks))
            sink->place(pieces, room);
    }
    void openHeading(const QString& heading) override
    {
        for (ReportBodySink* sink : std::as_const(m_sinks))
            sink->openHeading(heading);
    }
    void closeHeading() override
    {
        for (ReportBodySink* sink : std::as_const(m_sinks))
            sink->closeHeading();
    }

private:
    QList<ReportBodySink*> m_sinks;
};
