#pragma once

#include "base/CoreExport.h"

#include <QObject>
#include <QPointer>

class TADOIBQuery;

// Connects a query's records to the controls and dialogs that show them.
class KLX_CORE_EXPORT TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject* parent = nullptr) : QObject(parent) {}

    // The query it shows: the one set, else the one its description names on its form.
    TADOIBQuery* DataSet() const;
    void SetDataSet(TADOIBQuery* query) { m_dataSet = query; }
    void SetDataSetName(const QString& name) { m_dataSetName = name; }

private:
    QPointer<TADOIBQuery> m_dataSet;
    QString m_dataSetName;
};
