#pragma once

#include "report/engine/ReportFormat.h"

#include <QList>
#include <QMarginsF>
#include <QSizeF>
#include <QStringList>
#include <QVector>
#include <utility>

// What every page of a laid-out report has around its body: the header texts as they are
// laid out, the page's size and margins, and the columns. In points (1/72 inch) from the
// page's top left corner; nothing in it depends on a device.
struct ReportFrame {
    // The texts at the top of every page, as the caller gives them.
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
        // Who printed the report, and when ("07/12/2026 18:58"): every page's foot says it.
        QString operatorName;
        QString issuedAt;
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
    // The printed column whose running total is carried from page to page; -1 when none.
    int carryColumn = -1;

    // Where the page's header ends and the body begins.
    double bodyTop = 0;

    // Where the body ends.
    double bodyBottom() const { return pageSize.height() - margins.bottom(); }
    // Text columns give way and show "…" when a value does not fit; numbers and dates never.
    bool elides(int column) const { return formats.value(column) == ReportValueFormat::Text; }
};
