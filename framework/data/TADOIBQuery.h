#pragma once

#include "base/CoreExport.h"
#include "data/TParams.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <vector>

#include "data/TDataSource.h"
class TField;

// A read-only query that holds one SQL text per dialect and runs the one of the connected
// database (dtmDBGeral), falling back to the general text. Opening fetches every row; the
// fields read the current row.
class KLX_CORE_EXPORT TADOIBQuery : public QObject {
    Q_OBJECT
public:
    explicit TADOIBQuery(QObject* parent = nullptr);
    ~TADOIBQuery() override;

    QStringList SQL;
    QStringList SQL_ORACLE;
    QStringList SQL_MSSQL;
    QStringList SQL_IB;
    // Access settings as the form describes them. A read-only lock type ("ltReadOnly")
    // makes Open refuse any change to data; the others have no effect on this stack.
    QVariantMap Settings;

    // Parameters declared for the query (names and types), assigned before Open.
    TParams& Params() { return m_params; }
    TParam* ParamByName(const QString& name) const { return m_params.ParamByName(name); }

    // The text that runs on the connected database's dialect.
    QString ActiveSqlText() const;
    // Runs the query; raises EDatabaseError with the database's reason on failure.
    void Open();
    void Close();
    bool Active() const { return m_active; }

    // The fields, in their order; the query owns them.
    const QList<TField*>& Fields() const { return m_fields; }
    void AddField(TField* field);
    TField* FieldByName(const QString& name) const;

    int RecordCount() const { return static_cast<int>(m_rows.size()); }
    // The current row, from 0; -1 when there is none.
    int RecNo() const { return m_current; }
    void SetRecNo(int row);
    // The value of a column in the current row; a null when there is no current row.
    QVariant currentValue(const QString& column) const;

    // The data source this query names (on its form, by name).
    TDataSource* DataSource() const;
    void SetDataSourceName(const QString& name) { m_dataSourceName = name; }

private:
    TParams m_params;
    QList<TField*> m_fields;
    QStringList m_columns;
    std::vector<QVariantList> m_rows;
    int m_current = -1;
    bool m_active = false;
    QString m_dataSourceName;
};
