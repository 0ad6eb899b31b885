#pragma once

#include "core/Events.h"

#include <QHash>

// The event handlers a form class publishes by name, for its description to wire.
struct HandlerTable {
    QHash<QString, TNotifyEvent> notify;
    QHash<QString, TKeyEvent> key;
    QHash<QString, TCloseEvent> close;
    QHash<QString, TFieldGetTextEvent> fieldText;
    QHash<QString, TQueryParamsEvent> queryParams;
};
