#include "OffscreenMessages.h"

#include <QString>
#include <QtGlobal>

namespace {
QtMessageHandler defaultMessageHandler = nullptr;

void filterMessage(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (!text.startsWith(QLatin1String("This plugin does not support")) &&
        !text.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")) &&
        !text.startsWith(QLatin1String("QStandardPaths: runtime directory")))
        defaultMessageHandler(type, context, text);
}
} // namespace

void quietOffscreenWarnings()
{
    if (!defaultMessageHandler)
        defaultMessageHandler = qInstallMessageHandler(filterMessage);
}
