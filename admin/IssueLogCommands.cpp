#include "IssueLogCommands.h"

#include "Administration.h"
#include "base/Exceptions.h"
#include "data/ReportIssueLog.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace IssueLogCommands {

namespace {

QString describe(const ReportIssueLog::Entry& entry)
{
    return QStringLiteral("emissão nº %1: \"%2\" (%3), por %4 em %5")
        .arg(entry.number)
        .arg(entry.report, entry.output, entry.operatorCode,
             entry.issued.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
}

// The issue a file says it is: "Emissão nº N" in its bytes (a CSV's text; a PDF keeps its
// text compressed).
std::optional<int> claimedNumber(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    static const QRegularExpression footer(QStringLiteral("Emissão nº (\\d+)"));
    const QRegularExpressionMatch match =
        footer.match(QString::fromUtf8(file.read(64 * 1024 * 1024)));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

} // namespace

QStringList log(Administration& administration, const std::optional<QDate>& since,
                const QString& operatorCode)
{
    administration.requireCurrentVersion();
    QStringList lines;
    for (const ReportIssueLog::Entry& entry :
         ReportIssueLog(administration.database()).entries(since, operatorCode)) {
        QString line = QStringLiteral("%1  %2  %3  %4  %5")
                           .arg(entry.number, 6)
                           .arg(entry.issued.toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")),
                                entry.operatorCode, entry.output, entry.report);
        if (const auto& outcome = entry.outcome) {
            line +=
                QStringLiteral("  %1 linhas, %2 páginas").arg(outcome->rows).arg(outcome->pages);
            if (!outcome->sha256.isEmpty())
                line += QStringLiteral("  SHA-256 %1").arg(outcome->sha256);
        } else {
            line += QStringLiteral("  não concluída");
        }
        lines << line;
        if (entry.outcome && !entry.outcome->totals.isEmpty())
            lines << QStringLiteral("        totais: %1").arg(entry.outcome->totals.simplified());
        for (const QString& criterion : entry.criteria.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            lines << QStringLiteral("        %1").arg(criterion);
    }
    if (lines.isEmpty())
        lines << QStringLiteral("nenhuma emissão registrada%1")
                     .arg(since || !operatorCode.isEmpty() ? QStringLiteral(" com esses filtros")
                                                           : QString());
    return lines;
}

Verdict verify(Administration& administration, const QString& path)
{
    if (!QFileInfo(path).isFile())
        throw EBadCommandLine(QStringLiteral("'%1' não é um arquivo").arg(path));
    administration.requireCurrentVersion();
    ReportIssueLog record(administration.database());
    const QString digest = ReportIssueLog::digestOf(path);
    if (const auto entry = record.byDigest(digest))
        return {true, QStringLiteral("%1 é a %2, inalterado (SHA-256 %3)")
                          .arg(path, describe(*entry), digest)};
    if (const auto number = claimedNumber(path)) {
        if (const auto entry = record.byNumber(*number))
            return {false, QStringLiteral("%1 diz ser a %2, mas foi alterado: seu SHA-256 %3 não "
                                          "é o registrado%4")
                               .arg(path, describe(*entry), digest,
                                    entry->outcome && !entry->outcome->sha256.isEmpty()
                                        ? QStringLiteral(" (%1)").arg(entry->outcome->sha256)
                                        : QString())};
        return {false, QStringLiteral("%1 diz ser a emissão nº %2, que este banco não registrou")
                           .arg(path)
                           .arg(*number)};
    }
    return {false, QStringLiteral("%1 não corresponde a nenhuma emissão registrada neste banco "
                                  "(SHA-256 %2): foi alterado, ou não foi emitido daqui")
                       .arg(path, digest)};
}

} // namespace IssueLogCommands
