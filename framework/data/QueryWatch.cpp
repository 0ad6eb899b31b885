#include "data/QueryWatch.h"

namespace {

constexpr auto checkEvery = std::chrono::milliseconds(100);
// How long an interrupted engine may take to give up before its connection is aborted.
constexpr auto abortAfter = std::chrono::seconds(3);

} // namespace

QueryWatch::QueryWatch(std::function<bool()> cancelled, std::chrono::seconds timeLimit,
                       Engine engine)
    : m_cancelled(std::move(cancelled)),
      m_timeLimit(timeLimit),
      m_deadline(timeLimit.count() > 0 ? Clock::now() + timeLimit : Clock::time_point::max()),
      m_engine(std::move(engine)),
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

void QueryWatch::watch()
{
    std::unique_lock lock(m_mutex);
    Clock::time_point interruptedAt{};
    bool aborted = false;
    while (!m_wake.wait_for(lock, checkEvery, [this] { return m_done; })) {
        if (interruptedAt == Clock::time_point{}) {
            if (mustStop()) {
                interruptedAt = Clock::now();
                m_engine.interrupt();
            }
        } else if (!aborted && m_engine.abort && Clock::now() - interruptedAt >= abortAfter) {
            aborted = true;
            m_engine.abort();
        }
    }
}
