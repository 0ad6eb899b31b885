#include "report/output/ReportLiveRun.h"

#include "report/engine/ReportPages.h"

#include <QMutexLocker>

namespace {
// How often, at most, a run tells that more pages are whole after the first.
constexpr qint64 pagesInterval = 200;
} // namespace

ReportLiveRun::ReportLiveRun()
{
    connect(&m_watcher, &QFutureWatcher<void>::finished, this, &ReportLiveRun::ended);
    m_later.setSingleShot(true);
    connect(&m_later, &QTimer::timeout, this, &ReportLiveRun::tell);
}

ReportLiveRun::~ReportLiveRun()
{
    m_future.cancel();
    try {
        m_future.waitForFinished();
    } catch (...) {
        // Its failure was the run's to tell; the run is over.
    }
}

void ReportLiveRun::start(QFuture<void> future)
{
    m_future = future;
    m_watcher.setFuture(future);
}

std::shared_ptr<ReportPages> ReportLiveRun::pages() const
{
    QMutexLocker lock(&m_mutex);
    return m_pages;
}

bool ReportLiveRun::hasPages() const
{
    const std::shared_ptr<ReportPages> store = pages();
    return store && store->progress().pages > 0;
}

bool ReportLiveRun::cancelled() const
{
    return hasEnded() && m_future.isCanceled() && !failure();
}

std::exception_ptr ReportLiveRun::failure() const
{
    if (!hasEnded())
        return nullptr;
    try {
        QFuture<void>(m_future).waitForFinished();
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}

void ReportLiveRun::begun(const std::shared_ptr<ReportPages>& pages)
{
    QMutexLocker lock(&m_mutex);
    m_pages = pages;
}

void ReportLiveRun::placed()
{
    const int whole = m_pages->progress().pages;
    if (whole <= m_handedPages || m_telling.exchange(true))
        return;
    m_handedPages = whole;
    // Told in the run object's thread; dropped if the run is gone by then.
    QMetaObject::invokeMethod(this, &ReportLiveRun::tell, Qt::QueuedConnection);
}

void ReportLiveRun::tell()
{
    if (m_sinceTold.isValid() && m_sinceTold.elapsed() < pagesInterval) {
        m_later.start(static_cast<int>(pagesInterval - m_sinceTold.elapsed()));
        return;
    }
    m_sinceTold.start();
    m_telling = false;
    emit pagesAdded();
}
