#include "form/DataComponentDescriptions.h"

#include "data/TADOIBQuery.h"
#include "data/TDataSource.h"
#include "data/TField.h"
#include "form/JsonValues.h"

#include <QJsonArray>
#include <QJsonObject>

namespace {

// Access settings kept with the query (ADOLockType "ltReadOnly" makes it read-only; the
// parameters always come from the SQL text).
const QStringList querySettings{QStringLiteral("ADOConnection"),  QStringLiteral("DataBase"),
                                QStringLiteral("Transaction"),    QStringLiteral("ADOLockType"),
                                QStringLiteral("CursorLocation"), QStringLiteral("CursorType"),
                                QStringLiteral("CacheSize"),      QStringLiteral("ADOMaxRecords"),
                                QStringLiteral("Prepared"),       QStringLiteral("CachedUpdates"),
                                QStringLiteral("Filtered"),       QStringLiteral("EnableBCD"),
                                QStringLiteral("MarshalOptions"), QStringLiteral("ExecuteOptions"),
                                QStringLiteral("ParamCheck"),     QStringLiteral("AutoCalcFields"),
                                QStringLiteral("ObjectView"),     QStringLiteral("Active")};

bool applyQueryProperty(TADOIBQuery* query, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("SQL"))
        query->SQL = jsonStringList(value);
    else if (property == QLatin1String("SQL_ORACLE"))
        query->SQL_ORACLE = jsonStringList(value);
    else if (property == QLatin1String("SQL_MSSQL"))
        query->SQL_MSSQL = jsonStringList(value);
    else if (property == QLatin1String("SQL_IB"))
        query->SQL_IB = jsonStringList(value);
    else if (property == QLatin1String("DataSource"))
        query->SetDataSourceName(value.toString());
    else if (property == QLatin1String("Params")) {
        const QJsonArray params = value.toArray();
        for (const QJsonValue& param : params)
            query->Params().CreateParam(param.toObject().value(QLatin1String("Name")).toString());
    } else if (querySettings.contains(property))
        query->Settings.insert(property, value.toVariant());
    else
        return false;
    return true;
}

bool applyFieldProperty(TField* field, const QString& property, const QJsonValue& value)
{
    if (property == QLatin1String("FieldName"))
        field->FieldName = value.toString();
    else if (property == QLatin1String("DisplayLabel"))
        field->DisplayLabel = value.toString();
    else if (property == QLatin1String("Size"))
        field->Size = value.toInt();
    else if (property == QLatin1String("Required"))
        field->Required = value.toBool();
    else if (property == QLatin1String("Visible"))
        field->Visible = value.toBool();
    else if (property == QLatin1String("EditMask"))
        field->EditMask = value.toString();
    else
        return false;
    return true;
}

} // namespace

void DataComponentDescriptions::addTo(QHash<QString, ComponentRegistry::Factory>& factories,
                                      QList<ComponentRegistry::PropertyApplier>& properties,
                                      QList<ComponentRegistry::EventApplier>& events)
{
    factories.insert(QStringLiteral("TADOIBQuery"),
                     [](QObject* parent) -> QObject* { return new TADOIBQuery(parent); });
    factories.insert(QStringLiteral("TDataSource"),
                     [](QObject* parent) -> QObject* { return new TDataSource(parent); });
    factories.insert(QStringLiteral("TADOIBStringField"), [](QObject* parent) -> QObject* {
        auto* query = qobject_cast<TADOIBQuery*>(parent);
        if (!query)
            return nullptr;
        auto* field = new TADOIBStringField;
        query->AddField(field);
        return field;
    });
    properties.append([](QObject* component, const QString& property, const QJsonValue& value) {
        if (auto* query = qobject_cast<TADOIBQuery*>(component))
            return applyQueryProperty(query, property, value);
        if (auto* field = qobject_cast<TField*>(component))
            return applyFieldProperty(field, property, value);
        if (auto* source = qobject_cast<TDataSource*>(component);
            source && property == QLatin1String("DataSet")) {
            source->SetDataSetName(value.toString());
            return true;
        }
        return false;
    });
    events.append([](QObject* component, const QString& event, const QString& handler,
                     const HandlerTable& handlers, const ComponentRegistry::Failure& fail) {
        auto* field = qobject_cast<TField*>(component);
        if (!field || event != QLatin1String("OnGetText"))
            return false;
        field->OnGetText = findHandler(handlers.fieldText, handler, fail);
        return true;
    });
}
