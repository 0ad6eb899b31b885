#pragma once

#include "report/ReportData.h"
#include "report/ReportDefinition.h"
#include "report/ReportDocument.h"

class ReportProgress;

// Lays a report's rows out on A4 pages: the header on every page (the title wrapped or
// shrunk to fit, the criteria in a bounded block), group headings (repeated, marked as
// continued, at the top of a page that continues a group), detail lines, group subtotals
// with their counts and states, and the grand total. A heading never ends a page, and the
// closing lines of a group stay on the page of its last row. Numeric and date columns take
// the width their widest value needs; text columns give way.
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
    // At most this many lines of criteria head a page.
    static constexpr int criteriaLinesAtMost = 3;

    // Raises ReportProgress::Cancelled when asked to stop; an Exception when a line cannot
    // fit a page or the numbers cannot fit its width.
    static ReportDocument layout(const ReportDefinition& definition, const ReportData& data,
                                 const ReportDocument::Header& header, ReportProgress& progress);

    // The header's processing date text, and the room it takes beside the company names.
    static QString processingText(const ReportDocument::Header& header);
    static double processingTextWidth(const ReportDocument::Header& header);

    // The text with its {FIELD} placeholders filled from a row.
    static QString fill(const QString& text, const ReportData& data, int row);
};
