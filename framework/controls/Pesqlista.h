#pragma once

#include "controls/PickerRequest.h"
#include "controls/WidgetsExport.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TDataSource;

// The list picker: shows a data source's rows for the user to mark several, and leaves
// the key values of the marked rows in a code list.
namespace Pesqlista {

// Shows the request and returns the marked codes, or std::nullopt when cancelled.
using Implementation = std::function<std::optional<QStringList>(const Request&)>;

// Replaces the picker (scripted answers in tests and headless runs); an empty function
// restores the dialog.
KLX_WIDGETS_EXPORT void SetImplementation(Implementation implementation);

// Replaces the picker while it lives, then puts back the one it replaced (a scripted answer
// inside a run that has its own).
class KLX_WIDGETS_EXPORT ScopedImplementation {
public:
    explicit ScopedImplementation(Implementation replacement);
    ~ScopedImplementation();
    ScopedImplementation(const ScopedImplementation&) = delete;
    ScopedImplementation& operator=(const ScopedImplementation&) = delete;

private:
    Implementation m_previous;
};

// The answer to a picker for codes asked by value: the keys of the offered rows whose code is
// asked, in the list's order, and the asked codes no row offers. Codes compare without the
// blank padding a CHAR key carries ("1" asks for the row "1 ").
struct Marking {
    QStringList marked;
    QStringList missing;
};
KLX_WIDGETS_EXPORT Marking mark(const Request& request, const QStringList& codes);

// Reads the data source's rows into a table, asking each visible field for its display text.
PickerTable tableOf(TDataSource* source, const QString& keyField);

// Opens the picker over the data source. On confirmation the list becomes the code list of
// the marked rows and the result is true; on cancel the list is left as it was. Marked codes
// that no separator can keep apart raise Exception and leave the list as it was.
KLX_WIDGETS_EXPORT bool PesquisaLista(TDataSource* source, const QString& keyField,
                                      const QString& title, bool flag, QString& list);

} // namespace Pesqlista
