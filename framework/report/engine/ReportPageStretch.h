#pragma once

#include "report/engine/ReportBody.h"

#include <QStringList>
#include <QVector>

// Consecutive pages of a laid-out report as read back from its page store: the lines of each
// page, where they stand (in points from the page's top), and what they show.
struct ReportPageStretch {
    // One line of a page's body.
    struct Line {
        using Kind = ReportPiece::Kind;
        Kind kind = Kind::Detail;
        // Detail: the row; GroupHeading: the heading; Subtotal, GrandTotal, CarriedOut,
        // CarriedIn, TableHeading, TableRow, TableTotal: the total (a table line's cells);
        // StateSummary, Note, Signature: the note.
        int index = 0;
        // The top of the line.
        float y = 0;
    };

    // A total line: its label, one cell per printed column (empty where nothing is summed),
    // and the count and amount of each state present (empty without states).
    struct Total {
        QString label;
        QStringList cells;
        QString states;
    };

    struct Page {
        QVector<Line> lines;
    };

    // The first page held (from 0), and the report's page count.
    int first = 0;
    int reportPages = 0;
    QVector<Page> pages;
    // Detail rows, one formatted cell per printed then exported column.
    QVector<QStringList> rows;
    // Whether each row is marked as cancelled.
    QVector<bool> cancelled;
    QStringList headings;
    QVector<Total> totals;
    // The lines of the state summaries and the notes as the pages show them.
    QStringList notes;

    int pageCount() const { return reportPages; }
    // Whether the page (from 0) is held.
    bool holds(int page) const { return page >= first && page - first < pages.size(); }
    const Page& page(int page) const { return pages.at(page - first); }
};
