#pragma once

#include "report/engine/ReportProgress.h"

#include <QPromise>

// A run's progress told through the promise of its future: the stage's line is the future's
// progress text, rows read or pages done its value, the pages to do its range's maximum (the
// range begins at -1, below the first value), and a cancel of the future stops the run at its
// next check.
template <typename Result> class ReportPromiseProgress : public ReportProgress {
public:
    explicit ReportPromiseProgress(QPromise<Result>& promise) : m_promise(promise) {}

    bool isCancelled() const override { return m_promise.isCanceled(); }
    void report(Stage stage, int done, int total = 0) override
    {
        // A new stage starts its own range, from just below its first value: the future keeps
        // a value, and its text, only when the value grows.
        if (stage != m_stage) {
            m_stage = stage;
            m_promise.setProgressRange(-1, total);
        }
        m_promise.setProgressValueAndText(done, text(stage, done, total));
    }

private:
    QPromise<Result>& m_promise;
    // The stage told last. Stages follow one another: the query's thread tells Query until
    // the rows are all read, then the run's own thread tells the others.
    Stage m_stage = Stage::Query;
};
