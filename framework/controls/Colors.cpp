#include "controls/Colors.h"

#include <QMap>

namespace {
const QMap<QString, QColor>& systemColors()
{
    static const QMap<QString, QColor> named{
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
    return named;
}
} // namespace

QColor Colors::fromName(const QString& name)
{
    const auto found = systemColors().constFind(name);
    if (found != systemColors().constEnd())
        return found.value();
    return QColor(name); // "#RRGGBB" and SVG names
}

QStringList Colors::namesOf(const QColor& color)
{
    QStringList names;
    for (auto it = systemColors().constBegin(); it != systemColors().constEnd(); ++it)
        if (it.value() == color)
            names << it.key();
    return names;
}

void Colors::setWhenEnabled(QPalette& palette, QPalette::ColorRole role, const QColor& color)
{
    palette.setColor(QPalette::Active, role, color);
    palette.setColor(QPalette::Inactive, role, color);
}
