#pragma once

#include "report/engine/ReportExport.h"
#include "report/output/ReportOutput.h"

#include <memory>
#include <vector>

// The kinds of file a report is written to, in the order the save dialog offers them. A new
// kind is one ReportOutput class added to the list in ReportOutputs.cpp.
namespace ReportOutputs {

// Each kind, as an output for the file at the path (checked when opened) that must not be
// one of the untouchable files.
KLX_REPORT_EXPORT std::vector<std::unique_ptr<ReportOutput>>
all(const QString& path = QString(), const QStringList& untouchable = {});
// The output whose suffix the file name has, in any case; nullptr when no kind has it.
KLX_REPORT_EXPORT std::unique_ptr<ReportOutput> forFile(const QString& path,
                                                        const QStringList& untouchable = {});
// The suffixes of the kinds (of the tabular ones only) as a message names them:
// ".pdf, .csv ou .xlsx".
KLX_REPORT_EXPORT QString suffixesText(bool tabularOnly = false);

} // namespace ReportOutputs
