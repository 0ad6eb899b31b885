#include "report/ui/ReportSaveDialog.h"

#include "controls/TSaveDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>

ReportSaveDialog::ReportSaveDialog(TSaveDialog& settings, const QString& suggested,
                                   const ReportCsv::Options& csv, QWidget* parent)
    : QFileDialog(parent, settings.Title), m_settings(settings),
      m_totals(new QCheckBox(QStringLiteral("Incluir as linhas de total"), this)),
      m_criteria(new QCheckBox(QStringLiteral("Incluir os critérios no início"), this))
{
    setObjectName(QStringLiteral("reportSaveDialog"));
    // The check boxes live in Qt's own dialog; a native one has no room for them.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    // The filter holds "description|pattern" pairs; the descriptions name their patterns.
    QStringList filters;
    const QStringList parts = settings.Filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2)
        filters << parts.at(i);
    setNameFilters(filters);
    selectNameFilter(filters.value(settings.FilterIndex));
    setDirectory(settings.InitialDir);
    selectFile(settings.SuggestedName(suggested));

    m_totals->setObjectName(QStringLiteral("csvTotals"));
    m_criteria->setObjectName(QStringLiteral("csvCriteria"));
    m_totals->setChecked(csv.totals);
    m_criteria->setChecked(csv.criteria);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(m_totals, row, 0, 1, -1);
        grid->addWidget(m_criteria, row + 1, 0, 1, -1);
    }
    const auto enableFor = [this](const QString& filter) {
        const bool csvChosen =
            m_settings.ExtensionOf(static_cast<int>(nameFilters().indexOf(filter))) ==
            QLatin1String("csv");
        m_totals->setEnabled(csvChosen);
        m_criteria->setEnabled(csvChosen);
    };
    connect(this, &QFileDialog::filterSelected, this, enableFor);
    enableFor(selectedNameFilter());
}

bool ReportSaveDialog::choose()
{
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty())
        return false;
    const int type = std::max(0, static_cast<int>(nameFilters().indexOf(selectedNameFilter())));
    const QString path = m_settings.WithExtension(selectedFiles().first(), type);
    m_settings.FilterIndex = type;
    m_settings.FileName = path;
    m_settings.InitialDir = QFileInfo(path).absolutePath();
    return true;
}

ReportCsv::Options ReportSaveDialog::csvOptions() const
{
    return {m_totals->isChecked(), m_criteria->isChecked()};
}
