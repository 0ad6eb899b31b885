#pragma once

#include "report/engine/ReportBody.h"

#include <QString>
#include <memory>

class OutputFile;

// A laid-out report as CSV: UTF-8, ';' between fields, a heading line with the column labels
// (the printed columns, then those only the CSV carries), and the same cells as the printed
// lines (amounts "1.234,56", dates "DD/MM/YYYY"). Fields holding ';', '"' or a line break
// are quoted. A text cell that a spreadsheet would read as a formula (one beginning with '=',
// '+', '-', '@', a tab or a carriage return) starts with an apostrophe; numbers stay numbers.
namespace ReportCsv {

struct Options {
    // The total lines and state summaries among the rows, where the pages have them: a total
    // row holds its label in the first column without a sum, and its sums in their columns;
    // a state summary row holds the summary in its first column.
    bool totals = false;
    // Before the heading line, the report's title, processing date and criteria in full, one
    // "name;value" row each, and an empty line.
    bool criteria = false;
};

class Writer;

// Writes the CSV to a file as the layout hands the body on: the heading lines at once, then
// the rows (and totals) as they pass. Raises an Exception when the file cannot be written.
class Stream : public ReportBodySink {
public:
    // The frame gives the columns and the header.
    Stream(const ReportDocument& frame, const Options& options, OutputFile& file);
    ~Stream() override;
    void place(const QVector<ReportPiece>& pieces, double room) override;
    void openHeading(const QString&) override {}
    void closeHeading() override {}
    // Writes what is still buffered.
    void flush();

private:
    std::unique_ptr<Writer> m_writer;
    OutputFile& m_file;
    bool m_totals;
};

QString text(const ReportDocument& document, const Options& options = {});
// Raises an Exception when the file cannot be written.
void write(const ReportDocument& document, const QString& path, const Options& options = {});

} // namespace ReportCsv
