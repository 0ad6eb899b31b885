#pragma once

#include "base/CoreExport.h"

#include <QString>
#include <functional>

// Validation helpers shared by the screens, and the error display they report through.
namespace Consiste {

// Shows an error to the user: a modal box in the application, a recorder in tests.
using MessagePresenter = std::function<void(const QString& text)>;
KLX_CORE_EXPORT void SetPresenter(MessagePresenter presenter);

// Shows the text through the installed presenter.
KLX_CORE_EXPORT void ShowError(const QString& text);

// Shows the text as an error; with abort true it then raises EAbort, ending the handler.
KLX_CORE_EXPORT void MensErro(const QString& text, bool abort);

// True when the text is empty or holds only blanks.
KLX_CORE_EXPORT bool EmptyString(const QString& text);

// A non-empty number padded with leading zeros to the width; an empty text stays empty.
KLX_CORE_EXPORT QString Ajusta(const QString& text, int width);

} // namespace Consiste
