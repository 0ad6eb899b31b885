#pragma once

#include <QMarginsF>
#include <QSizeF>
#include <QStringList>
#include <QVector>

// A laid-out report: the header texts, the table of formatted cells and the pages, in
// points (1/72 inch) from the page's top left corner. Nothing in it depends on a device:
// the preview, the printer, the PDF and the CSV all read the same document.
class ReportDocument {
public:
    // The texts at the top of every page.
    struct Header {
        QString screenCode;
        QString reportCode;
        QString title;
        QString companies;
        QString criteria;
        QString processingDate;
        // Printed in place of the rows when the query returns none.
        QString emptyText;
    };

    // One line of a page's body.
    struct Line {
        enum class Kind : quint8 { GroupHeading, Detail, Subtotal, GrandTotal, Empty };
        Kind kind = Kind::Detail;
        // Detail: the row; GroupHeading: the heading; Subtotal, GrandTotal: the total.
        int index = 0;
        // The top of the line.
        float y = 0;
    };

    // A total line: its label, and one cell per column (empty where nothing is summed).
    struct Total {
        QString label;
        QStringList cells;
    };

    struct Page {
        QVector<Line> lines;
    };

    Header header;
    // The company names and the criteria summary, wrapped to the page's width.
    QStringList companyLines;
    QStringList criteriaLines;
    QSizeF pageSize;
    QMarginsF margins;
    bool landscape = false;

    QStringList labels;
    QVector<double> columnLeft;
    QVector<double> columnWidth;
    QVector<int> alignments; // Qt::AlignLeft, Qt::AlignHCenter or Qt::AlignRight

    // Detail rows, one formatted cell per column: what the CSV holds.
    QVector<QStringList> rows;
    QStringList headings;
    QVector<Total> totals;
    QVector<Page> pages;

    // Where the page's header ends and the body begins.
    double bodyTop = 0;
    // Detail line height.
    double lineHeight = 0;

    int pageCount() const { return static_cast<int>(pages.size()); }
};
