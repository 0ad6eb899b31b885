#pragma once

#include "report/engine/ReportProgress.h"
#include "report/engine/ReportQuery.h"

#include <QMutex>
#include <QWaitCondition>
#include <atomic>
#include <deque>
#include <exception>
#include <thread>

// The rows of a report's query as they are read: the query runs in a thread of its own and
// hands its rows over in batches through a bounded queue, so that reading and laying out
// overlap and memory stays flat whatever the row count. A failure of the query (also after
// some rows) or a cancel reaches the reader as the exception the query raised.
class ReportRowStream : private ReportQuery::Reader, private ReportProgress {
public:
    ReportRowStream(const ReportDefinition& definition, const QHash<QString, QVariant>& values,
                    const ReportQuery::Source& source, ReportProgress& progress);
    // Stops the query if it still runs, and waits for its thread.
    ~ReportRowStream() override;
    ReportRowStream(const ReportRowStream&) = delete;
    ReportRowStream& operator=(const ReportRowStream&) = delete;

    // The fields of the rows and their formats; waits for the query to run.
    const QStringList& fields();
    const QList<ReportValueFormat>& formats();
    // The names of the companies the report covers.
    const QStringList& companies();
    // The next batch of rows; false at the end.
    bool next(QVector<QVector<QVariant>>& batch);

private:
    void fields(const QStringList& fields, const QList<ReportValueFormat>& formats,
                const QStringList& companies) override;
    bool rows(QVector<QVector<QVariant>>&& batch) override;
    // The query stops when the run is cancelled or the reader gave up.
    bool isCancelled() const override { return m_abandoned || m_progress.isCancelled(); }
    void report(Stage stage, int done, int total) override
    {
        m_progress.report(stage, done, total);
    }
    // Waits until the query has run (or failed); raises its failure.
    void waitForFields();

    ReportProgress& m_progress;
    QMutex m_mutex;
    QWaitCondition m_changed;
    QStringList m_fields;
    QList<ReportValueFormat> m_formats;
    QStringList m_companies;
    bool m_hasFields = false;
    std::deque<QVector<QVector<QVariant>>> m_batches;
    bool m_ended = false;
    // Read by the query's checks, which may run inside a statement, without the mutex.
    std::atomic_bool m_abandoned{false};
    std::exception_ptr m_failure;
    // Not a pool thread: it blocks on the full queue, and a busy pool could starve the run.
    std::thread m_thread;
};
