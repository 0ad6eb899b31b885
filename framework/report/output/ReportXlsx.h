#pragma once

#include "report/output/ReportFileOutput.h"

#include <memory>

class QTemporaryDir;

// A report as an Excel workbook (.xlsx, written by libxlsxwriter), as the layout hands the body
// on: a sheet "Relatório" with the column labels in a frozen, filtered first row and one row per
// line of the report, numbers as numbers (amounts in the "#,##0.00" format, which a Brazilian
// spreadsheet shows as 1.234,56), dates as dates, codes and texts as text; a sheet "Critérios"
// with the title, the processing date, the criteria in full and the inconsistencies the report
// found. With Options::totals the total lines come among the rows, bold under a rule, and the
// state summaries in italics. The workbook is written in constant memory (each row goes to a
// temporary file as the next begins), so a million rows keep memory flat; it is then copied to
// the output file, which takes its target's place only when whole.
class ReportXlsx : public ReportFileOutput {
public:
    ReportXlsx(const QString& path, const QStringList& untouchable);
    ~ReportXlsx() override;

    QString nameFilter() const override
    {
        return QStringLiteral("Pasta de trabalho Excel (*.xlsx)");
    }
    QStringList suffixes() const override { return {QStringLiteral("xlsx")}; }
    bool tabular() const override { return true; }
    void open() override;
    ReportBodySink* body(const ReportFrame& frame, const Options& options) override;
    // Closes the workbook and copies it to the output file.
    void write(const ReportPages& pages, const Options& options, ReportProgress& progress) override;

private:
    class Workbook;
    // Where the workbook and the rows it keeps apart are written, until copied.
    std::unique_ptr<QTemporaryDir> m_directory;
    std::unique_ptr<Workbook> m_workbook;
};
