#include "form/ScreenCriteria.h"

#include "base/Exceptions.h"
#include "base/ModuleLoader.h"

#include <QJsonDocument>

namespace {

void takeNote(void* context, const char* criterion, const char* text)
{
    static_cast<ScreenCriteria::Outcome*>(context)->notes.append(
        {QString::fromUtf8(criterion ? criterion : ""), QString::fromUtf8(text ? text : "")});
}

// The routine the member of the module's table points at; raises an Exception when the
// module publishes none.
ScreenCriteriaFunction routine(ModuleLoader& module, ScreenCriteriaFunction ScreenTable::*entry)
{
    const auto describe = reinterpret_cast<DescribeScreenFunction>(module.symbol("DescribeScreen"));
    const ScreenTable* table = describe();
    if (!table || table->version != screenTableVersion || !(table->*entry))
        throw Exception(
            QStringLiteral("O módulo '%1' não aplica critérios da tela.").arg(module.path()));
    return table->*entry;
}

ScreenCriteria::Outcome call(ModuleLoader& module, ScreenCriteriaFunction ScreenTable::*entry,
                             const QByteArray& argument)
{
    ScreenCriteria::Outcome outcome;
    const int result = routine(module, entry)(argument.constData(), takeNote, &outcome);
    outcome.result = result == ScreenCriteriaApplied || result == ScreenCriteriaMalformed
                         ? static_cast<ScreenCriteriaResult>(result)
                         : ScreenCriteriaRefused;
    return outcome;
}

QByteArray json(const QJsonObject& criteria)
{
    return QJsonDocument(criteria).toJson(QJsonDocument::Compact);
}

} // namespace

ScreenCriteria::Outcome ScreenCriteria::check(ModuleLoader& module, const QJsonObject& criteria)
{
    return call(module, &ScreenTable::checkCriteria, json(criteria));
}

ScreenCriteria::Outcome ScreenCriteria::apply(ModuleLoader& module, const QJsonObject& criteria)
{
    return call(module, &ScreenTable::applyCriteria, json(criteria));
}

ScreenCriteria::Outcome ScreenCriteria::loadSet(ModuleLoader& module, const QString& name)
{
    return call(module, &ScreenTable::loadCriteriaSet, name.toUtf8());
}
