#pragma once

#include "controls/WidgetsExport.h"
#include "form/ScreenTable.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>

class ModuleLoader;

// A screen module's table as the host keeps it: copied, checked, looked up by role.
class KLX_WIDGETS_EXPORT ScreenDescription {
public:
    struct Variable {
        QString name;
        ScreenVariableType type;
        QString role;

        bool holdsText() const { return type >= ScreenVariableText; }
    };
    // A criterion the screen takes by name, with its help.
    struct Criterion {
        QString name;
        QString value;
        QString help;
    };

    // The table of the loaded module; raises an Exception when the module exports none or
    // one of another layout.
    static ScreenDescription read(ModuleLoader& module);
    // A copy of the table; raises an Exception naming the module when its layout differs.
    static ScreenDescription fromTable(const ScreenTable& table, const QString& module);

    const QString& formName() const { return m_formName; }
    // Role and control name, in the module's order.
    const QList<std::pair<QString, QString>>& controls() const { return m_controls; }
    const QList<Variable>& variables() const { return m_variables; }
    const QStringList& parameters() const { return m_parameters; }
    const QString& screenCode() const { return m_screenCode; }
    const QString& title() const { return m_title; }
    const QList<Criterion>& criteria() const { return m_criteria; }

    // The name of the control in that role; raises an Exception naming the role when the
    // module names none.
    QString control(const char* role) const;
    // The variable of that name; nullptr when the module has none.
    const Variable* variable(const QString& name) const;
    // The name of the variable in that role; raises an Exception naming the role when the
    // module names none.
    QString variableIn(const char* role) const;
    // Raises, naming the first of these control roles the module leaves out.
    void requireControls(std::initializer_list<const char*> roles) const;
    QStringList variableNames() const;

    // A variable's value at its address as text: true/false, a number, or the text.
    static QString valueText(const Variable& variable, const void* address);

private:
    QString m_module;
    QString m_formName;
    QList<std::pair<QString, QString>> m_controls;
    QList<Variable> m_variables;
    QStringList m_parameters;
    QString m_screenCode;
    QString m_title;
    QList<Criterion> m_criteria;
};
