#pragma once

#include <QString>

class ReportDocument;

// The detail rows of a laid-out report as CSV: UTF-8, ';' between fields, a heading line with
// the column labels, and the same cells as the printed lines (amounts "1.234,56", dates
// "DD/MM/YYYY"). Fields holding ';', '"' or a line break are quoted.
namespace ReportCsv {

QString text(const ReportDocument& document);
// Raises an Exception when the file cannot be written.
void write(const ReportDocument& document, const QString& path);

} // namespace ReportCsv
