#pragma once

#include "report/output/ReportCsv.h"

#include <QFileDialog>

class QCheckBox;
class TSaveDialog;

// The file dialog of a report's "Salvar como": the form's save dialog settings (title, file
// types, the type offered first, the last folder) with the CSV's options as check boxes,
// which count when the file is a CSV.
class ReportSaveDialog : public QFileDialog {
    Q_OBJECT
public:
    ReportSaveDialog(TSaveDialog& settings, const QString& suggested, const ReportCsv::Options& csv,
                     QWidget* parent);

    // Shows the dialog; true when the user chose a file. The settings then hold the file (a
    // name that does not end in an offered type's extension gets the chosen type's), its
    // type and folder.
    bool choose();
    ReportCsv::Options csvOptions() const;

private:
    TSaveDialog& m_settings;
    QCheckBox* m_totals;
    QCheckBox* m_criteria;
};
