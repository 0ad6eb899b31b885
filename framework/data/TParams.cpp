#include "data/TParams.h"

#include "base/Exceptions.h"

QString TParam::kindName(Kind kind)
{
    switch (kind) {
    case Kind::String:
        return QStringLiteral("string");
    case Kind::Integer:
        return QStringLiteral("integer");
    case Kind::DateTime:
        return QStringLiteral("datetime");
    case Kind::Unassigned:
        break;
    }
    return QStringLiteral("unassigned");
}

void TParam::SetAsString(const QString& value)
{
    m_kind = Kind::String;
    m_value = value;
}

void TParam::SetAsInteger(int value)
{
    m_kind = Kind::Integer;
    m_value = value;
}

void TParam::SetAsDateTime(TDateTime value)
{
    m_kind = Kind::DateTime;
    m_value = value;
}

QString TParam::AsString() const
{
    if (m_kind == Kind::DateTime) {
        const QDate date = DateTime::toDate(m_value.toDouble());
        return date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : QString();
    }
    return m_value.toString();
}

int TParam::AsInteger() const
{
    return m_value.toInt();
}

TDateTime TParam::AsDateTime() const
{
    return m_kind == Kind::DateTime ? m_value.toDouble() : 0.0;
}

QVariant TParam::toSqlValue() const
{
    switch (m_kind) {
    case Kind::Unassigned:
        return QVariant();
    case Kind::DateTime: {
        // Date-time 0 reaches the SQL as the empty string: "no date".
        const QDate date = DateTime::toDate(m_value.toDouble());
        return date.isValid() ? QVariant(date.toString(Qt::ISODate)) : QVariant(QStringLiteral(""));
    }
    case Kind::String:
        // An empty string is a value, not a null: the drivers send a null QString as NULL.
        return m_value.toString().isNull() ? QVariant(QStringLiteral("")) : m_value;
    default:
        return m_value;
    }
}

TParams::TParams(const QStringList& names)
{
    for (const QString& name : names)
        CreateParam(name);
}

TParam* TParams::CreateParam(const QString& name)
{
    if (TParam* existing = FindParam(name))
        return existing;
    m_params.push_back(std::make_unique<TParam>(name));
    return m_params.back().get();
}

TParam* TParams::FindParam(const QString& name) const
{
    for (const auto& param : m_params)
        if (param->Name().compare(name, Qt::CaseInsensitive) == 0)
            return param.get();
    return nullptr;
}

TParam* TParams::ParamByName(const QString& name) const
{
    if (TParam* param = FindParam(name))
        return param;
    throw Exception(QStringLiteral("Parâmetro '%1' não encontrado.").arg(name));
}

QStringList TParams::names() const
{
    QStringList result;
    for (const auto& param : m_params)
        result << param->Name();
    return result;
}
