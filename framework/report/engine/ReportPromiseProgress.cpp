#include "report/engine/ReportPromiseProgress.h"

void ReportPromiseProgress::report(Stage stage, int done, int total)
{
    // A new stage starts its own range, from just below its first value: the future keeps a
    // value, and its text, only when the value grows.
    if (stage != m_stage) {
        m_stage = stage;
        m_promise.setProgressRange(-1, total);
    }
    m_promise.setProgressValueAndText(done, text(stage, done, total));
}
