#include "controls/KeyEvents.h"

#include "base/Dispatcher.h"

#include <QKeyEvent>

bool KeyEvents::raiseKeyDown(TObject* sender, const TKeyEvent& handler, QKeyEvent* event)
{
    if (!handler)
        return false;
    quint16 key = VirtualKey::fromQtKey(event->key());
    if (key == 0)
        return false;
    TShiftState shift = 0;
    if (event->modifiers() & Qt::ShiftModifier)
        shift |= ssShift;
    if (event->modifiers() & Qt::AltModifier)
        shift |= ssAlt;
    if (event->modifiers() & Qt::ControlModifier)
        shift |= ssCtrl;
    Dispatcher::run([&] { handler(sender, key, shift); });
    return key == 0;
}
