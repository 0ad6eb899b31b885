#include "data/QueryWatch.h"

namespace {

constexpr auto checkEvery = std::chrono::milliseconds(100);
// How long an interrupted engine may take to give up before its connection is aborted.
constexpr auto abortAfter = std::chrono::seconds(3);
// How long a query may hand over no row before its server is asked whether it answers.
constexpr auto askAfter = std::chrono::seconds(10);

} // namespace

QueryWatch::QueryWatch(std::function<bool()> cancelled, std::chrono::seconds timeLimit,
                       Engine engine)
    : m_cancelled(std::move(cancelled)), m_timeLimit(timeLimit),
      m_deadline(timeLimit.count() > 0 ? Clock::now() + timeLimit : Clock::time_point::max()),
      m_engine(std::move(engine)), m_heardAt(Clock::now().time_since_epoch().count()),
      m_thread([this] { watch(); })
{
}

QueryWatch::~QueryWatch()
{
    {
        const std::lock_guard lock(m_mutex);
        m_done = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

bool QueryWatch::mustStop()
{
    if (m_cancelled())
        return true;
    if (Clock::now() < m_deadline)
        return false;
    m_timedOut = true;
    return true;
}

void QueryWatch::heard()
{
    m_heardAt = Clock::now().time_since_epoch().count();
}

void QueryWatch::watch()
{
    std::unique_lock lock(m_mutex);
    Clock::time_point interruptedAt{};
    bool aborted = false;
    while (!m_wake.wait_for(lock, checkEvery, [this] { return m_done; })) {
        const Clock::time_point now = Clock::now();
        if (interruptedAt == Clock::time_point{}) {
            if (mustStop()) {
                interruptedAt = now;
                m_engine.interrupt();
            } else if (m_engine.answers && m_engine.abort &&
                       now - Clock::time_point(Clock::duration(m_heardAt.load())) >= askAfter) {
                // The question takes up to the connection timeout: the run may end meanwhile.
                lock.unlock();
                const bool answers = m_engine.answers();
                lock.lock();
                heard();
                if (!answers && !m_done) {
                    m_serverSilent = true;
                    interruptedAt = now;
                    aborted = true;
                    m_engine.abort();
                }
            }
        } else if (!aborted && m_engine.abort && now - interruptedAt >= abortAfter) {
            aborted = true;
            m_engine.abort();
        }
    }
}
