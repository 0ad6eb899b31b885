#include "data/TField.h"

#include "data/CharColumn.h"
#include "data/TADOIBQuery.h"

QVariant TField::value() const
{
    return m_dataSet ? m_dataSet->currentValue(FieldName) : QVariant();
}

bool TField::IsNull() const
{
    return value().isNull();
}

QString TField::StoredString() const
{
    return charColumnValue(value().toString(), Size);
}

QString TField::AsString() const
{
    QString text = StoredString();
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString TField::textFor(bool displayText) const
{
    if (!OnGetText)
        return AsString();
    QString text;
    OnGetText(const_cast<TField*>(this), text, displayText);
    return text;
}
