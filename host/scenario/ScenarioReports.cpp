#include "scenario/ScenarioReports.h"

#include "base/Exceptions.h"
#include "report/engine/ReportDefinition.h"
#include "report/engine/ReportQuery.h"

#include <QDir>
#include <QFile>

namespace {

// A query that declares the names and reads no row, with every field the layout reads: one
// text for both engines (Firebird needs each parameter typed, hence the casts).
QString declaringQuery(const ReportDefinition& definition, const QStringList& declared)
{
    QStringList fields;
    QList<ReportValueFormat> formats;
    ReportQuery::usedFields(definition, fields, formats);
    QStringList columns;
    for (const QString& field : fields)
        columns << QStringLiteral("CAST(NULL AS VARCHAR(60)) AS %1").arg(field);
    if (columns.isEmpty())
        columns << QStringLiteral("CDEMPRESA");
    QStringList uses;
    for (const QString& name : declared)
        uses << QStringLiteral("CAST(:%1 AS VARCHAR(1000)) IS NULL").arg(name);
    QString sql = QStringLiteral("SELECT %1\nFROM EMPRESA\nWHERE 1 = 0")
                      .arg(columns.join(QStringLiteral(",\n       ")));
    if (!uses.isEmpty())
        sql += QStringLiteral("\n  AND (") + uses.join(QStringLiteral("\n       OR ")) +
               QLatin1Char(')');
    return sql;
}

void writeFile(const QString& path, const QString& text)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 ||
        !file.flush())
        throw Exception(QStringLiteral("não foi possível gravar '%1'").arg(path));
}

} // namespace

void ScenarioReports::write(const QString& shipped, const QString& folder,
                            const std::optional<QStringList>& declared)
{
    QDir(folder).mkpath(QStringLiteral("."));
    const QDir source(shipped);
    for (const QString& name : source.entryList({QStringLiteral("*.rpt")}, QDir::Files)) {
        const QString target = QDir(folder).filePath(name);
        if (!declared) {
            writeFile(target, ReportDefinition::readFile(source.filePath(name)));
            continue;
        }
        ReportDefinition definition = ReportDefinition::load(source.filePath(name));
        definition.entries.removeIf([](const ReportDefinition::Entry& entry) {
            return entry.key == QLatin1String("sql.ib");
        });
        definition.setValue(QStringLiteral("sql"), declaringQuery(definition, *declared));
        writeFile(target, definition.toText());
    }
}
