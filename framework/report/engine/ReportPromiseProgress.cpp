#include "report/engine/ReportPromiseProgress.h"

void ReportPromiseProgress::report(Stage stage, int done, int total)
{
    // A new stage starts its own range; the future keeps a value only while it grows.
    if (stage != m_stage) {
        m_stage = stage;
        m_promise.setProgressRange(0, total);
    }
    m_promise.setProgressValueAndText(done, text(stage, done, total));
}
