#include "report/ui/ReportPrint.h"

#include "base/Exceptions.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"
#include "report/engine/ReportProgress.h"

#include <QPrinter>
#include <algorithm>

ReportPrint::ReportPrint(QPrinter& printer, int first, int last)
    : m_printer(printer), m_first(first), m_last(last)
{
}

ReportPrint::~ReportPrint()
{
    if (!m_painter.isActive())
        return;
    m_printer.abort();
    m_painter.end();
}

void ReportPrint::write(const ReportPages& pages, const Options&, ReportProgress& progress)
{
    m_printer.setFullPage(true);
    m_printer.setPageOrientation(pages.frame().landscape ? QPageLayout::Landscape
                                                         : QPageLayout::Portrait);
    if (!m_painter.begin(&m_printer))
        throw Exception(QStringLiteral("Não foi possível iniciar a impressão."));
    const int first = std::max(m_first, 1);
    const int last = std::min(m_last, pages.pageCount());
    const int count = last - first + 1;
    progress.report(ReportProgress::Stage::Printing, 0, count);
    ReportPainter::PageSequence sequence(m_painter, pages);
    for (int page = first; page <= last; ++page) {
        progress.checkCancel();
        if (page > first)
            m_printer.newPage();
        sequence.paint(page - 1);
        progress.report(ReportProgress::Stage::Printing, page - first + 1, count);
    }
}

void ReportPrint::close()
{
    m_painter.end();
}
