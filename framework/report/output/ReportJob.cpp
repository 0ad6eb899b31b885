#include "report/output/ReportJob.h"

#include "base/Exceptions.h"
#include "base/OutputFile.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportProgress.h"
#include "report/engine/ReportRowStream.h"
#include "report/output/ReportCsv.h"
#include "report/output/ReportPdf.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// What the worker hands back.
struct Outcome {
    QString error;
    bool cancelled = false;
};

// The progress window: shown after a short delay, so quick reports do not flash it. The
// dialog belongs to the form, which may go first; a guarded pointer tells.
class ProgressWindow {
public:
    ProgressWindow(QWidget* parent, ReportProgress& progress, const QString& title)
        : m_dialog(new QProgressDialog(parent)), m_progress(progress)
    {
        m_dialog->setObjectName(QStringLiteral("reportProgress"));
        m_dialog->setWindowTitle(title);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setCancelButtonText(QStringLiteral("Cancelar"));
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->setMinimumWidth(360);
        m_dialog->setRange(0, 0);
        m_dialog->setLabelText(progress.text());
        m_dialog->hide();
        QObject::connect(m_dialog, &QProgressDialog::canceled, m_dialog, [this] {
            m_progress.cancel();
            m_dialog->setLabelText(QStringLiteral("Cancelando…"));
        });
        QObject::connect(&m_timer, &QTimer::timeout, m_dialog, [this] { update(); });
        m_timer.start(100);
        m_shown.start();
    }
    ~ProgressWindow() { delete m_dialog.data(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

private:
    void update()
    {
        if (m_progress.isCancelled())
            return;
        if (!m_dialog->isVisible() && m_shown.elapsed() >= 300)
            m_dialog->show();
        const int total = m_progress.total();
        m_dialog->setMaximum(total > 0 ? total : 0);
        if (total > 0)
            m_dialog->setValue(std::min(m_progress.done(), total));
        m_dialog->setLabelText(m_progress.text());
    }

    QPointer<QProgressDialog> m_dialog;
    ReportProgress& m_progress;
    QTimer m_timer;
    QElapsedTimer m_shown;
};

} // namespace

ReportJob::Output ReportJob::outputFor(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return Output::Pdf;
    if (suffix == QLatin1String("csv"))
        return Output::Csv;
    return Output::None;
}

namespace {

// Runs the work in a worker thread while the event loop turns; false when cancelled.
bool runInWorker(const std::function<void(ReportProgress&)>& work, QWidget* parent,
                 bool showProgress, const QString& title)
{
    auto progress = std::make_shared<ReportProgress>();
    auto outcome = std::make_shared<Outcome>();
    // The worker owns copies of everything it reads.
    QFuture<void> future = QtConcurrent::run([work, progress, outcome] {
        try {
            work(*progress);
        } catch (const ReportProgress::Cancelled&) {
            outcome->cancelled = true;
        } catch (const Exception& e) {
            outcome->error = e.Message();
        } catch (const std::exception& e) {
            outcome->error = QString::fromLocal8Bit(e.what());
        } catch (...) {
            outcome->error = QStringLiteral("Erro desconhecido ao gerar o relatório.");
        }
    });

    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    {
        std::unique_ptr<ProgressWindow> window;
        if (showProgress)
            window = std::make_unique<ProgressWindow>(parent, *progress, title);
        if (!future.isFinished())
            loop.exec(QEventLoop::ExcludeSocketNotifiers);
    }
    // The loop may also end because the application quits: stop the work, then wait.
    if (!future.isFinished())
        progress->cancel();
    future.waitForFinished();

    if (!outcome->error.isEmpty())
        throw Exception(outcome->error);
    // A run that finished as Cancel was pressed keeps its result.
    return !outcome->cancelled;
}

} // namespace

std::shared_ptr<ReportPages> ReportJob::runHere(const Request& request, ReportProgress& progress)
{
    // The output is checked, and its temporary file made, before the query runs.
    std::optional<OutputFile> file;
    if (request.output != Output::None)
        file.emplace(request.path, QStringList{ReportQuery::databaseFile(request.source)});

    ReportRowStream rows(request.definition, request.values, request.source, progress);
    ReportLayouter layouter(request.definition, rows.fields(), rows.formats(), request.header);
    // A CSV needs the page count only; the other outputs read the pages back.
    auto pages =
        std::make_shared<ReportPages>(layouter.possibleBodyTops(), layouter.bodyBottom(),
                                      layouter.sourceName(), request.output != Output::Csv);
    std::optional<ReportCsv::Stream> csv;
    if (request.output == Output::Csv)
        csv.emplace(layouter.frame(), request.csv, *file);
    ReportBodySinks body(csv ? QList<ReportBodySink*>{pages.get(), &*csv}
                             : QList<ReportBodySink*>{pages.get()});
    QVector<QVector<QVariant>> batch;
    while (rows.next(batch)) {
        for (const QVector<QVariant>& row : std::as_const(batch))
            layouter.addRow(row, body);
        progress.checkCancel();
        if (file)
            file->check();
    }
    pages->finish(layouter.finish(body), layouter.rowCount());
    if (file && (pages->rowCount() > 0 || request.writeWhenEmpty)) {
        if (csv)
            csv->flush();
        else
            ReportPdf::write(*pages, *file, progress);
        progress.checkCancel();
        file->commit();
    }
    progress.setStage(ReportProgress::Stage::Done);
    return pages;
}

std::shared_ptr<const ReportPages> ReportJob::run(const Request& request, QWidget* parent,
                                                  bool showProgress)
{
    auto result = std::make_shared<std::shared_ptr<ReportPages>>();
    if (!runInWorker(
            [request, result](ReportProgress& progress) { *result = runHere(request, progress); },
            parent, showProgress, request.header.title))
        return nullptr;
    return *result;
}

bool ReportJob::writePdf(const std::shared_ptr<const ReportPages>& pages, const QString& path,
                         QWidget* parent, bool showProgress)
{
    return runInWorker(
        [pages, path](ReportProgress& progress) {
            OutputFile file(path);
            ReportPdf::write(*pages, file, progress);
            file.commit();
        },
        parent, showProgress, pages->frame().header.title);
}
