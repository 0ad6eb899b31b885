#include "form/CriteriaSets.h"

#include "base/ProgramState.h"

#include <QSettings>
#include <QUrl>
#include <algorithm>

namespace {
// A set's name as a settings key: any text, with '/' and '\' (key separators) escaped.
QString keyOf(const QString& name)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(name, " "));
}

QString nameOf(const QString& key)
{
    return QUrl::fromPercentEncoding(key.toLatin1());
}

QVariantMap readGroup(const QString& group)
{
    ProgramState::Settings settings;
    settings.beginGroup(group);
    QVariantMap criteria;
    const QStringList keys = settings.childKeys();
    for (const QString& key : keys)
        criteria.insert(key, settings.value(key));
    return criteria;
}

void writeGroup(const QString& group, const QVariantMap& criteria)
{
    ProgramState::Settings settings;
    settings.beginGroup(group);
    settings.remove(QString());
    for (auto it = criteria.cbegin(); it != criteria.cend(); ++it)
        settings.setValue(it.key(), it.value());
}
} // namespace

CriteriaSets::CriteriaSets(const QString& screenCode, const QString& operatorCode)
    : m_sets(QStringLiteral("criterios/%1/%2").arg(screenCode, keyOf(operatorCode))),
      m_last(QStringLiteral("ultimos-criterios/%1/%2").arg(screenCode, keyOf(operatorCode)))
{
}

QStringList CriteriaSets::names() const
{
    ProgramState::Settings settings;
    settings.beginGroup(m_sets);
    QStringList names;
    const QStringList keys = settings.childGroups();
    for (const QString& key : keys)
        names << nameOf(key);
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::localeAwareCompare(a, b) < 0;
    });
    return names;
}

bool CriteriaSets::contains(const QString& name) const
{
    return !name.isEmpty() && names().contains(name);
}

QVariantMap CriteriaSets::load(const QString& name) const
{
    return contains(name) ? readGroup(m_sets + QLatin1Char('/') + keyOf(name)) : QVariantMap();
}

void CriteriaSets::save(const QString& name, const QVariantMap& criteria)
{
    writeGroup(m_sets + QLatin1Char('/') + keyOf(name), criteria);
}

void CriteriaSets::remove(const QString& name)
{
    ProgramState::Settings settings;
    settings.remove(m_sets + QLatin1Char('/') + keyOf(name));
}

QVariantMap CriteriaSets::last() const
{
    return readGroup(m_last);
}

void CriteriaSets::saveLast(const QVariantMap& criteria)
{
    writeGroup(m_last, criteria);
}
