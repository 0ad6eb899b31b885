#pragma once

#include "report/engine/ReportBody.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFrame.h"

#include <memory>

// Lays a report's rows out as they pass: group headings (repeated, marked as continued, at
// the top of a page that continues a group), detail lines, group subtotals with their counts
// and states, and the grand total. A heading never ends a page, and the closing lines of a
// group stay on the page of its last row. The body goes to a sink (the page store, a CSV
// file); the frame of the pages (ReportFrameLayout) is whole at the end, when the rows have
// given the company names and the widest numbers and dates. After the grand total come the
// rows the definition finds inconsistent, by name, and the line to sign when it asks for one.
// A sum that leaves the range of ReportAmount stops the report with a message naming the row.
class ReportLayouter {
public:
    // The rows have the fields, each read in its format.
    ReportLayouter(const ReportDefinition& definition, const QStringList& fields,
                   const QList<ReportValueFormat>& formats, const ReportFrame::Header& header);
    ~ReportLayouter();
    ReportLayouter(const ReportLayouter&) = delete;
    ReportLayouter& operator=(const ReportLayouter&) = delete;

    // The frame: its header and columns from the start; the company names, the columns'
    // widths and where the body begins once finished.
    const ReportFrame& frame() const { return m_frame; }
    // The report's name in errors.
    QString sourceName() const;

    // Lays out the next row; its lines go to the body once the next row (or the end) shows
    // what closes after it.
    void addRow(const QVector<QVariant>& row, ReportBodySink& body);
    // The frame the rows so far would give, the company names left as the header has them
    // (those the report covers): for pages shown while the layout goes on.
    ReportFrame provisionalFrame() const;
    // Closes the groups and the report; returns the whole frame. Raises an Exception when the
    // numbers cannot fit the page's width.
    const ReportFrame& finish(ReportBodySink& body);
    int rowCount() const;
    // The rows found inconsistent.
    qint64 inconsistencyCount() const;

private:
    class Body;

    const ReportDefinition& m_definition;
    QStringList m_fields;
    QList<ReportValueFormat> m_formats;
    QList<ReportDefinition::Column> m_columns;
    ReportFrame m_frame;
    std::unique_ptr<Body> m_body;
};
