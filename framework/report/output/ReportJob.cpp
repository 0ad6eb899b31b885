#include "report/output/ReportJob.h"

#include "base/Exceptions.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportPromiseProgress.h"
#include "report/engine/ReportRowStream.h"
#include "report/output/ReportLiveRun.h"
#include "report/output/ReportOutputs.h"

#include <QDir>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>

namespace {

// Runs the work with its progress told through the promise. A cancel ends the future with no
// result; a failure with the Exception the work raised, of its own type (any other error is
// told as an Exception).
template <typename Result, typename Work> void runPromised(QPromise<Result>& promise, Work& work)
{
    ReportPromiseProgress<Result> progress(promise);
    try {
        work(progress);
    } catch (const ReportProgress::Cancelled&) {
        promise.future().cancel();
    } catch (const Exception&) {
        promise.setException(std::current_exception());
    } catch (const std::exception& e) {
        promise.setException(std::make_exception_ptr(Exception(QString::fromLocal8Bit(e.what()))));
    } catch (...) {
        promise.setException(std::make_exception_ptr(
            Exception(QStringLiteral("Erro desconhecido ao gerar o relatório."))));
    }
}

} // namespace

std::shared_ptr<ReportPages> ReportJob::runHere(const Request& request, ReportProgress& progress,
                                                const Cutting* cutting)
{
    // The output is checked, and its temporary file made, before the query runs.
    std::unique_ptr<ReportOutput> output;
    if (!request.path.isEmpty()) {
        output = ReportOutputs::forFile(request.path, {ReportQuery::databaseFile(request.source)});
        if (!output)
            throw Exception(
                QStringLiteral("O arquivo do relatório deve terminar em %1: '%2'.")
                    .arg(ReportOutputs::suffixesText(), QDir::toNativeSeparators(request.path)));
        output->open();
    }

    ReportRowStream rows(request.definition, request.values, request.source, progress);
    // The companies the report covers head an empty report; rows that name theirs replace them.
    ReportFrame::Header header = request.header;
    if (!rows.companies().isEmpty())
        header.companies = rows.companies().join(QStringLiteral("; "));
    ReportLayouter layouter(request.definition, rows.fields(), rows.formats(), header);
    ReportBodySink* streamed = output ? output->body(layouter.frame(), request.options) : nullptr;
    // An output that takes the rows as they pass reads no page back: the pages are only
    // counted.
    auto pages = std::make_shared<ReportPages>(layouter.sourceName(),
                                               streamed ? ReportPages::Contents::Heights
                                                        : ReportPages::Contents::Whole);
    ReportBodySinks body(streamed ? QList<ReportBodySink*>{pages.get(), streamed}
                                  : QList<ReportBodySink*>{pages.get()});
    if (cutting) {
        pages->cutAsPlaced(layouter.provisionalFrame(),
                           [&layouter] { return layouter.provisionalFrame(); });
        cutting->begun(pages);
    }
    QVector<QVector<QVariant>> batch;
    while (rows.next(batch)) {
        for (const QVector<QVariant>& row : std::as_const(batch))
            layouter.addRow(row, body);
        if (cutting)
            cutting->placed();
        progress.checkCancel();
    }
    pages->finish(layouter.finish(body), layouter.rowCount(), layouter.inconsistencyCount());
    if (output && (pages->rowCount() > 0 || request.writeWhenEmpty)) {
        output->write(*pages, request.options, progress);
        progress.checkCancel();
        output->close();
    }
    return pages;
}

QFuture<ReportJob::Pages> ReportJob::start(const Request& request)
{
    // The worker owns copies of everything it reads.
    return QtConcurrent::run([request](QPromise<Pages>& promise) {
        const auto work = [&](ReportProgress& progress) {
            promise.addResult(runHere(request, progress));
        };
        runPromised(promise, work);
    });
}

QFuture<void> ReportJob::write(const Pages& pages, ReportOutput& output)
{
    return QtConcurrent::run([pages, &output](QPromise<void>& promise) {
        const auto work = [&](ReportProgress& progress) {
            output.open();
            output.write(*pages, {}, progress);
            output.close();
        };
        runPromised(promise, work);
    });
}

std::shared_ptr<ReportLiveRun> ReportJob::startLive(const Request& request)
{
    std::shared_ptr<ReportLiveRun> run(new ReportLiveRun);
    // The run waits for its worker when destroyed: the worker may use it throughout.
    ReportLiveRun* live = run.get();
    run->start(QtConcurrent::run([request, live](QPromise<void>& promise) {
        const Cutting cutting{
            [live](const std::shared_ptr<ReportPages>& pages) { live->begun(pages); },
            [live] { live->placed(); }};
        const auto work = [&](ReportProgress& progress) { runHere(request, progress, &cutting); };
        runPromised(promise, work);
    }));
    return run;
}
