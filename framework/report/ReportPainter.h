#pragma once

#include <QImage>
#include <QString>
#include <functional>

class OutputFile;
class QPainter;
class QPrinter;
class ReportDocument;
class ReportPages;
class ReportProgress;

// Paints the pages of a laid-out report on any device: screen images, printers, PDF files.
namespace ReportPainter {

// Paints a page (from 0) that the document holds with the painter, whose device has the
// page's full size.
void paintPage(QPainter& painter, const ReportDocument& document, int page);

// The page as an image at the resolution, white behind.
QImage pageImage(const ReportDocument& document, int page, double dpi);

// Writes every page to a PDF file, reading them back a few at a time; raises an Exception
// when the file cannot be written, ReportProgress::Cancelled when asked to stop (the file is
// then not committed).
void writePdf(const ReportPages& pages, OutputFile& file, ReportProgress& progress);

// Prints the pages first..last (from 1) on a printer that is set up; a progress callback
// gets each page number and returns false to stop.
void print(const ReportPages& pages, QPrinter& printer, int first, int last,
           const std::function<bool(int)>& onPage = {});

} // namespace ReportPainter
