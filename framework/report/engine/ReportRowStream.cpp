#include "report/engine/ReportRowStream.h"

#include <QMutexLocker>

namespace {
// Batches waiting to be laid out, at most.
constexpr size_t queueLength = 16;
} // namespace

ReportRowStream::ReportRowStream(const ReportDefinition& definition,
                                 const QHash<QString, QVariant>& values,
                                 const ReportQuery::Source& source, ReportProgress& progress)
    : m_progress(progress)
{
    m_thread = std::thread([this, definition, values, source] {
        std::exception_ptr failure;
        try {
            ReportQuery::read(definition, values, source, *this, *this);
        } catch (...) {
            failure = std::current_exception();
        }
        QMutexLocker lock(&m_mutex);
        m_failure = failure;
        m_ended = true;
        m_changed.wakeAll();
    });
}

ReportRowStream::~ReportRowStream()
{
    {
        QMutexLocker lock(&m_mutex);
        if (!m_ended) {
            // The reader gave up (it failed or was cancelled): the query stops at its next
            // check, even inside a long statement.
            m_abandoned = true;
            m_changed.wakeAll();
        }
    }
    m_thread.join();
}

void ReportRowStream::fields(const QStringList& fields, const QList<ReportValueFormat>& formats,
                             const QStringList& companies)
{
    QMutexLocker lock(&m_mutex);
    m_fields = fields;
    m_formats = formats;
    m_companies = companies;
    m_hasFields = true;
    m_changed.wakeAll();
}

bool ReportRowStream::rows(QVector<QVector<QVariant>>&& batch)
{
    QMutexLocker lock(&m_mutex);
    while (m_batches.size() >= queueLength && !m_abandoned)
        m_changed.wait(&m_mutex);
    if (m_abandoned)
        return false;
    m_batches.push_back(std::move(batch));
    m_changed.wakeAll();
    return true;
}

void ReportRowStream::waitForFields()
{
    QMutexLocker lock(&m_mutex);
    while (!m_hasFields && !m_ended)
        m_changed.wait(&m_mutex);
    if (!m_hasFields && m_failure)
        std::rethrow_exception(m_failure);
}

const QStringList& ReportRowStream::fields()
{
    waitForFields();
    return m_fields;
}

const QList<ReportValueFormat>& ReportRowStream::formats()
{
    waitForFields();
    return m_formats;
}

const QStringList& ReportRowStream::companies()
{
    waitForFields();
    return m_companies;
}

bool ReportRowStream::next(QVector<QVector<QVariant>>& batch)
{
    QMutexLocker lock(&m_mutex);
    while (m_batches.empty() && !m_ended)
        m_changed.wait(&m_mutex);
    if (!m_batches.empty()) {
        batch = std::move(m_batches.front());
        m_batches.pop_front();
        m_changed.wakeAll();
        return true;
    }
    if (m_failure)
        std::rethrow_exception(m_failure);
    return false;
}
