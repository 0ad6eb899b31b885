#include "scenario/ModuleVariables.h"

#include "base/Exceptions.h"

#include <QList>
#include <algorithm>

namespace {

enum class Type { Bool, Int, Text };

struct Variable {
    QString name;
    Type type;
};

const QList<Variable>& variables()
{
    static const QList<Variable> list{
        {QStringLiteral("boStCriado"), Type::Bool},     {QStringLiteral("boPrimVez"), Type::Bool},
        {QStringLiteral("inNumMarcado"), Type::Int},    {QStringLiteral("stStatusChq"), Type::Text},
        {QStringLiteral("stListaEmpresa"), Type::Text}, {QStringLiteral("stListaTEmp"), Type::Text},
        {QStringLiteral("stListaConta"), Type::Text}};
    return list;
}

const Variable* find(const QString& name)
{
    const auto found = std::find_if(variables().cbegin(), variables().cend(),
                                    [&name](const Variable& v) { return v.name == name; });
    return found == variables().cend() ? nullptr : &*found;
}

} // namespace

const QStringList& ModuleVariables::names()
{
    static const QStringList list = [] {
        QStringList result;
        for (const Variable& v : variables())
            result << v.name;
        return result;
    }();
    return list;
}

bool ModuleVariables::isKnown(const QString& name)
{
    return find(name) != nullptr;
}

bool ModuleVariables::isText(const QString& name)
{
    const Variable* variable = find(name);
    return variable && variable->type == Type::Text;
}

QString ModuleVariables::read(const QString& name, const void* address)
{
    const Variable* variable = find(name);
    if (!variable)
        throw Exception(QStringLiteral("variável desconhecida '%1'").arg(name));
    switch (variable->type) {
    case Type::Bool:
        return *static_cast<const bool*>(address) ? QStringLiteral("true")
                                                  : QStringLiteral("false");
    case Type::Int:
        return QString::number(*static_cast<const int*>(address));
    case Type::Text:
        break;
    }
    return *static_cast<const QString*>(address);
}
