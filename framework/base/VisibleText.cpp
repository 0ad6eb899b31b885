#include "base/VisibleText.h"

namespace {

QString escaped(const QString& text, bool keepLineBreaks)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7f && u < 0xa0);
        if (!control || (keepLineBreaks && u == u'\n'))
            shown += c;
        else if (u == u'\n')
            shown += QStringLiteral("\\n");
        else if (u == u'\t')
            shown += QStringLiteral("\\t");
        else if (u == u'\r')
            shown += QStringLiteral("\\r");
        else
            shown += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
    }
    return shown;
}

} // namespace

namespace VisibleText {

QString of(const QString& text)
{
    return escaped(text, false);
}

QString ofMessage(const QString& text)
{
    return escaped(text, true);
}

} // namespace VisibleText
