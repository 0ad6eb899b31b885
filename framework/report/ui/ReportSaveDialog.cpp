#include "report/ui/ReportSaveDialog.h"

#include "controls/TSaveDialog.h"
#include "report/output/ReportOutputs.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>

ReportSaveDialog::ReportSaveDialog(TSaveDialog& settings, const QString& suggested,
                                   const ReportOutput::Options& options, QWidget* parent)
    : QFileDialog(parent, settings.Title), m_settings(settings), m_outputs(ReportOutputs::all()),
      m_totals(new QCheckBox(QStringLiteral("Incluir as linhas de total"), this)),
      m_criteria(new QCheckBox(QStringLiteral("Incluir os critérios no início"), this)),
      m_excel(new QCheckBox(QStringLiteral("CSV para o Excel (códigos como texto)"), this))
{
    setObjectName(QStringLiteral("reportSaveDialog"));
    // The check boxes live in Qt's own dialog; a native one has no room for them.
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    QStringList filters;
    for (const std::unique_ptr<ReportOutput>& output : m_outputs)
        filters << output->nameFilter();
    setNameFilters(filters);
    selectNameFilter(filters.value(settings.FilterIndex));
    setDirectory(settings.InitialDir);
    selectFile(suggested.isEmpty() ? suggested : withSuffix(suggested, settings.FilterIndex));

    m_totals->setObjectName(QStringLiteral("csvTotals"));
    m_criteria->setObjectName(QStringLiteral("csvCriteria"));
    m_totals->setChecked(options.totals);
    m_criteria->setChecked(options.criteria);
    m_excel->setObjectName(QStringLiteral("csvExcel"));
    m_excel->setChecked(options.excel);
    if (auto* grid = qobject_cast<QGridLayout*>(layout())) {
        const int row = grid->rowCount();
        grid->addWidget(m_totals, row, 0, 1, -1);
        grid->addWidget(m_criteria, row + 1, 0, 1, -1);
        grid->addWidget(m_excel, row + 2, 0, 1, -1);
    }
    const auto enableFor = [this](const QString& filter) {
        const auto kind = static_cast<size_t>(nameFilters().indexOf(filter));
        const bool tabular = kind < m_outputs.size() && m_outputs.at(kind)->tabular();
        m_totals->setEnabled(tabular);
        m_criteria->setEnabled(tabular);
        m_excel->setEnabled(kind < m_outputs.size() &&
                            m_outputs.at(kind)->suffixes().contains(QStringLiteral("csv")));
    };
    connect(this, &QFileDialog::filterSelected, this, enableFor);
    enableFor(selectedNameFilter());
}

ReportSaveDialog::~ReportSaveDialog() = default;

QString ReportSaveDialog::withSuffix(const QString& path, int kind) const
{
    if (ReportOutputs::forFile(path) || kind < 0 || static_cast<size_t>(kind) >= m_outputs.size())
        return path;
    return path + QLatin1Char('.') + m_outputs.at(kind)->suffixes().first();
}

bool ReportSaveDialog::choose()
{
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty())
        return false;
    const int kind = std::max(0, static_cast<int>(nameFilters().indexOf(selectedNameFilter())));
    const QString path = withSuffix(selectedFiles().first(), kind);
    m_settings.FilterIndex = kind;
    m_settings.FileName = path;
    m_settings.InitialDir = QFileInfo(path).absolutePath();
    return true;
}

ReportOutput::Options ReportSaveDialog::options() const
{
    return {m_totals->isChecked(), m_criteria->isChecked(), m_excel->isChecked()};
}
