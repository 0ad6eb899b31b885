#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What the list picker is asked to show.
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

} // namespace Pesqlista
