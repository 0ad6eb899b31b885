#include "form/ComponentRegistry.h"

#include "base/TMessages.h"
#include "controls/TBevel.h"
#include "controls/TButtonFlat.h"
#include "controls/TCheckBox.h"
#include "controls/TComboBox.h"
#include "controls/TDateEditPlus.h"
#include "controls/TGroupBox.h"
#include "controls/TLabel.h"
#include "controls/TMaskEdit.h"
#include "controls/TPanel.h"
#include "controls/TPopupMenu.h"
#include "controls/TRadioButton.h"
#include "controls/TSaveDialog.h"
#include "form/DataComponentDescriptions.h"

#include <QHash>
#include <QList>

namespace {

struct Registry {
    QHash<QString, ComponentRegistry::Factory> factories;
    QList<ComponentRegistry::PropertyApplier> propertyAppliers;
    QList<ComponentRegistry::EventApplier> eventAppliers;
};

template <class Widget> ComponentRegistry::Factory widgetFactory()
{
    return [](QObject* parent) -> QObject* {
        auto* parentWidget = qobject_cast<QWidget*>(parent);
        return parentWidget ? new Widget(parentWidget) : nullptr;
    };
}

Registry& registry()
{
    static Registry instance = [] {
        Registry r;
        r.factories.insert(QStringLiteral("TLabel"), widgetFactory<TLabel>());
        r.factories.insert(QStringLiteral("TGroupBox"), widgetFactory<TGroupBox>());
        r.factories.insert(QStringLiteral("TPanel"), widgetFactory<TPanel>());
        r.factories.insert(QStringLiteral("TBevel"), widgetFactory<TBevel>());
        r.factories.insert(QStringLiteral("TRadioButton"), widgetFactory<TRadioButton>());
        r.factories.insert(QStringLiteral("TCheckBox"), widgetFactory<TCheckBox>());
        r.factories.insert(QStringLiteral("TComboBox"), widgetFactory<TComboBox>());
        r.factories.insert(QStringLiteral("TMaskEdit"), widgetFactory<TMaskEdit>());
        r.factories.insert(QStringLiteral("TDateEditPlus"), widgetFactory<TDateEditPlus>());
        r.factories.insert(QStringLiteral("TButtonFlat"), widgetFactory<TButtonFlat>());
        r.factories.insert(QStringLiteral("TPopupMenu"), widgetFactory<TPopupMenu>());
        r.factories.insert(QStringLiteral("TSaveDialog"),
                           [](QObject* parent) -> QObject* { return new TSaveDialog(parent); });
        r.propertyAppliers.append(
            [](QObject* component, const QString& property, const QJsonValue& value) {
                auto* save = qobject_cast<TSaveDialog*>(component);
                if (!save)
                    return false;
                if (property == QLatin1String("Title"))
                    save->Title = value.toString();
                else if (property == QLatin1String("Filter"))
                    save->Filter = value.toString();
                else if (property == QLatin1String("FilterIndex"))
                    save->FilterIndex = value.toInt();
                else
                    return false;
                return true;
            });
        r.factories.insert(QStringLiteral("TMessages"),
                           [](QObject* parent) -> QObject* { return new TMessages(parent); });
        DataComponentDescriptions::addTo(r.factories, r.propertyAppliers, r.eventAppliers);
        return r;
    }();
    return instance;
}

} // namespace

void ComponentRegistry::registerClass(const QString& className, Factory factory)
{
    registry().factories.insert(className, std::move(factory));
}

void ComponentRegistry::registerPropertyApplier(PropertyApplier applier)
{
    registry().propertyAppliers.append(std::move(applier));
}

void ComponentRegistry::registerEventApplier(EventApplier applier)
{
    registry().eventAppliers.append(std::move(applier));
}

QObject* ComponentRegistry::create(const QString& className, QObject* parent)
{
    const auto factory = registry().factories.constFind(className);
    return factory == registry().factories.constEnd() ? nullptr : factory.value()(parent);
}

bool ComponentRegistry::applyProperty(QObject* component, const QString& property,
                                      const QJsonValue& value)
{
    for (const PropertyApplier& applier : std::as_const(registry().propertyAppliers))
        if (applier(component, property, value))
            return true;
    return false;
}

bool ComponentRegistry::applyEvent(QObject* component, const QString& event, const QString& handler,
                                   const HandlerTable& handlers, const Failure& fail)
{
    for (const EventApplier& applier : std::as_const(registry().eventAppliers))
        if (applier(component, event, handler, handlers, fail))
            return true;
    return false;
}
