#include "report/ReportDefinition.h"

#include "core/Exceptions.h"
#include "data/SqlParameters.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <algorithm>

namespace {
const QString indent = QStringLiteral("  ");

QString& catalogDirectory()
{
    static QString directory;
    return directory;
}
} // namespace

ReportDefinition ReportDefinition::load(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Exception(QStringLiteral("Não foi possível ler '%1': %2").arg(path, file.errorString()));
    ReportDefinition definition = parse(QString::fromUtf8(file.readAll()), path);
    definition.filePath = path;
    return definition;
}

ReportDefinition ReportDefinition::parse(const QString& text, const QString& sourceName)
{
    ReportDefinition definition;
    const QStringList lines = text.split(QLatin1Char('\n'));
    Entry* block = nullptr;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines.at(i);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(indent) && block) {
            block->value += (block->value.isEmpty() ? QString() : QStringLiteral("\n")) +
                            line.mid(indent.size());
            continue;
        }
        if (line.trimmed().isEmpty()) {
            if (block && !block->value.isEmpty())
                block->value += QLatin1Char('\n');
            continue;
        }
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const int colon = line.indexOf(QLatin1Char(':'));
        if (colon <= 0 || line.at(0).isSpace())
            throw Exception(QStringLiteral("%1:%2: linha inválida: \"%3\"")
                                .arg(sourceName)
                                .arg(i + 1)
                                .arg(line));
        definition.entries.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        block = definition.entries.last().value.isEmpty() ? &definition.entries.last() : nullptr;
    }
    for (Entry& entry : definition.entries)
        entry.value = entry.value.trimmed().isEmpty() ? QString() : entry.value;
    for (Entry& entry : definition.entries)
        while (entry.value.endsWith(QLatin1Char('\n')))
            entry.value.chop(1);
    definition.title = definition.value(QStringLiteral("title"));
    bool ok = true;
    const QString order = definition.value(QStringLiteral("order"), QStringLiteral("0"));
    definition.order = order.toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("%1: ordem inválida: \"%2\"").arg(sourceName, order));
    if (definition.title.isEmpty())
        throw Exception(QStringLiteral("%1: falta o título (title)").arg(sourceName));
    return definition;
}

QString ReportDefinition::toText() const
{
    QString text;
    for (const Entry& entry : entries) {
        if (entry.value.contains(QLatin1Char('\n')) || entry.key.startsWith(QLatin1String("sql"))) {
            text += entry.key + QStringLiteral(":\n");
            const QStringList lines = entry.value.split(QLatin1Char('\n'));
            for (const QString& line : lines)
                text += line.isEmpty() ? QStringLiteral("\n") : indent + line + QLatin1Char('\n');
        } else {
            text += entry.key + QStringLiteral(": ") + entry.value + QLatin1Char('\n');
        }
    }
    return text;
}

QString ReportDefinition::value(const QString& key, const QString& fallback) const
{
    for (const Entry& entry : entries)
        if (entry.key == key)
            return entry.value;
    return fallback;
}

void ReportDefinition::setValue(const QString& key, const QString& value)
{
    for (Entry& entry : entries) {
        if (entry.key == key) {
            entry.value = value;
            return;
        }
    }
    entries.prepend({key, value});
}

QStringList ReportDefinition::values(const QString& key) const
{
    QStringList result;
    for (const Entry& entry : entries)
        if (entry.key == key)
            result << entry.value;
    return result;
}

QString ReportDefinition::sql(SqlDialect dialect) const
{
    const QString own = value(QStringLiteral("sql.") + sqlDialectName(dialect));
    return own.isEmpty() ? value(QStringLiteral("sql")) : own;
}

QStringList ReportDefinition::declaredParameters(const QString& sql)
{
    return SqlParameters::declaredIn(sql);
}

QString ReportCatalog::directory()
{
    if (catalogDirectory().isEmpty())
        return QCoreApplication::applicationDirPath() + QStringLiteral("/reports");
    return catalogDirectory();
}

void ReportCatalog::setDirectory(const QString& directory)
{
    catalogDirectory() = directory;
}

QList<ReportDefinition> ReportCatalog::load(const QString& reportCode)
{
    QList<ReportDefinition> definitions;
    const QDir dir(directory());
    const QStringList files =
        dir.entryList({reportCode + QStringLiteral("*.rpt")}, QDir::Files, QDir::Name);
    for (const QString& file : files) {
        try {
            definitions << ReportDefinition::load(dir.filePath(file));
        } catch (const Exception& e) {
            qWarning("%s", qUtf8Printable(e.Message()));
        }
    }
    std::stable_sort(definitions.begin(), definitions.end(),
                     [](const ReportDefinition& a, const ReportDefinition& b) {
                         return a.order != b.order ? a.order < b.order : a.title < b.title;
                     });
    return definitions;
}
