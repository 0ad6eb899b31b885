#pragma once

#include "base/CoreExport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

// Watches a running query from a thread of its own, so that no wait of the engine outlasts
// a cancel or the time allowed: when the run is cancelled (Cancel, SIGINT, SIGTERM) or its
// time is up, it interrupts the engine once (sqlite3_interrupt, fb_cancel_operation), and
// when the engine has not given up a few seconds later (a server that stopped answering), it
// aborts the connection. On a server, a query that hands over no row for a while has the
// server asked whether it still answers; one that does not is aborted too, and named. It
// checks ten times a second.
class KLX_CORE_EXPORT QueryWatch {
public:
    struct Engine {
        std::function<void()> interrupt;
        std::function<void()> abort;   // may be empty
        std::function<bool()> answers; // whether the server still answers; may be empty
    };
    using Clock = std::chrono::steady_clock;

    // timeLimit zero or less: no limit.
    QueryWatch(std::function<bool()> cancelled, std::chrono::seconds timeLimit, Engine engine);
    ~QueryWatch();
    QueryWatch(const QueryWatch&) = delete;
    QueryWatch& operator=(const QueryWatch&) = delete;

    // Whether the query must stop now: cancelled or out of time (an engine's own progress
    // check asks this too).
    bool mustStop();
    // The query handed over rows: it is alive.
    void heard();
    // Whether the time allowed ran out (the reason the engine's call failed).
    bool timedOut() const { return m_timedOut.load(); }
    // Whether the server stopped answering (the reason the engine's call failed).
    bool serverSilent() const { return m_serverSilent.load(); }
    std::chrono::seconds timeLimit() const { return m_timeLimit; }

private:
    void watch();

    std::function<bool()> m_cancelled;
    std::chrono::seconds m_timeLimit;
    Clock::time_point m_deadline;
    Engine m_engine;
    std::atomic_bool m_timedOut{false};
    std::atomic_bool m_serverSilent{false};
    std::atomic<Clock::rep> m_heardAt;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
    std::thread m_thread;
};
