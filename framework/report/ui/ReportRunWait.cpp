#include "report/ui/ReportRunWait.h"

#include "report/engine/ReportProgress.h"
#include "report/output/ReportLiveRun.h"

#include <QEventLoop>
#include <QFutureWatcher>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <limits>

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
            // A run that finished as Cancel was pressed keeps its result.
            if (watcher.isFinished())
                return;
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

// Turns the event loop, with the progress window when shown, until the future finishes or,
// for a live run, its first page is whole. False when the loop ended before: the application
// is quitting.
bool waitFor(const QFuture<void>& future, QWidget* parent, bool showProgress, const QString& title,
             const ReportLiveRun* live = nullptr)
{
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcher<void>::finished, &loop, &QEventLoop::quit);
    if (live)
        QObject::connect(live, &ReportLiveRun::pagesAdded, &loop, &QEventLoop::quit);
    const auto enough = [&future, live] {
        return future.isFinished() || (live && live->hasPages());
    };
    std::unique_ptr<ProgressWindow> window;
    if (showProgress)
        window = std::make_unique<ProgressWindow>(parent, watcher, title);
    watcher.setFuture(future);
    // Connected before asking: what happens meanwhile still ends the loop.
    if (!enough())
        loop.exec(QEventLoop::ExcludeSocketNotifiers);
    return enough();
}

// Waits for the run to end, and stops it first when the wait ended early; raises its failure.
void finish(QFuture<void> future, QWidget* parent, bool showProgress, const QString& title)
{
    if (!waitFor(future, parent, showProgress, title))
        future.cancel();
    future.waitForFinished();
}

} // namespace

ReportJob::Pages ReportRunWait::run(const ReportJob::Request& request, QWidget* parent,
                                    bool showProgress)
{
    QFuture<ReportJob::Pages> future = ReportJob::start(request);
    finish(QFuture<void>(future), parent, showProgress, request.header.title);
    return future.resultCount() > 0 ? future.result() : nullptr;
}

bool ReportRunWait::write(const ReportJob::Pages& pages, ReportOutput& output, QWidget* parent,
                          bool showProgress)
{
    QFuture<void> future = ReportJob::write(pages, output);
    finish(future, parent, showProgress, pages->frame().header.title);
    return !future.isCanceled();
}

std::shared_ptr<ReportLiveRun> ReportRunWait::preview(const ReportJob::Request& request,
                                                      QWidget* parent, bool showProgress)
{
    std::shared_ptr<ReportLiveRun> run = ReportJob::startLive(request);
    const bool waited =
        waitFor(run->future(), parent, showProgress, request.header.title, run.get());
    if (run->hasEnded()) {
        if (const std::exception_ptr failure = run->failure())
            std::rethrow_exception(failure);
        return run->cancelled() ? nullptr : run;
    }
    // Cancelled as the first page came, or the application quitting before any page: the run
    // stops here (its end waits for it).
    if (!waited || run->future().isCanceled())
        return nullptr;
    return run;
}
