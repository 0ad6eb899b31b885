#pragma once

#include <QImage>
#include <QString>

class QPainter;
class QPrinter;
class ReportDocument;
class ReportProgress;

// Paints the pages of a laid-out report on any device: screen images, printers, PDF files.
namespace ReportPainter {

// Paints a page (from 0) with the painter, whose device has the page's full size.
void paintPage(QPainter& painter, const ReportDocument& document, int page);

// The page as an image at the resolution, white behind.
QImage pageImage(const ReportDocument& document, int page, double dpi);

// Writes every page to a PDF file; raises an Exception when the file cannot be written,
// ReportProgress::Cancelled when asked to stop (the partial file is removed).
void writePdf(const ReportDocument& document, const QString& path, ReportProgress& progress);

// Prints the pages first..last (from 1) on a printer that is set up; a progress callback
// gets each page number and returns false to stop.
void print(const ReportDocument& document, QPrinter& printer, int first, int last,
           const std::function<bool(int)>& onPage = {});

} // namespace ReportPainter
