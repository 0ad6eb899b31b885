#include "report/output/ReportPrint.h"

#include "base/Exceptions.h"
#include "report/engine/ReportDocument.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"

#include <QPainter>
#include <QPrinter>
#include <algorithm>

void ReportPrint::print(const ReportPages& pages, QPrinter& printer, int first, int last,
                        const std::function<bool(int)>& onPage)
{
    const ReportDocument& frame = pages.frame();
    printer.setFullPage(true);
    printer.setPageOrientation(frame.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    QPainter painter;
    if (!painter.begin(&printer))
        throw Exception(QStringLiteral("Não foi possível iniciar a impressão."));
    first = std::max(first, 1);
    last = std::min(last, pages.pageCount());
    ReportPainter::PageSequence sequence(painter, pages);
    for (int page = first; page <= last; ++page) {
        if (onPage && !onPage(page)) {
            printer.abort();
            break;
        }
        if (page > first)
            printer.newPage();
        sequence.paint(page - 1);
    }
    painter.end();
}
