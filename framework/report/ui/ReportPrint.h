#pragma once

#include "report/output/ReportOutput.h"

#include <QPainter>

class QPrinter;

// A laid-out report on a printer that the print dialog has set up: the pages of a range.
class ReportPrint : public ReportOutput {
public:
    // The pages first..last (from 1).
    ReportPrint(QPrinter& printer, int first, int last);
    // A print job left unclosed is aborted.
    ~ReportPrint() override;

    QString nameFilter() const override { return QString(); }
    QStringList suffixes() const override { return {}; }
    void open() override {}
    void write(const ReportPages& pages, const Options& options, ReportProgress& progress) override;
    void close() override;

private:
    QPrinter& m_printer;
    int m_first;
    int m_last;
    QPainter m_painter;
};
