#include "form/ScreenDescription.h"

#include "base/Exceptions.h"
#include "base/ModuleLoader.h"

#include <QFileInfo>
#include <algorithm>

namespace {

QString text(const char* value)
{
    return value ? QString::fromUtf8(value) : QString();
}

} // namespace

ScreenDescription ScreenDescription::read(ModuleLoader& module)
{
    const auto describe = reinterpret_cast<DescribeScreenFunction>(module.symbol("DescribeScreen"));
    const ScreenTable* table = describe();
    if (!table)
        throw Exception(QStringLiteral("O módulo '%1' não descreve a tela.").arg(module.path()));
    return fromTable(*table, module.path());
}

ScreenDescription ScreenDescription::fromTable(const ScreenTable& table, const QString& module)
{
    if (table.version != screenTableVersion)
        throw Exception(QStringLiteral("O módulo '%1' descreve a tela na versão %2; este programa "
                                       "lê a versão %3.")
                            .arg(module)
                            .arg(table.version)
                            .arg(screenTableVersion));
    ScreenDescription description;
    description.m_module = QFileInfo(module).completeBaseName();
    description.m_formName = text(table.formName);
    for (std::size_t i = 0; i < table.controlCount; ++i)
        description.m_controls.append({text(table.controls[i].role), text(table.controls[i].name)});
    for (std::size_t i = 0; i < table.variableCount; ++i) {
        const ScreenTableVariable& variable = table.variables[i];
        if (variable.type < ScreenVariableBool || variable.type > ScreenVariableAccountCodes)
            throw Exception(QStringLiteral("O módulo '%1' dá à variável '%2' um tipo desconhecido "
                                           "(%3).")
                                .arg(module, text(variable.name))
                                .arg(variable.type));
        description.m_variables.append({text(variable.name),
                                        static_cast<ScreenVariableType>(variable.type),
                                        text(variable.role)});
    }
    for (std::size_t i = 0; i < table.parameterCount; ++i)
        description.m_parameters << text(table.parameters[i]);
    description.m_screenCode = text(table.screenCode);
    description.m_title = text(table.title);
    for (std::size_t i = 0; i < table.criterionCount; ++i)
        description.m_criteria.append({text(table.criteria[i].name), text(table.criteria[i].value),
                                       text(table.criteria[i].help)});
    return description;
}

QString ScreenDescription::control(const char* role) const
{
    const QString wanted = QLatin1String(role);
    const auto found =
        std::find_if(m_controls.cbegin(), m_controls.cend(),
                     [&wanted](const std::pair<QString, QString>& c) { return c.first == wanted; });
    if (found == m_controls.cend() || found->second.isEmpty())
        throw Exception(QStringLiteral("O módulo %1 não nomeia o controle de papel '%2' que o "
                                       "programa usa.")
                            .arg(m_module, wanted));
    return found->second;
}

const ScreenDescription::Variable* ScreenDescription::variable(const QString& name) const
{
    const auto found = std::find_if(m_variables.cbegin(), m_variables.cend(),
                                    [&name](const Variable& v) { return v.name == name; });
    return found == m_variables.cend() ? nullptr : &*found;
}

QString ScreenDescription::variableIn(const char* role) const
{
    const QString wanted = QLatin1String(role);
    const auto found = std::find_if(m_variables.cbegin(), m_variables.cend(),
                                    [&wanted](const Variable& v) { return v.role == wanted; });
    if (found == m_variables.cend())
        throw Exception(QStringLiteral("O módulo %1 não nomeia a variável de papel '%2' que o "
                                       "programa usa.")
                            .arg(m_module, wanted));
    return found->name;
}

void ScreenDescription::requireControls(std::initializer_list<const char*> roles) const
{
    for (const char* role : roles)
        control(role);
}

QStringList ScreenDescription::variableNames() const
{
    QStringList names;
    for (const Variable& variable : m_variables)
        names << variable.name;
    return names;
}

QString ScreenDescription::valueText(const Variable& variable, const void* address)
{
    switch (variable.type) {
    case ScreenVariableBool:
        return *static_cast<const bool*>(address) ? QStringLiteral("true")
                                                  : QStringLiteral("false");
    case ScreenVariableInt:
        return QString::number(*static_cast<const int*>(address));
    case ScreenVariableText:
    case ScreenVariableCompanyCodes:
    case ScreenVariableAccountCodes:
        break;
    }
    return *static_cast<const QString*>(address);
}
