#pragma once

#include "report/ReportData.h"
#include "report/ReportDefinition.h"
#include "report/ReportDocument.h"

class ReportProgress;

// Lays a report's rows out on A4 pages: the header on every page, group headings (repeated,
// marked as continued, at the top of a page that continues a group), detail lines, group
// subtotals with their counts, and the grand total with the count of all rows.
class ReportLayouter {
public:
    // Line heights and page margins, in points.
    static constexpr double detailHeight = 10.5;
    static constexpr double headingHeight = 13.0;
    static constexpr double subtotalHeight = 13.0;
    static constexpr double grandTotalHeight = 16.0;
    static constexpr double margin = 28.35; // 10 mm

    // Raises ReportProgress::Cancelled when asked to stop.
    static ReportDocument layout(const ReportDefinition& definition, const ReportData& data,
                                 const ReportDocument::Header& header, ReportProgress& progress);

    // The header's processing date text, and the room it takes beside the company names.
    static QString processingText(const ReportDocument::Header& header);
    static double processingTextWidth(const ReportDocument::Header& header);

    // The text with its {FIELD} placeholders filled from a row.
    static QString fill(const QString& text, const ReportData& data, int row);
};
