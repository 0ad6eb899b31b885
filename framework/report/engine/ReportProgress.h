#pragma once

#include <QString>
#include <atomic>

// What a report run has done so far, shared between the worker that runs it and the
// window that shows it; the window may ask the run to stop.
class ReportProgress {
public:
    // Raised in the worker when the run was asked to stop.
    struct Cancelled {};

    // Query: the rows are read and laid out as they come.
    enum class Stage { Query, Writing, Done };

    // Asks the run to stop at its next check.
    void cancel() { m_cancelled = true; }
    bool isCancelled() const { return m_cancelled; }
    // Raises Cancelled when the run was asked to stop.
    void checkCancel() const
    {
        if (m_cancelled)
            throw Cancelled();
    }

    void setStage(Stage stage, int total = 0)
    {
        m_done = 0;
        m_total = total;
        m_stage = stage;
    }
    void setDone(int done) { m_done = done; }
    Stage stage() const { return m_stage; }
    int done() const { return m_done; }
    int total() const { return m_total; }

    // A line for the progress window, in Portuguese.
    QString text() const;

private:
    std::atomic_bool m_cancelled{false};
    std::atomic<Stage> m_stage{Stage::Query};
    std::atomic_int m_done{0};
    std::atomic_int m_total{0};
};
