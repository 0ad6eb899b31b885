#pragma once

#include "controls/WidgetsExport.h"

class QWidget;

// The validation helpers of Consiste that act on controls.
namespace Consiste {

// Enables or disables every control inside the container.
KLX_WIDGETS_EXPORT void SetChildEnabled(QWidget* container, bool enabled);

} // namespace Consiste
