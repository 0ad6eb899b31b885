#pragma once

#include "report/engine/ReportProgress.h"

#include <QPromise>

// A run's progress told through the promise of its future: the stage's line is the future's
// progress text, rows read or pages done its value, the pages to do its range's maximum (the
// range begins at -1, below the first value), and a cancel of the future stops the run at its
// next check.
class ReportPromiseProgress : public ReportProgress {
public:
    explicit ReportPromiseProgress(QPromise<void>& promise) : m_promise(promise) {}

    bool isCancelled() const override { return m_promise.isCanceled(); }
    void report(Stage stage, int done, int total = 0) override;

private:
    QPromise<void>& m_promise;
    // The stage told last. Stages follow one another: the query's thread tells Query until
    // the rows are all read, then the run's own thread tells the others.
    Stage m_stage = Stage::Query;
};
