#pragma once

// The sizes a report's pages are laid out, cut, searched and painted with, in points.
namespace ReportSizes {

// Line heights of the body.
constexpr double detailHeight = 10.5;
constexpr double headingHeight = 13.0;
constexpr double subtotalHeight = 13.0;
constexpr double grandTotalHeight = 16.0;
constexpr double signatureHeight = 36.0;
// The closing table's column labels take up to three lines.
constexpr double tableHeadingHeight = 28.0;
// The blank inside a cell's edges.
constexpr double cellPadding = 2.0;
// The further blank right of a right-aligned cell, so that its digits keep apart from a text
// that follows.
constexpr double numberGap = 5.0;
// How far a state summary stands in from the left under its total.
constexpr double summaryIndent = 10.0;

// Page margins and the height of a header line (subtitle, companies, criteria).
constexpr double margin = 28.35; // 10 mm
constexpr double headerLineHeight = 10.0;
// The line of column labels, last of the header.
constexpr double columnHeadingHeight = 14.0;
// At most this many lines of criteria, and of company names, head a page.
constexpr int criteriaLinesAtMost = 3;
constexpr int companyLinesAtMost = 3;

} // namespace ReportSizes
