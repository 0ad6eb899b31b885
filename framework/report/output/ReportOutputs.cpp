#include "report/output/ReportOutputs.h"

#include "report/output/ReportCsv.h"
#include "report/output/ReportPdf.h"
#include "report/output/ReportXlsx.h"

#include <QFileInfo>

std::vector<std::unique_ptr<ReportOutput>> ReportOutputs::all(const QString& path,
                                                              const QStringList& untouchable)
{
    std::vector<std::unique_ptr<ReportOutput>> outputs;
    outputs.push_back(std::make_unique<ReportPdf>(path, untouchable));
    outputs.push_back(std::make_unique<ReportCsv>(path, untouchable));
    outputs.push_back(std::make_unique<ReportXlsx>(path, untouchable));
    return outputs;
}

std::unique_ptr<ReportOutput> ReportOutputs::forFile(const QString& path,
                                                     const QStringList& untouchable)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (std::unique_ptr<ReportOutput>& output : all(path, untouchable))
        if (output->suffixes().contains(suffix))
            return std::move(output);
    return nullptr;
}

QString ReportOutputs::suffixesText(bool tabularOnly)
{
    QStringList suffixes;
    for (const std::unique_ptr<ReportOutput>& output : all())
        if (output->tabular() || !tabularOnly)
            for (const QString& suffix : output->suffixes())
                suffixes << QLatin1Char('.') + suffix;
    if (suffixes.size() < 2)
        return suffixes.join(QString());
    const QString last = suffixes.takeLast();
    return suffixes.join(QStringLiteral(", ")) + QStringLiteral(" ou ") + last;
}
