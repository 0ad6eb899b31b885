#include "controls/DateEditText.h"

namespace {
const QString dateFormat = QStringLiteral("dd/MM/yyyy");
}

QString DateEditText::mask()
{
    return QStringLiteral("99/99/0000;1;_");
}

QDate DateEditText::toDate(const QString& text)
{
    return QDate::fromString(text, dateFormat);
}

bool DateEditText::isValid(const QString& text)
{
    return text.isEmpty() || toDate(text).isValid();
}

QString DateEditText::fromDate(const QDate& date)
{
    return date.isValid() ? date.toString(dateFormat) : QString();
}
