#pragma once

#include "controls/WidgetsExport.h"
#include "form/HandlerTable.h"

#include <QJsonValue>
#include <QString>
#include <functional>

class QObject;

// The component classes a form description may name, and the properties and events of
// classes beyond the built-in controls (data access, reports) that register themselves.
namespace ComponentRegistry {

using Factory = std::function<QObject*(QObject* parent)>;
using PropertyApplier = std::function<bool(QObject*, const QString&, const QJsonValue&)>;
using Failure = std::function<void(const QString& reason)>;
using EventApplier = std::function<bool(QObject*, const QString& event, const QString& handler,
                                        const HandlerTable&, const Failure&)>;

KLX_WIDGETS_EXPORT void registerClass(const QString& className, Factory factory);
void registerPropertyApplier(PropertyApplier applier);
void registerEventApplier(EventApplier applier);

// A new component of the class, or nullptr when the class is unknown.
QObject* create(const QString& className, QObject* parent);
bool applyProperty(QObject* component, const QString& property, const QJsonValue& value);
bool applyEvent(QObject* component, const QString& event, const QString& handler,
                const HandlerTable& handlers, const Failure& fail);

} // namespace ComponentRegistry
