#include "report/engine/ReportProgress.h"

#include "report/engine/ReportFormat.h"

QString ReportProgress::text() const
{
    switch (m_stage.load()) {
    case Stage::Query:
        return m_done == 0 ? QStringLiteral("Consultando os cheques…")
                           : QStringLiteral("Lendo os cheques: %1 linhas…")
                                 .arg(ReportFormat::integer(m_done));
    case Stage::Writing:
        return QStringLiteral("Gravando: página %1 de %2…")
            .arg(ReportFormat::integer(m_done), ReportFormat::integer(m_total));
    case Stage::Done:
        break;
    }
    return QStringLiteral("Concluído.");
}
