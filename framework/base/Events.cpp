#include "base/Events.h"

#include <Qt>

quint16 VirtualKey::fromQtKey(int qtKey)
{
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return static_cast<quint16>(F1 + (qtKey - Qt::Key_F1));
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<quint16>(qtKey);
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return Enter;
    case Qt::Key_Escape:
        return Escape;
    case Qt::Key_Space:
        return Space;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Delete:
        return 46;
    default:
        return 0;
    }
}
