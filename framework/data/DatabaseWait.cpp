#include "data/DatabaseWait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

namespace {

DatabaseWait::Presenter& presenter()
{
    static DatabaseWait::Presenter installed;
    return installed;
}

// The wait under way in this thread.
struct Wait {
    QElapsedTimer clock;
    // Since the handler was last called: the statement got its lock when it stays silent.
    QElapsedTimer lastCall;
    bool shown = false;
    bool cancelled = false;
};

thread_local Wait current;

bool inInterfaceThread()
{
    return QCoreApplication::instance() &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

void endShown()
{
    if (current.shown && presenter().end)
        presenter().end();
    current.shown = false;
}

// A shown wait whose statement got its lock: the handler is called no more, and the event
// loop, back from the statement, ends the wait's display.
void endWhenSilent()
{
    constexpr int silentMs = 60;
    QTimer::singleShot(silentMs, QCoreApplication::instance(), [] {
        if (!current.shown)
            return;
        if (current.lastCall.elapsed() >= silentMs)
            endShown();
        else
            endWhenSilent();
    });
}

} // namespace

void DatabaseWait::setPresenter(const Presenter& installed)
{
    presenter() = installed;
}

bool DatabaseWait::keepWaiting(int attempt)
{
    if (attempt == 0) {
        endShown();
        current = Wait();
        current.clock.start();
    }
    current.lastCall.start();
    const bool showable = inInterfaceThread() && presenter().begin && presenter().poll;
    if (showable && !current.shown && current.clock.elapsed() >= shownAfterMs) {
        current.shown = true;
        presenter().begin();
        endWhenSilent();
    }
    if (current.shown && presenter().poll()) {
        current.cancelled = true;
        endShown();
        return false;
    }
    if (current.clock.elapsed() >= limitMs) {
        endShown();
        return false;
    }
    QThread::msleep(current.shown ? 20 : 10);
    return true;
}

bool DatabaseWait::lastWaitCancelled()
{
    return current.cancelled;
}
