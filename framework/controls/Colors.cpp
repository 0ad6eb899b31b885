#include "controls/Colors.h"

#include <QHash>

QColor Colors::fromName(const QString& name)
{
    static const QHash<QString, QColor> named{
        {QStringLiteral("clInfoBk"), QColor(0xFF, 0xFF, 0xE1)},
        {QStringLiteral("clBlue"), QColor(0x00, 0x00, 0xFF)},
        {QStringLiteral("clRed"), QColor(0xFF, 0x00, 0x00)},
        {QStringLiteral("clBlack"), QColor(0x00, 0x00, 0x00)},
        {QStringLiteral("clWhite"), QColor(0xFF, 0xFF, 0xFF)},
        {QStringLiteral("clWindow"), QColor(0xFF, 0xFF, 0xFF)},
        {QStringLiteral("clWindowText"), QColor(0x00, 0x00, 0x00)},
        {QStringLiteral("clBtnFace"), QColor(0xF0, 0xF0, 0xF0)},
        {QStringLiteral("clNavy"), QColor(0x00, 0x00, 0x80)},
        {QStringLiteral("clMaroon"), QColor(0x80, 0x00, 0x00)},
    };
    const auto found = named.constFind(name);
    if (found != named.constEnd())
        return found.value();
    return QColor(name); // "#RRGGBB" and SVG names
}
