#pragma once

#include "report/engine/ReportExport.h"

#include <QImage>
#include <QString>
#include <memory>

class QPainter;
class ReportPages;
struct ReportFrame;
struct ReportPageStretch;

// Paints the pages of a laid-out report on any device: screen images, printers, PDF files.
namespace ReportPainter {

// Paints a page (from 0) that the stretch holds in its frame with the painter, whose device
// has the page's full size.
void paintPage(QPainter& painter, const ReportFrame& frame, const ReportPageStretch& stretch,
               int page);

// The page as an image at the resolution, white behind.
KLX_REPORT_EXPORT QImage pageImage(const ReportFrame& frame, const ReportPageStretch& stretch,
                                   int page, double dpi);

class PagePen;

// Paints page after page of a report kept on disk with one painter: the fonts are resolved
// once, and the pages are read back a few at a time.
class KLX_REPORT_EXPORT PageSequence {
public:
    PageSequence(QPainter& painter, const ReportPages& pages);
    ~PageSequence();
    PageSequence(const PageSequence&) = delete;
    PageSequence& operator=(const PageSequence&) = delete;

    // Paints the page (from 0) on the painter's current page.
    void paint(int page);

private:
    const ReportPages& m_pages;
    std::unique_ptr<PagePen> m_pen;
    std::unique_ptr<ReportPageStretch> m_stretch;
};

} // namespace ReportPainter
