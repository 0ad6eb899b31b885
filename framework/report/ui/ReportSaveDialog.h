#pragma once

#include "controls/WidgetsExport.h"
#include "report/output/ReportOutput.h"

#include <QFileDialog>
#include <memory>
#include <vector>

class QCheckBox;
class TSaveDialog;

// The file dialog of a report's "Salvar como": the kinds of file a report is written to
// (ReportOutputs) under the form's save dialog settings (title, the kind offered first, the
// last folder), with the options of a file that holds the rows as a table as check boxes,
// which count when the file is such a one, and the choice of a CSV for Excel.
class KLX_WIDGETS_EXPORT ReportSaveDialog : public QFileDialog {
    Q_OBJECT
public:
    ReportSaveDialog(TSaveDialog& settings, const QString& suggested,
                     const ReportOutput::Options& options, QWidget* parent);
    ~ReportSaveDialog() override;

    // Shows the dialog; true when the user chose a file. The settings then hold the file (a
    // name without the suffix of a kind offered gets the chosen kind's), its kind and folder.
    bool choose();
    ReportOutput::Options options() const;

private:
    // The path as a file of the kind (from 0): as it is when it has a kind's suffix.
    QString withSuffix(const QString& path, int kind) const;

    TSaveDialog& m_settings;
    std::vector<std::unique_ptr<ReportOutput>> m_outputs;
    QCheckBox* m_totals;
    QCheckBox* m_criteria;
    QCheckBox* m_excel;
};
