#pragma once

#include "base/CoreExport.h"

#include <functional>

// Runs the handler of an event that Qt delivers. It catches everything: the abort ends the
// handler silently, any other exception is shown once as an error, so no exception ever
// crosses Qt's code. Handlers that code raises directly (a radio button checked by a
// handler, say) are plain calls, so their abort travels up through the calling handler.
namespace Dispatcher {

KLX_CORE_EXPORT void run(const std::function<void()>& handler);

// True while an event handler is running.
KLX_CORE_EXPORT bool handlerRunning();

} // namespace Dispatcher
