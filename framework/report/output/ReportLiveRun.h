#pragma once

#include "report/engine/ReportExport.h"

#include <QElapsedTimer>
#include <QFuture>
#include <QFutureWatcher>
#include <QMutex>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>

class ReportPages;

// A report run whose pages a preview shows as they are laid out (ReportJob::startLive), going
// on in a worker thread. It tells, in the thread it belongs to, when the pages cut so far
// grew (at once for the first page, then a few times a second at most) and when the run
// ended. Destroyed, it stops the run and waits for it: the run reads a connection and pages
// that go with the program.
class KLX_REPORT_EXPORT ReportLiveRun : public QObject {
    Q_OBJECT
public:
    ~ReportLiveRun() override;

    // The run's future: its progress and its cancel, as ReportJob describes them.
    QFuture<void> future() const { return m_future; }
    // The page store, cut into pages as the body is laid out (ReportLivePages reads it);
    // null before the query has run.
    std::shared_ptr<ReportPages> pages() const;
    // Whether a page is whole.
    bool hasPages() const;
    // Whether the run has ended; whether it ended cancelled; the failure it ended with, null
    // when none.
    bool hasEnded() const { return m_future.isFinished(); }
    bool cancelled() const;
    std::exception_ptr failure() const;
    // Stops the layout at its next row; the pages cut so far stay.
    void cancel() { m_future.cancel(); }

signals:
    // More pages are whole than when last told.
    void pagesAdded();
    // The run has ended: finished, cancelled or failed.
    void ended();

private:
    friend class ReportJob;
    ReportLiveRun();
    // From the run's thread: the page store, once made.
    void begun(const std::shared_ptr<ReportPages>& pages);
    // From the run's thread after a batch of rows: tells when more pages are whole.
    void placed();
    // In the run object's thread: emits pagesAdded, or later when it did a moment ago.
    void tell();
    void start(QFuture<void> future);

    QFuture<void> m_future;
    QFutureWatcher<void> m_watcher;
    mutable QMutex m_mutex;
    std::shared_ptr<ReportPages> m_pages;
    // The pages whole when last handed on to be told; the run's thread alone reads it.
    int m_handedPages = 0;
    // Whether a tell is on its way: the run's thread hands on no other meanwhile.
    std::atomic_bool m_telling{false};
    QElapsedTimer m_sinceTold;
    QTimer m_later;
};
