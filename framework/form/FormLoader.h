#pragma once

#include "form/HandlerTable.h"
#include "form/JsonKeyOrder.h"

#include <QJsonObject>
#include <QString>
#include <optional>

class QObject;
class QWidget;
class TButtonFlat;
class TForm;

// Applies stored form descriptions (JSON) to a form: creates the components they declare,
// changes the inherited ones they name, sets every property and wires the handlers by
// name. Anything it does not know is an error, so a faulty description never half-loads
// silently.
class FormLoader {
public:
    FormLoader(TForm* form, const HandlerTable& handlers);

    // Applies the description stored at the resource path.
    void apply(const QString& resourcePath);

private:
    // Paths name the description's objects for their written key order (JsonKeyOrder).
    void applyComponents(const QJsonObject& description, QObject* parent, const QString& path);
    void applyComponent(const QJsonObject& description, QObject* parent, const QString& path);
    QObject* createComponent(const QString& className, const QString& name, QObject* parent);
    void applyProperties(QObject* component, const QJsonObject& properties, const QString& path);
    void applyProperty(QObject* component, const QString& property, const QJsonValue& value);
    // The apply... steps return false for a property they do not know.
    bool applyWidgetProperty(QWidget* widget, const QString& property, const QJsonValue& value);
    bool applyAppearance(QWidget* widget, const QString& property, const QJsonValue& value);
    bool applyButtonProperty(TButtonFlat* button, const QString& property, const QJsonValue& value);
    bool applyEvent(QObject* component, const QString& property, const QString& handler);
    void applyTabOrder(QWidget* container);
    [[noreturn]] void fail(const QString& reason) const;

    TForm* m_form;
    const HandlerTable& m_handlers;
    std::optional<JsonKeyOrder> m_order; // of the description being applied
    QString m_resource;
    QString m_component;
};
