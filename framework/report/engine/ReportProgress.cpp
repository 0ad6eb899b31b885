#include "report/engine/ReportProgress.h"

#include "report/engine/ReportFormat.h"

QString ReportProgress::text(Stage stage, int done, int total)
{
    switch (stage) {
    case Stage::Query:
        return done == 0 ? QStringLiteral("Consultando os cheques…")
                         : QStringLiteral("Lendo os cheques: %1 linhas…")
                               .arg(ReportFormat::integer(done));
    case Stage::Writing:
        return QStringLiteral("Gravando: página %1 de %2…")
            .arg(ReportFormat::integer(done), ReportFormat::integer(total));
    case Stage::Printing:
        return QStringLiteral("Imprimindo: página %1 de %2…")
            .arg(ReportFormat::integer(done), ReportFormat::integer(total));
    }
    return QString();
}
