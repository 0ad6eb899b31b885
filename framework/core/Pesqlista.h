#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class TDataSource;

// The list picker: shows a data source's rows for the user to mark several, and leaves
// the key values of the marked rows in a code list.
namespace Pesqlista {

// What a picker shows: the visible fields as columns, each row's key and display texts.
struct PickerTable {
    QStringList columns;
    QStringList fieldNames; // the field behind each column
    QStringList keys;       // each row's key exactly as stored (CHAR padding included)
    QList<QStringList> cells;
};

struct Request {
    QString title;     // the whole title text; the part after '|' explains an empty list
    QString keyField;  // the field whose values are the codes
    bool flag = false; // reserved by the callers; no effect on the list
    PickerTable table;
    QStringList marked; // the codes already in the list, marked when the picker opens
};

// Shows the request and returns the marked codes, or std::nullopt when cancelled.
using Implementation = std::function<std::optional<QStringList>(const Request&)>;

// Replaces the picker (scripted answers in tests and headless runs); an empty function
// restores the dialog.
void SetImplementation(Implementation implementation);

// Replaces the picker while it lives, then puts back the one it replaced (a scripted answer
// inside a run that has its own).
class ScopedImplementation {
public:
    explicit ScopedImplementation(Implementation replacement);
    ~ScopedImplementation();
    ScopedImplementation(const ScopedImplementation&) = delete;
    ScopedImplementation& operator=(const ScopedImplementation&) = delete;

private:
    Implementation m_previous;
};

// Reads the data source's rows into a table, asking each visible field for its display text.
PickerTable tableOf(TDataSource* source, const QString& keyField);

// Opens the picker over the data source. On confirmation the list becomes the code list of
// the marked rows and the result is true; on cancel the list is left as it was. Marked codes
// that no separator can keep apart raise Exception and leave the list as it was.
bool PesquisaLista(TDataSource* source, const QString& keyField, const QString& title, bool flag,
                   QString& list);

} // namespace Pesqlista
