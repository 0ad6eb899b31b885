#include "report/output/ReportJob.h"

#include "base/Exceptions.h"
#include "report/engine/ReportLayouter.h"
#include "report/engine/ReportPromiseProgress.h"
#include "report/engine/ReportRowStream.h"
#include "report/output/ReportOutputs.h"

#include <QDir>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QMutex>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <limits>

namespace {

// What the worker hands back: the error it raised, of its own type.
struct Outcome {
    std::exception_ptr error;
    bool cancelled = false;
};

} // namespace

// A run whose pages a preview shows as they are laid out: the worker's future and outcome,
// and the page store once the worker has made it.
struct ReportJob::LiveRun::State {
    QFuture<void> future;
    std::shared_ptr<Outcome> outcome = std::make_shared<Outcome>();
    QMutex mutex;
    std::shared_ptr<ReportPages> pages;
};

namespace {

// How long a run goes before its progress window shows: quick reports do not flash it.
constexpr int progressDelay = 300;

// The progress window of a run: it shows the run's future, whose progress text, value and
// range the run sets, and cancels the future on Cancel. The dialog belongs to the form, which
// may go first; a guarded pointer tells.
class ProgressWindow {
public:
    ProgressWindow(QWidget* parent, QFutureWatcher<void>& watcher, const QString& title)
        : m_dialog(new QProgressDialog(parent))
    {
        m_dialog->setObjectName(QStringLiteral("reportProgress"));
        m_dialog->setWindowTitle(title);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setCancelButtonText(QStringLiteral("Cancelar"));
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        // Shown by the delay below only; its own would start with the first page written.
        m_dialog->setMinimumDuration(std::numeric_limits<int>::max());
        m_dialog->setMinimumWidth(360);
        m_dialog->setRange(0, 0);
        m_dialog->setLabelText(ReportProgress::text(ReportProgress::Stage::Query, 0, 0));
        m_dialog->hide();
        QProgressDialog* dialog = m_dialog;
        // A stage's range begins below its first value (ReportPromiseProgress).
        QObject::connect(&watcher, &QFutureWatcher<void>::progressRangeChanged, dialog,
                         [dialog](int, int maximum) { dialog->setRange(0, maximum); });
        QObject::connect(&watcher, &QFutureWatcher<void>::progressValueChanged, dialog,
                         &QProgressDialog::setValue);
        QObject::connect(&watcher, &QFutureWatcher<void>::progressTextChanged, dialog,
                         &QProgressDialog::setLabelText);
        QObject::connect(dialog, &QProgressDialog::canceled, dialog, [dialog, &watcher] {
            watcher.cancel();
            dialog->setLabelText(QStringLiteral("Cancelando…"));
        });
        QTimer::singleShot(progressDelay, dialog, [dialog, &watcher] {
            if (!watcher.isCanceled())
                dialog->show();
        });
    }
    ~ProgressWindow() { delete m_dialog.data(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

private:
    QPointer<QProgressDialog> m_dialog;
};

// Starts the work in a worker thread; the outcome tells how it ended once the future has.
QFuture<void> start(const std::function<void(ReportProgress&)>& work,
                    const std::shared_ptr<Outcome>& outcome)
{
    // The worker owns copies of everything it reads.
    return QtConcurrent::run([work, outcome](QPromise<void>& promise) {
        ReportPromiseProgress progress(promise);
        try {
            work(progress);
        } catch (const ReportProgress::Cancelled&) {
            outcome->cancelled = true;
        } catch (const Exception&) {
            outcome->error = std::current_exception();
        } catch (const std::exception& e) {
            outcome->error = std::make_exception_ptr(Exception(QString::fromLocal8Bit(e.what())));
        } catch (...) {
            outcome->error = std::make_exception_ptr(
                Exception(QStringLiteral("Erro desconhecido ao gerar o relatório.")));
        }
    });
}

// Turns the event loop, with the progress window when shown, until the future finishes or
// `enough` (asked a few times a second) says the caller can go on.
void waitFor(QFuture<void>& future, QWidget* parent, bool showProgress, const QString& title,
             const std::function<bool()>& enough = {})
{
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    QTimer poll;
    if (enough) {
        QObject::connect(&poll, &QTimer::timeout, &loop, [&loop, &enough] {
            if (enough())
                loop.quit();
        });
        poll.start(50);
    }
    std::unique_ptr<ProgressWindow> window;
    if (showProgress)
        window = std::make_unique<ProgressWindow>(parent, watcher, title);
    watcher.setFuture(future);
    if (!future.isFinished() && !(enough && enough()))
        loop.exec(QEventLoop::ExcludeSocketNotifiers);
}

// Runs the work in a worker thread while the event loop turns; false when cancelled.
bool runInWorker(const std::function<void(ReportProgress&)>& work, QWidget* parent,
                 bool showProgress, const QString& title)
{
    auto outcome = std::make_shared<Outcome>();
    QFuture<void> future = start(work, outcome);
    waitFor(future, parent, showProgress, title);
    // The loop may also end because the application quits: stop the work, then wait.
    if (!future.isFinished())
        future.cancel();
    future.waitForFinished();

    if (outcome->error)
        std::rethrow_exception(outcome->error);
    // A run that finished as Cancel was pressed keeps its result.
    return !outcome->cancelled;
}

} // namespace

std::shared_ptr<ReportPages>
ReportJob::runHere(const Request& request, ReportProgress& progress,
                   const std::function<void(const std::shared_ptr<ReportPages>&)>& cutting)
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
        cutting(pages);
    }
    QVector<QVector<QVariant>> batch;
    while (rows.next(batch)) {
        for (const QVector<QVariant>& row : std::as_const(batch))
            layouter.addRow(row, body);
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

bool ReportJob::write(const std::shared_ptr<const ReportPages>& pages, ReportOutput& output,
                      QWidget* parent, bool showProgress)
{
    return runInWorker(
        [pages, &output](ReportProgress& progress) {
            output.open();
            output.write(*pages, {}, progress);
            output.close();
        },
        parent, showProgress, pages->frame().header.title);
}

std::shared_ptr<ReportJob::LiveRun> ReportJob::preview(const Request& request, QWidget* parent,
                                                       bool showProgress)
{
    auto state = std::make_shared<LiveRun::State>();
    std::weak_ptr<LiveRun::State> weak = state;
    state->future = start(
        [request, weak](ReportProgress& progress) {
            runHere(request, progress, [weak](const std::shared_ptr<ReportPages>& pages) {
                if (const auto run = weak.lock()) {
                    QMutexLocker lock(&run->mutex);
                    run->pages = pages;
                }
            });
        },
        state->outcome);
    const auto laidOut = [&state] {
        QMutexLocker lock(&state->mutex);
        return state->pages;
    };
    const auto firstPage = [&laidOut] {
        const std::shared_ptr<ReportPages> pages = laidOut();
        return pages && pages->progress().pages > 0;
    };
    waitFor(state->future, parent, showProgress, request.header.title, firstPage);
    if (state->future.isFinished()) {
        if (state->outcome->error)
            std::rethrow_exception(state->outcome->error);
        if (state->outcome->cancelled)
            return nullptr;
    } else if (state->future.isCanceled() || !firstPage()) {
        // Cancelled as the first page came, or the loop ended as the application quits before
        // any page: the run stops here.
        state->future.cancel();
        state->future.waitForFinished();
        return nullptr;
    }
    return std::shared_ptr<LiveRun>(new LiveRun(state, laidOut()));
}

ReportJob::LiveRun::LiveRun(std::shared_ptr<State> state, std::shared_ptr<ReportPages> pages)
    : m_state(std::move(state)), m_pages(std::move(pages))
{
}

ReportJob::LiveRun::~LiveRun()
{
    // The run reads from a connection and pages that go with the program: it ends first.
    cancel();
    m_state->future.waitForFinished();
}

bool ReportJob::LiveRun::ended()
{
    if (!m_state->future.isFinished())
        return false;
    if (const std::exception_ptr error = std::exchange(m_state->outcome->error, nullptr))
        std::rethrow_exception(error);
    return true;
}

bool ReportJob::LiveRun::cancelled() const
{
    return m_state->future.isFinished() && m_state->outcome->cancelled;
}

void ReportJob::LiveRun::cancel()
{
    m_state->future.cancel();
}
