#pragma once

#include "base/Events.h"

class QKeyEvent;

namespace KeyEvents {
// Raises a key-down handler for a Qt key press, with the virtual-key code and shift state.
// True when the handler consumed the key (set it to 0).
bool raiseKeyDown(TObject* sender, const TKeyEvent& handler, QKeyEvent* event);
} // namespace KeyEvents
