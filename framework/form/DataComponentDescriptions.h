#pragma once

#include "form/ComponentRegistry.h"

#include <QHash>
#include <QList>

// How form descriptions declare queries, their fields and data sources.
namespace DataComponentDescriptions {
void addTo(QHash<QString, ComponentRegistry::Factory>& factories,
           QList<ComponentRegistry::PropertyApplier>& properties,
           QList<ComponentRegistry::EventApplier>& events);
} // namespace DataComponentDescriptions
