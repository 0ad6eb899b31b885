#pragma once

#include "report/engine/ReportExport.h"
#include "report/output/ReportFileOutput.h"

class QIODevice;

// A laid-out report as a PDF file: every page painted, read back from the page store a few
// at a time; the title, the criteria in full (the pages may summarise them) and the codes as
// the file's metadata. With more than one thread (Options::threads) each paints a stretch of
// the pages into a document of its own, a scratch file with no name beside the target, and
// the documents are joined into the file.
class KLX_REPORT_EXPORT ReportPdf : public ReportFileOutput {
public:
    using ReportFileOutput::ReportFileOutput;

    QString nameFilter() const override { return QStringLiteral("Documento PDF (*.pdf)"); }
    QStringList suffixes() const override { return {QStringLiteral("pdf")}; }
    void write(const ReportPages& pages, const Options& options, ReportProgress& progress) override;

    // Pages up to which several threads paint; a longer report is painted by one.
    static constexpr int maxJoinedPages = 25000;

private:
    void writeInParts(const ReportPages& pages, int painters, QIODevice& pdf,
                      ReportProgress& progress);
};
