#pragma once

#include "base/CoreExport.h"

#include <functional>

// A statement of the user-interface thread that waits for another process's lock: past half a
// second the presenter the host installs shows it (the busy cursor, "aguardando o banco de
// dados…" in the status bar) and offers to cancel; the wait ends when the lock is released,
// when it has lasted its limit, or when the user cancels. Other threads (a report's query)
// wait without showing anything: their own progress window shows them.
namespace DatabaseWait {

// What shows a wait: begin() once it has lasted half a second, poll() as it goes on (it turns
// the event loop, taking nothing but the presenter's own cancel), true when the user
// cancelled; end() when it is over.
struct Presenter {
    std::function<void()> begin;
    std::function<bool()> poll;
    std::function<void()> end;
};

// Installs the presenter; an empty one shows nothing.
KLX_CORE_EXPORT void setPresenter(const Presenter& presenter);

// How long a statement waits for a lock before it gives up, in milliseconds.
constexpr int limitMs = 5000;
// How long a wait lasts before it is shown.
constexpr int shownAfterMs = 500;

// One wait of a statement, the SQLite busy handler's: attempt is 0 at the wait's first call.
// False when the statement must give up: the limit is reached, or the user cancelled.
bool keepWaiting(int attempt);

// Whether the last wait of this thread ended because the user cancelled it.
bool lastWaitCancelled();

} // namespace DatabaseWait
