#include "report/output/ReportPdf.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"
#include "report/engine/ReportDocument.h"
#include "report/engine/ReportPages.h"
#include "report/engine/ReportPainter.h"
#include "report/engine/ReportProgress.h"
#include "report/output/PdfInfo.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

void ReportPdf::write(const ReportPages& pages, OutputFile& file, ReportProgress& progress)
{
    const ReportDocument& frame = pages.frame();
    const int count = pages.pageCount();
    progress.setStage(ReportProgress::Stage::Writing, count);
    PdfInfo::Recorder pdf(file.device());
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(600);
        writer.setTitle(frame.header.title);
        writer.setCreator(QStringLiteral("KLX"));
        writer.setPageLayout(QPageLayout(
            QPageSize(QPageSize::A4),
            frame.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
        QPainter painter;
        if (!painter.begin(&writer))
            throw Exception(
                QStringLiteral("Não foi possível gravar o arquivo '%1'.").arg(file.path()));
        try {
            ReportPainter::PageSequence sequence(painter, pages);
            for (int page = 0; page < count; ++page) {
                progress.checkCancel();
                file.check();
                if (page > 0)
                    writer.newPage();
                sequence.paint(page);
                progress.setDone(page + 1);
            }
        } catch (...) {
            painter.end();
            throw;
        }
        painter.end();
    }
    const bool whole = pdf.finish();
    file.check();
    if (!whole || pdf.written() == 0)
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo '%1'.").arg(file.path()));
    // The pages show long code lists summarised; the file's properties keep them whole.
    QStringList criteria;
    for (const auto& [name, value] : frame.header.fullCriteria)
        criteria << name + QStringLiteral(": ") + value;
    const auto& header = frame.header;
    file.write(PdfInfo::update(
        pdf, file.path(),
        {{"Subject", QStringLiteral("Critérios: ") + criteria.join(QStringLiteral("; "))},
         {"Keywords", QStringList{header.screenCode, header.reportCode, header.title}.join(
                          QStringLiteral(", "))}}));
}
