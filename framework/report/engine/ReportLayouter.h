#pragma once

#include "report/engine/ReportBody.h"
#include "report/engine/ReportData.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportDocument.h"

#include <memory>

class ReportProgress;

// Lays a report's rows out on A4 pages as they pass: the header on every page (the title
// wrapped or shrunk to fit, the criteria in a bounded block), group headings (repeated,
// marked as continued, at the top of a page that continues a group), detail lines, group
// subtotals with their counts and states, and the grand total. A heading never ends a page,
// and the closing lines of a group stay on the page of its last row. Numeric and date
// columns take the width their widest value needs; text columns give way. The body goes to
// a sink (ReportPages, a CSV file); the header and columns are known at the end.
class ReportLayouter {
public:
    // Line heights, page margins and the blank inside a cell's edges, in points.
    static constexpr double detailHeight = 10.5;
    static constexpr double headingHeight = 13.0;
    static constexpr double subtotalHeight = 13.0;
    static constexpr double grandTotalHeight = 16.0;
    static constexpr double margin = 28.35; // 10 mm
    static constexpr double cellPadding = 2.0;
    // How far a state summary stands in from the left under its total.
    static constexpr double summaryIndent = 10.0;
    // Height of a header line (subtitle, companies, criteria).
    static constexpr double headerLineHeight = 10.0;
    // At most this many lines of criteria, and of company names, head a page.
    static constexpr int criteriaLinesAtMost = 3;
    static constexpr int companyLinesAtMost = 3;

    // The rows have the fields, each read in its format.
    ReportLayouter(const ReportDefinition& definition, const QStringList& fields,
                   const QList<ReportValueFormat>& formats, const ReportDocument::Header& header);
    ~ReportLayouter();
    ReportLayouter(const ReportLayouter&) = delete;
    ReportLayouter& operator=(const ReportLayouter&) = delete;

    // The header and the columns; their widths and where the body begins once finished.
    const ReportDocument& frame() const { return m_frame; }
    // The places the body may begin on a page (the company names above it take one to three
    // lines, known at the end), and where it ends.
    const QList<double>& possibleBodyTops() const { return m_bodyTops; }
    double bodyBottom() const;
    // The report's name in errors.
    QString sourceName() const;

    // Lays out the next row; its lines go to the body once the next row (or the end) shows
    // what closes after it.
    void addRow(const QVector<QVariant>& row, ReportBodySink& body);
    // Closes the groups and the report; the header and the columns with their widths, the
    // body beginning at one of the possible places. Raises an Exception when the numbers
    // cannot fit the page's width.
    const ReportDocument& finish(ReportBodySink& body);
    int rowCount() const;

    // Lays out rows held in memory into a whole document. Raises ReportProgress::Cancelled
    // when asked to stop; an Exception when a line cannot fit a page or the numbers cannot
    // fit its width.
    static ReportDocument layout(const ReportDefinition& definition, const ReportData& data,
                                 const ReportDocument::Header& header, ReportProgress& progress);

    // The header's processing date text, and the room it takes beside the company names.
    static QString processingText(const ReportDocument::Header& header);
    static double processingTextWidth(const ReportDocument::Header& header);

private:
    class Body;

    const ReportDefinition& m_definition;
    QStringList m_fields;
    QList<ReportValueFormat> m_formats;
    QList<ReportDefinition::Column> m_columns;
    ReportDocument m_frame;
    QList<double> m_bodyTops;
    std::unique_ptr<Body> m_body;
};
