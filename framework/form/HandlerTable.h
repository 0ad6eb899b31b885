#pragma once

#include "base/Events.h"

#include <QHash>
#include <functional>

// The event handlers a form class publishes by name, for its description to wire.
struct HandlerTable {
    QHash<QString, TNotifyEvent> notify;
    QHash<QString, TKeyEvent> key;
    QHash<QString, TCloseEvent> close;
    QHash<QString, TFieldGetTextEvent> fieldText;
    QHash<QString, TQueryParamsEvent> queryParams;
};

// The handler published under that name; an unknown name is reported through fail, which
// does not return.
template <class Handler>
Handler findHandler(const QHash<QString, Handler>& table, const QString& name,
                    const std::function<void(const QString& reason)>& fail)
{
    const auto found = table.constFind(name);
    if (found == table.constEnd())
        fail(QStringLiteral("manipulador desconhecido '%1'").arg(name));
    return found.value();
}
