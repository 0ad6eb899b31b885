#pragma once

#include <QString>
#include <functional>

class QWidget;

// Validation helpers shared by the screens, and the error display they report through.
namespace Consiste {

// Shows an error to the user: a modal box in the application, a recorder in tests.
using MessagePresenter = std::function<void(const QString& text)>;
void SetPresenter(MessagePresenter presenter);

// Shows the text through the installed presenter.
void ShowError(const QString& text);

// Shows the text as an error; with abort true it then raises EAbort, ending the handler.
void MensErro(const QString& text, bool abort);

// True when the text is empty or holds only blanks.
bool EmptyString(const QString& text);

// A non-empty number padded with leading zeros to the width; an empty text stays empty.
QString Ajusta(const QString& text, int width);

// Enables or disables every control inside the container.
void SetChildEnabled(QWidget* container, bool enabled);

} // namespace Consiste
