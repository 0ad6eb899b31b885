#include "data/TADOIBQuery.h"

#include "base/Exceptions.h"
#include "data/DatabaseFaults.h"
#include "data/ReadOnlyAccess.h"
#include "data/SqlLexer.h"
#include "data/SqlParameters.h"
#include "data/TField.h"
#include "data/dtmDBGeral.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <optional>

TADOIBQuery::TADOIBQuery(QObject* parent) : QObject(parent) {}

TADOIBQuery::~TADOIBQuery() = default;

QString TADOIBQuery::ActiveSqlText() const
{
    const SqlDialect dialect = dtmDBGeral ? dtmDBGeral->dialect() : SqlDialect::Oracle;
    const QStringList* text = &SQL;
    switch (dialect) {
    case SqlDialect::Oracle:
        text = &SQL_ORACLE;
        break;
    case SqlDialect::MsSql:
        text = &SQL_MSSQL;
        break;
    case SqlDialect::InterBase:
        text = &SQL_IB;
        break;
    }
    if (text->join(QString()).trimmed().isEmpty())
        text = &SQL;
    return text->join(QLatin1Char('\n'));
}

void TADOIBQuery::Open()
{
    Close();
    if (!dtmDBGeral || !dtmDBGeral->isOpen())
        throw EDatabaseError(QStringLiteral("Não há conexão com o banco de dados."));
    // A query described as read-only can never change data, whatever its text says.
    std::optional<ReadOnlyAccess> readOnly;
    if (Settings.value(QStringLiteral("ADOLockType")).toString() == QLatin1String("ltReadOnly"))
        readOnly.emplace(dtmDBGeral->database());
    // Without comments, Qt reads no placeholder that the statement does not have.
    const QString sql = SqlLexer::withoutComments(ActiveSqlText());
    QStringList names;
    try {
        names = SqlParameters::declaredIn(sql);
    } catch (const SqlParameters::EParameterError& e) {
        throw EDatabaseError(
            QStringLiteral("Erro na consulta '%1': %2").arg(objectName(), e.Message()));
    }
    const QSqlDatabase db = dtmDBGeral->database();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw EDatabaseError(QStringLiteral("Erro de banco de dados ao preparar '%1': %2")
                                 .arg(objectName(), DatabaseFaults::reason(query.lastError(), db)));
    for (const QString& name : std::as_const(names)) {
        const TParam* param = m_params.FindParam(name);
        query.bindValue(QLatin1Char(':') + name, param ? param->toSqlValue() : QVariant());
    }
    if (!query.exec())
        throw EDatabaseError(QStringLiteral("Erro de banco de dados ao abrir '%1': %2")
                                 .arg(objectName(), DatabaseFaults::reason(query.lastError(), db)));
    const QSqlRecord record = query.record();
    m_columns.clear();
    for (int i = 0; i < record.count(); ++i)
        m_columns << record.fieldName(i).toUpper();
    while (query.next()) {
        QVariantList row;
        row.reserve(record.count());
        for (int i = 0; i < record.count(); ++i)
            row << query.value(i);
        m_rows.push_back(std::move(row));
    }
    m_active = true;
    m_current = m_rows.empty() ? -1 : 0;
}

void TADOIBQuery::Close()
{
    m_rows.clear();
    m_columns.clear();
    m_current = -1;
    m_active = false;
}

void TADOIBQuery::AddField(TField* field)
{
    field->setParent(this);
    field->SetDataSet(this);
    m_fields << field;
}

TField* TADOIBQuery::FieldByName(const QString& name) const
{
    for (TField* field : m_fields)
        if (field->FieldName.compare(name, Qt::CaseInsensitive) == 0)
            return field;
    throw Exception(QStringLiteral("Campo '%1' não encontrado em '%2'.").arg(name, objectName()));
}

void TADOIBQuery::SetRecNo(int row)
{
    m_current = row >= 0 && row < RecordCount() ? row : -1;
}

QVariant TADOIBQuery::currentValue(const QString& column) const
{
    if (m_current < 0)
        return QVariant();
    const int index = m_columns.indexOf(column.toUpper());
    return index < 0 ? QVariant() : m_rows.at(static_cast<size_t>(m_current)).at(index);
}

TDataSource* TADOIBQuery::DataSource() const
{
    return parent() ? parent()->findChild<TDataSource*>(m_dataSourceName) : nullptr;
}
