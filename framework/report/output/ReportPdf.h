#pragma once

#include "report/output/ReportFileOutput.h"

// A laid-out report as a PDF file: every page painted, read back from the page store a few
// at a time; the title, the criteria in full (the pages may summarise them) and the codes as
// the file's metadata.
class ReportPdf : public ReportFileOutput {
public:
    using ReportFileOutput::ReportFileOutput;

    QString nameFilter() const override { return QStringLiteral("Documento PDF (*.pdf)"); }
    QStringList suffixes() const override { return {QStringLiteral("pdf")}; }
    void write(const ReportPages& pages, ReportProgress& progress) override;
};
