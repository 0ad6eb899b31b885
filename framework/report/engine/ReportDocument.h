#pragma once

#include "report/engine/ReportFormat.h"

#include <QList>
#include <QMarginsF>
#include <QSizeF>
#include <QStringList>
#include <QVector>
#include <utility>

// A laid-out report, or a stretch of its pages: the header texts, the formatted cells and the
// pages, in points (1/72 inch) from the page's top left corner. Nothing in it depends on a
// device: the preview, the printer, the PDF and the CSV all read the same document.
class ReportDocument {
public:
    // The texts at the top of every page.
    struct Header {
        QString screenCode;
        QString reportCode;
        QString title;
        QString companies;
        // The criteria as a page shows them: long code lists summarised.
        QString criteria;
        QString processingDate;
        // Printed in place of the rows when the query returns none.
        QString emptyText;
        // The criteria in full, as (name, value) pairs: the PDF's metadata and the CSV's
        // header rows.
        QList<std::pair<QString, QString>> fullCriteria;
    };

    // One line of a page's body.
    struct Line {
        enum class Kind : quint8 {
            GroupHeading,
            Detail,
            Subtotal,
            StateSummary,
            GrandTotal,
            Empty
        };
        Kind kind = Kind::Detail;
        // Detail: the row; GroupHeading: the heading; Subtotal, GrandTotal: the total;
        // StateSummary: the note.
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

    Header header;
    // The title, on one or two lines, at its point size; the room either side of it.
    QStringList titleLines;
    double titleSize = 11;
    double titleHeight = 18;
    double titleSide = 0;
    QStringList subtitleLines;
    // The company names and the criteria summary, wrapped to the page's width.
    QStringList companyLines;
    QStringList criteriaLines;
    QSizeF pageSize;
    QMarginsF margins;
    bool landscape = false;

    // The printed columns, then the columns only the CSV carries.
    QStringList labels;
    QStringList exportLabels;
    QVector<ReportValueFormat> formats; // printed and exported
    QVector<double> columnLeft;
    QVector<double> columnWidth;
    QVector<int> alignments; // Qt::AlignLeft, Qt::AlignHCenter or Qt::AlignRight

    // Detail rows, one formatted cell per printed then exported column: what the CSV holds.
    QVector<QStringList> rows;
    QStringList headings;
    QVector<Total> totals;
    // The lines of the state summaries as the pages show them.
    QStringList notes;
    QVector<Page> pages;
    // A stretch of a longer report holds its pages from pagesBefore on; pagesAfter follow.
    int pagesBefore = 0;
    int pagesAfter = 0;

    // Where the page's header ends and the body begins.
    double bodyTop = 0;
    // Detail line height.
    double lineHeight = 0;

    // The report's pages, those held and those around them.
    int pageCount() const { return pagesBefore + static_cast<int>(pages.size()) + pagesAfter; }
    // Whether the page (from 0) is held.
    bool holds(int page) const { return page >= pagesBefore && page - pagesBefore < pages.size(); }
    // Text columns give way and show "…" when a value does not fit; numbers and dates never.
    bool elides(int column) const { return formats.value(column) == ReportValueFormat::Text; }
};
