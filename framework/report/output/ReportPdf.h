#pragma once

class OutputFile;
class ReportPages;
class ReportProgress;

// A laid-out report as a PDF file.
namespace ReportPdf {

// Writes every page to the file, reading them back a few at a time; raises an Exception
// when the file cannot be written, ReportProgress::Cancelled when asked to stop (the file is
// then not committed).
void write(const ReportPages& pages, OutputFile& file, ReportProgress& progress);

} // namespace ReportPdf
