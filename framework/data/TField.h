#pragma once

#include "base/CoreExport.h"
#include "base/Events.h"

#include <QObject>
#include <QVariant>

class TADOIBQuery;

// A column of a query's current row, with how it is labelled and shown.
class KLX_CORE_EXPORT TField : public QObject {
    Q_OBJECT
public:
    explicit TField(QObject* parent = nullptr) : QObject(parent) {}

    QString FieldName;
    QString DisplayLabel;
    int Size = 20;
    bool Required = false;
    bool Visible = true;
    QString EditMask;
    TFieldGetTextEvent OnGetText;

    // The query the field belongs to; set when the query takes the field.
    TADOIBQuery* DataSet() const { return m_dataSet; }
    void SetDataSet(TADOIBQuery* query) { m_dataSet = query; }

    // The label a grid shows: the display label, else the field name.
    QString Label() const { return DisplayLabel.isEmpty() ? FieldName : DisplayLabel; }
    bool IsNull() const;
    // The current row's value as text, without the blank padding of CHAR columns.
    QString AsString() const;
    // The current row's value as text exactly as the column stores it: at most Size
    // characters when the rest is blanks, padding within the size included.
    QString StoredString() const;
    // The text shown for the current row: from OnGetText when wired, else the value.
    QString DisplayText() const { return textFor(true); }
    // The text edited for the current row.
    QString Text() const { return textFor(false); }

private:
    QVariant value() const;
    QString textFor(bool displayText) const;

    TADOIBQuery* m_dataSet = nullptr;
};

// The string field class that form descriptions name.
class KLX_CORE_EXPORT TADOIBStringField : public TField {
    Q_OBJECT
public:
    using TField::TField;
};
