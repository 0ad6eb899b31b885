#include "report/ReportCsv.h"

#include "core/Exceptions.h"
#include "report/ReportDocument.h"

#include <QDir>
#include <QSaveFile>

namespace {

QString field(const QString& value)
{
    if (!value.contains(QLatin1Char(';')) && !value.contains(QLatin1Char('"')) &&
        !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')))
        return value;
    return QLatin1Char('"') + QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

QString line(const QStringList& cells)
{
    QStringList fields;
    fields.reserve(cells.size());
    for (const QString& cell : cells)
        fields << field(cell);
    return fields.join(QLatin1Char(';')) + QStringLiteral("\r\n");
}

} // namespace

QString ReportCsv::text(const ReportDocument& document)
{
    QString csv = line(document.labels);
    for (const QStringList& row : document.rows)
        csv += line(row);
    return csv;
}

void ReportCsv::write(const ReportDocument& document, const QString& path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text(document).toUtf8()) < 0 ||
        !file.commit())
        throw Exception(QStringLiteral("Não foi possível gravar o arquivo '%1': %2")
                            .arg(QDir::toNativeSeparators(path), file.errorString()));
}
