#pragma once

#include "base/CoreExport.h"
#include "base/DateTime.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

// One named query parameter. It remembers the kind of the value last assigned,
// and whether anything was assigned at all.
class KLX_CORE_EXPORT TParam {
public:
    enum class Kind { Unassigned, String, Integer, DateTime };

    explicit TParam(const QString& name) : m_name(name) {}

    const QString& Name() const { return m_name; }
    Kind kind() const { return m_kind; }
    bool isAssigned() const { return m_kind != Kind::Unassigned; }
    // "unassigned", "string", "integer" or "datetime".
    static QString kindName(Kind kind);

    void SetAsString(const QString& value);
    void SetAsInteger(int value);
    void SetAsDateTime(TDateTime value);

    QString AsString() const;
    int AsInteger() const;
    TDateTime AsDateTime() const;

    // The value as the database receives it: a null for an unassigned parameter.
    QVariant toSqlValue() const;

private:
    QString m_name;
    Kind m_kind = Kind::Unassigned;
    QVariant m_value;
};

// A query's parameter collection, in the order the query declares them.
class KLX_CORE_EXPORT TParams {
public:
    TParams() = default;
    explicit TParams(const QStringList& names);

    TParam* CreateParam(const QString& name);
    // The parameter of that name (case-insensitive); raises an error when there is none.
    TParam* ParamByName(const QString& name) const;
    // The parameter of that name, or nullptr.
    TParam* FindParam(const QString& name) const;

    int Count() const { return static_cast<int>(m_params.size()); }
    TParam* Items(int index) const { return m_params.at(static_cast<size_t>(index)).get(); }
    QStringList names() const;

private:
    std::vector<std::unique_ptr<TParam>> m_params;
};
