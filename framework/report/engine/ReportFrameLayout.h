#pragma once

#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportFrame.h"

// Lays out the frame of a report's pages: the header on A4 (the title on one or two lines,
// shrunk to fit; the subtitle; the company names and the criteria in bounded blocks), where
// the body begins under it, and the columns' widths.
namespace ReportFrameLayout {

// The frame of the definition's pages with its columns under the header, all but what the
// rows decide: the company names when the definition takes them from the rows (the header's
// own otherwise), and the columns' widths.
ReportFrame begin(const ReportDefinition& definition,
                  const QList<ReportDefinition::Column>& columns,
                  const ReportFrame::Header& header);
// The frame once the rows are laid out: the company names found in them (when the definition
// takes them from the rows) and where the body begins under them; each number or date column
// as wide as its widest text (widest, measured, by printed column), the text columns sharing
// what is left in their declared proportions. Raises an Exception naming the report when
// the numbers cannot fit the page's width.
void finish(ReportFrame& frame, const ReportDefinition& definition,
            const QList<ReportDefinition::Column>& columns, const QStringList& companies,
            const QVector<double>& widest, const QString& sourceName);

// The header's processing date text, and the room it takes beside the company names.
QString processingText(const ReportFrame::Header& header);
double processingTextWidth(const ReportFrame::Header& header);

} // namespace ReportFrameLayout
