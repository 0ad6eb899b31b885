#pragma once

#include "report/output/ReportFileOutput.h"

#include <memory>

// A report as CSV, written as the layout hands the body on: UTF-8, ';' between fields, a
// heading line with the column labels (the printed columns, then those only the CSV carries),
// and the same cells as the printed lines (amounts "1.234,56", dates "DD/MM/YYYY"). Fields
// holding ';', '"' or a line break are quoted. A text cell that a spreadsheet would read as a
// formula (one beginning with '=', '+', '-', '@', a tab or a carriage return) starts with an
// apostrophe; numbers stay numbers. With Options::totals a total row holds its label in the
// first column without a sum, and its sums in their columns, and a state summary row holds the
// summary in its first column; with Options::criteria the title, the processing date and the
// criteria in full come first, one "name;value" row each, and an empty line; with
// Options::totals the inconsistencies the report lists follow the rows, one a row. With
// Options::excel the file begins with a UTF-8 byte-order mark and a code of digits (an account,
// a check number) is written as the text formula ="001101", which Excel shows as it is.
class ReportCsv : public ReportFileOutput {
public:
    ReportCsv(const QString& path, const QStringList& untouchable);
    ~ReportCsv() override;

    QString nameFilter() const override
    {
        return QStringLiteral("Planilha CSV, separada por ponto e vírgula (*.csv)");
    }
    QStringList suffixes() const override { return {QStringLiteral("csv")}; }
    bool tabular() const override { return true; }
    ReportBodySink* body(const ReportFrame& frame, const Options& options) override;
    // Writes what the body left buffered.
    void write(const ReportPages& pages, const Options& options, ReportProgress& progress) override;

private:
    class Stream;
    std::unique_ptr<Stream> m_stream;
};
