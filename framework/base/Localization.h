#pragma once

#include "base/CoreExport.h"

// The application speaks Brazilian Portuguese: Qt's own texts (dialog buttons, the file
// dialog, the calendar) from Qt's translations, and dates and numbers in every widget in
// the pt_BR locale.
namespace Localization {

// Sets the default locale and loads Qt's translations into the running application.
// False when the translations are not installed; the locale is set all the same.
KLX_CORE_EXPORT bool install();

} // namespace Localization
